#include "office/PdfConverter.h"

#include "base/AppFolder.h"
#include "base/ScratchFolder.h"
#include "office/ConvertedFile.h"
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
    const QString profile = QUrl::fromLocalFile(QDir::fromNativeSeparators(ConverterProfileFolder())).toString();
    return {QStringLiteral("-env:UserInstallation=") + profile,
            QStringLiteral("--headless"),
            QStringLiteral("--convert-to"),
            format,
            QStringLiteral("--outdir"),
            QDir::toNativeSeparators(outDir),
            QDir::toNativeSeparators(source)};
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

    QProcess process;
    process.setProgram(converter);
    process.setArguments(ConverterArguments(format, outDir, source));
    process.setStandardOutputFile(QProcess::nullDevice());
    process.setStandardErrorFile(QProcess::nullDevice());
    ProcessTree::prepare(process);
    process.start();
    if (!process.waitForStarted())
        return QString();
    bool endedByItself = process.waitForFinished(waitMs);
    if (!endedByItself)
        ProcessTree::kill(process);
    endedByItself = endedByItself && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
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
