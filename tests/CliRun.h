#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>

// Runs the command line tool built beside the program and collects what it printed.
struct CliRun
{
    int code = -1;
    QString out;
    QString err;
};

// What the tool printed, with the CR LF line ends of the Windows console read as LF.
inline QString cliText(const QByteArray &bytes)
{
    QString text = QString::fromUtf8(bytes);
#ifdef Q_OS_WIN
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
#endif
    return text;
}

// dokrava-cli with args, waiting at most waitMs for it to end.
inline CliRun runCli(const QStringList &args, int waitMs)
{
    QProcess p;
    p.start(QStringLiteral(DOKRAVA_CLI), args);
    p.waitForFinished(waitMs);
    return {p.exitCode(), cliText(p.readAllStandardOutput()), cliText(p.readAllStandardError())};
}
