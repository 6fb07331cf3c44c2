#include "word/WordLanguage.h"

#include "word/DocxDocument.h"

namespace dokrava {

namespace {

TBlockDialect makeDialect()
{
    using Id = TBlockDialect::UniqueId;
    TBlockDialect d;
    d.paragraphs = {QStringLiteral("w:p")};
    d.table = QStringLiteral("w:tbl");
    d.rows = {QStringLiteral("w:tr")};
    d.cells = {QStringLiteral("w:tc")};
    d.frames = {QStringLiteral("w:txbxContent")};
    d.textHolder = QStringLiteral("w:t");
    d.stops = {QStringLiteral("w:tab"), QStringLiteral("w:br"),  QStringLiteral("w:cr"),
               QStringLiteral("w:ptab"), QStringLiteral("w:sym"), QStringLiteral("w:noBreakHyphen")};
    d.objects = {QStringLiteral("w:drawing"), QStringLiteral("w:pict"), QStringLiteral("w:object")};
    d.skipped = {QStringLiteral("w:instrText"), QStringLiteral("w:delText"), QStringLiteral("w:del"),
                 QStringLiteral("w:rPr"), QStringLiteral("w:pPr"), QStringLiteral("w:delInstrText")};
    d.fieldCase = Qt::CaseInsensitive;
    d.trimsNames = false;
    d.uniqueIds = {
        Id{QStringLiteral("w:p"), QStringLiteral("w14:paraId"), Id::Hex, QStringLiteral("paraId")},
        Id{QStringLiteral("w:p"), QStringLiteral("w14:textId"), Id::Hex, QStringLiteral("textId")},
        Id{QStringLiteral("w:bookmarkStart"), QStringLiteral("w:id"), Id::Number, QStringLiteral("bookmark")},
        Id{QStringLiteral("w:bookmarkEnd"), QStringLiteral("w:id"), Id::Number, QStringLiteral("bookmark")},
        Id{QStringLiteral("w:bookmarkStart"), QStringLiteral("w:name"), Id::Name, QString()},
        Id{QStringLiteral("wp:docPr"), QStringLiteral("id"), Id::Number, QStringLiteral("drawing")},
    };
    return d;
}

} // namespace

TLanguageRecords WordLanguageRecords(const TWordFields &fields)
{
    TLanguageRecords records;
    records.fields = WordLanguageFields(fields);
    records.columns = int(fields.headers.size());
    const QList<QStringList> group = fields.group.isEmpty() ? QList<QStringList>{fields.record} : fields.group;
    for (const QStringList &record : group) {
        QStringList values = record;
        while (values.size() < fields.headers.size())
            values.append(QString());
        values = values.mid(0, fields.headers.size());
        if (fields.personal)
            for (const auto &[name, value] : *fields.personal)
                values.append(value);
        records.records.append(values);
    }
    return records;
}

const TBlockDialect &WordBlockDialect()
{
    static const TBlockDialect dialect = makeDialect();
    return dialect;
}

QStringList WordLanguageFields(const TWordFields &fields)
{
    QStringList names = fields.headers;
    if (fields.personal)
        for (const auto &[name, value] : *fields.personal)
            names.append(name);
    return names;
}

QStringList WordLanguageParts(DocxDocument &doc, const TWordFields &fields)
{
    QStringList parts{doc.mainPart()};
    if (fields.personal && fields.Colontit)
        for (const QString &part : doc.headerParts() + doc.footerParts())
            if (!parts.contains(part, Qt::CaseInsensitive))
                parts.append(part);
    return parts;
}

bool WordUsesLanguage(DocxDocument &doc, const TWordFields &fields)
{
    const TemplateBlocks blocks(WordBlockDialect(), WordLanguageFields(fields), int(fields.headers.size()));
    for (const QString &part : WordLanguageParts(doc, fields))
        if (XmlNode *tree = doc.partTree(part); tree && blocks.uses(tree))
            return true;
    return false;
}

std::optional<TTemplateLanguageError> WordLanguageError(DocxDocument &doc, const TWordFields &fields)
{
    const TemplateBlocks blocks(WordBlockDialect(), WordLanguageFields(fields), int(fields.headers.size()));
    for (const QString &part : WordLanguageParts(doc, fields))
        if (XmlNode *tree = doc.partTree(part))
            if (auto error = blocks.firstError(tree, part == doc.mainPart()))
                return error;
    return std::nullopt;
}

TemplateBlocks::Use WordLanguageUse(DocxDocument &doc, const TWordFields &fields)
{
    const TemplateBlocks blocks(WordBlockDialect(), WordLanguageFields(fields), int(fields.headers.size()));
    TemplateBlocks::Use use;
    for (const QString &part : WordLanguageParts(doc, fields)) {
        XmlNode *tree = doc.partTree(part);
        if (!tree)
            continue;
        const TemplateBlocks::Use of = blocks.use(tree);
        use.lines = use.lines || of.lines;
        use.numericConditions += of.numericConditions;
        for (const QString &field : of.groupFields)
            if (!use.groupFields.contains(field, Qt::CaseInsensitive))
                use.groupFields.append(field);
    }
    return use;
}

TWordFields ExpandWordLanguage(DocxDocument &doc, const TWordFields &fields)
{
    const TLanguageRecords records = WordLanguageRecords(fields);
    const TemplateBlocks blocks(WordBlockDialect(), records.fields, records.columns);
    QList<QPair<QString, QString>> extra;
    bool any = false;
    for (const QString &part : WordLanguageParts(doc, fields)) {
        XmlNode *tree = doc.partTree(part);
        if (!tree || !blocks.uses(tree))
            continue;
        blocks.expand(tree, part == doc.mainPart(), records, extra);
        doc.markEdited(part);
        any = true;
    }
    if (!any)
        return fields;
    blocks.addTotals(doc.bracketedFields(), records, extra);
    return WordFieldsWith(fields, extra);
}

TWordFields WordFieldsWith(const TWordFields &fields, const QList<QPair<QString, QString>> &extra)
{
    TWordFields out = fields;
    while (out.record.size() < out.headers.size())
        out.record.append(QString());
    out.record = out.record.mid(0, out.headers.size());
    for (const auto &[name, value] : extra) {
        out.headers.append(name);
        out.record.append(value);
    }
    out.group.clear();
    return out;
}

} // namespace dokrava
