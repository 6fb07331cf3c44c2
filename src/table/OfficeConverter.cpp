#include "table/OfficeConverter.h"

#include "shell/DokravaError.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QUrl>
#include <QUuid>

namespace OfficeConverter {

QString convert(const QString &converter, const QString &input, const QString &outDir,
                const QString &target, const QString &profileParent, int timeoutMs)
{
    if (converter.isEmpty() || !QFileInfo(converter).isFile())
        throw DokravaError(QStringLiteral("LibreOffice не найден"));
    QDir().mkpath(outDir);
    const QString profile = QDir(profileParent).filePath(
        QStringLiteral("lo-profile-") + QUuid::createUuid().toString(QUuid::Id128));
    QProcess process;
    process.setProgram(converter);
    process.setArguments({QStringLiteral("-env:UserInstallation=") + QUrl::fromLocalFile(profile).toString(),
                          QStringLiteral("--headless"), QStringLiteral("--norestore"),
                          QStringLiteral("--convert-to"), target, QStringLiteral("--outdir"),
                          QDir::toNativeSeparators(outDir), QDir::toNativeSeparators(input)});
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start();
    const bool finished = process.waitForStarted(30000) && process.waitForFinished(timeoutMs);
    if (!finished) {
        process.kill();
        process.waitForFinished(5000);
    }
    QDir(profile).removeRecursively();
    const QString ext = target.section(QLatin1Char(':'), 0, 0);
    const QString output = QDir(outDir).filePath(QFileInfo(input).completeBaseName() + QLatin1Char('.') + ext);
    if (!finished || process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0
        || !QFileInfo(output).isFile())
        throw DokravaError(QStringLiteral("LibreOffice не смог преобразовать файл \"%1\" в формат %2")
                               .arg(QFileInfo(input).fileName(), ext));
    return output;
}

} // namespace OfficeConverter
