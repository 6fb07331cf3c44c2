#include "office/OfficeConverter.h"

#include "base/DokravaError.h"
#include "office/ConvertDocument.h"

#include <QDir>
#include <QFileInfo>

namespace dokrava {

namespace OfficeConverter {

QString convert(const QString &converter, const QString &input, const QString &outDir,
                const QString &target, int timeoutMs)
{
    if (converter.isEmpty() || !QFileInfo(converter).isFile())
        throw DokravaError(QStringLiteral("LibreOffice не найден"));
    QDir().mkpath(outDir);
    // The one conversion of a document: its profile folder, process-tree ending and stale-output
    // removal apply here too.
    ConversionOptions options;
    options.waitMs = timeoutMs;
    const QString output = ConvertDocument(input, target, outDir, converter, options);
    if (output.isEmpty())
        throw DokravaError(QStringLiteral("LibreOffice не смог преобразовать файл \"%1\" в формат %2")
                               .arg(QFileInfo(input).fileName(), target.section(QLatin1Char(':'), 0, 0)));
    return output;
}

TFileConverter fileConverter(const QString &converterPath)
{
    if (converterPath.isEmpty())
        return {};
    return [converterPath](const QString &input, const QString &outDir, const QString &target) {
        return convert(converterPath, input, outDir, target);
    };
}

} // namespace OfficeConverter

} // namespace dokrava
