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

// dokrava-cli with args, waiting at most waitMs for it to end.
inline CliRun runCli(const QStringList &args, int waitMs)
{
    QProcess p;
    p.start(QStringLiteral(DOKRAVA_CLI), args);
    p.waitForFinished(waitMs);
    return {p.exitCode(), QString::fromUtf8(p.readAllStandardOutput()), QString::fromUtf8(p.readAllStandardError())};
}
