#include "office/ConverterProcess.h"

#include "office/ProcessTree.h"

#include <QDir>
#include <QProcess>
#include <QUrl>

namespace dokrava {

QStringList ConverterArguments(const QString &profileFolder, const QString &format, const QString &outDir,
                               const QStringList &sources)
{
    const QString profile = QUrl::fromLocalFile(QDir::fromNativeSeparators(profileFolder)).toString();
    QStringList args{QStringLiteral("-env:UserInstallation=") + profile,
                     QStringLiteral("--headless"),
                     QStringLiteral("--convert-to"),
                     format,
                     QStringLiteral("--outdir"),
                     QDir::toNativeSeparators(outDir)};
    for (const QString &source : sources)
        args << QDir::toNativeSeparators(source);
    return args;
}

bool RunConverter(const QString &converter, const QStringList &arguments, int waitMs,
                  const std::function<void(qint64)> &started)
{
    QProcess process;
    process.setProgram(converter);
    process.setArguments(arguments);
    process.setStandardOutputFile(QProcess::nullDevice());
    process.setStandardErrorFile(QProcess::nullDevice());
    ProcessTree::prepare(process);
    process.start();
    if (!process.waitForStarted())
        return false;
    if (started)
        started(process.processId());
    const bool ended = process.waitForFinished(waitMs);
    if (started)
        started(0);
    if (!ended)
        ProcessTree::kill(process);
    return ended && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}

} // namespace dokrava
