#include "word/WordFiller.h"

#include "word/DocxDocument.h"

#include <QFile>

namespace {

QString placeholder(const QString &name)
{
    return QLatin1Char('[') + name + QLatin1Char(']');
}

} // namespace

void FillWordDocument(DocxDocument &doc, TReplaceOptions options, const TWordFields &fields)
{
    const int columns = int(fields.headers.size());
    for (int c = 0; c < columns; ++c)
        doc.replaceInMainText(placeholder(fields.headers[c]), fields.record.value(c), options.replaceAll);
    if (!fields.personal)
        return;
    for (const auto &[name, value] : *fields.personal)
        doc.replaceInMainText(placeholder(name), value, options.replaceAll);
    if (!fields.Colontit)
        return;
    for (int c = 0; c < columns; ++c)
        doc.replaceInHeadersFooters(placeholder(fields.headers[c]), fields.record.value(c));
}

bool IsZipPackage(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) && f.read(4) == QByteArray("PK\x03\x04", 4);
}
