#include "office/PdfConverter.h"

#include "base/AppFolder.h"
#include "base/ScratchFolder.h"
#include "office/ConvertedFile.h"
#include "office/ConverterProfile.h"
#include "office/ProcessTree.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QUrl>

QString ConverterProfileFolder()
{
    return AppFolder::join(ProcessTempDir(), QStringLiteral("lo_profile"));
}

QStringList ConverterArguments(const QString &format, const QString &outDir, const QString &source)
{
    return ConverterArguments(ConverterProfileFolder(), format, outDir, QStringList{source});
}

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

QString ConvertDocument(const QString &source, const QString &format, const QString &outDir,
                        const QString &converter, int waitMs)
{
    const QString ext = format.section(QLatin1Char(':'), 0, 0);
    const QString expected = AppFolder::join(outDir, QFileInfo(source).completeBaseName() + QLatin1Char('.') + ext);
    // An older file of the same name would be taken for the converter's work.
    if (QFileInfo::exists(expected) && !QFile::remove(expected))
        return QString();
    QDir().mkpath(ProcessTempDir());
    PrepareConverterProfile(ConverterProfileFolder());
    const bool endedByItself = RunConverter(converter, ConverterArguments(format, outDir, source), waitMs);
    // A converter ended halfway may leave a truncated file: that is a failure, and the file goes,
    // so nobody takes it for the document.
    if (endedByItself && ConvertedFile::isComplete(expected))
        return expected;
    QFile::remove(expected);
    return QString();
}

bool ConvertODTToPDF(const QString &O, const QString &C, int waitMs)
{
    return !ConvertDocument(O, QStringLiteral("pdf"), QFileInfo(O).absolutePath(), C, waitMs).isEmpty();
}
