#include "generation/PdfConverter.h"

#include "generation/ProcessTree.h"
#include "shell/AppFolder.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QUrl>

QString ConverterProfileFolder()
{
    return AppFolder::join(AppFolder::tempDir(), QStringLiteral("lo_profile"));
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
    QDir().mkpath(AppFolder::tempDir());

    QProcess process;
    process.setProgram(converter);
    process.setArguments(ConverterArguments(format, outDir, source));
    process.setStandardOutputFile(QProcess::nullDevice());
    process.setStandardErrorFile(QProcess::nullDevice());
    ProcessTree::prepare(process);
    process.start();
    if (!process.waitForStarted())
        return QString();
    if (!process.waitForFinished(waitMs))
        ProcessTree::kill(process);
    return QFileInfo::exists(expected) ? expected : QString();
}

bool ConvertODTToPDF(const QString &O, const QString &C, int waitMs)
{
    return !ConvertDocument(O, QStringLiteral("pdf"), QFileInfo(O).absolutePath(), C, waitMs).isEmpty();
}
