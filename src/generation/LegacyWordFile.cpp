#include "generation/LegacyWordFile.h"

#include "base/DokravaError.h"
#include "generation/TemplateKind.h"

#include <QDir>

namespace dokrava {

QString LegacyWordFormat(const QString &suffix)
{
    if (suffix == QLatin1String("rtf"))
        return QStringLiteral("rtf");
    return QStringLiteral("doc:MS Word 97");
}

bool IsLegacyWordOutput(const QString &suffix)
{
    return suffix == QLatin1String("doc") || suffix == QLatin1String("dot") || suffix == QLatin1String("rtf");
}

bool IsLegacyWordFile(const QString &path)
{
    // Only a ".doc" holds the legacy format; a ".docx" that is no package is a broken file, and
    // handing it to the converter would turn its bytes into a document of garbage.
    return !IsZipPackage(path) && TemplateKindOf(path) != TemplateKind::Docx;
}

QString ConvertToDocx(const QString &path, const QString &folder, const QString &converter, int waitMs,
                      const std::atomic<bool> *stop)
{
    if (converter.isEmpty())
        throw DokravaError(QStringLiteral("Для шаблонов .doc нужен LibreOffice"));
    ConversionOptions options;
    options.waitMs = waitMs;
    options.stop = stop;
    const QString docx = ConvertDocument(path, QStringLiteral("docx:MS Word 2007 XML"), folder, converter, options);
    if (docx.isEmpty())
        throw DokravaError(QStringLiteral("Не удалось открыть шаблон %1").arg(QDir::toNativeSeparators(path)));
    return docx;
}

} // namespace dokrava
