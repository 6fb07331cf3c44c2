#include "odf/OdtLanguage.h"

#include "base/TemplateLanguage.h"
#include "base/XmlNode.h"

namespace dokrava {

namespace {

TBlockDialect makeDialect()
{
    using Id = TBlockDialect::UniqueId;
    TBlockDialect d;
    d.paragraphs = {QStringLiteral("text:p"), QStringLiteral("text:h")};
    d.table = QStringLiteral("table:table");
    d.rows = {QStringLiteral("table:table-row")};
    d.cells = {QStringLiteral("table:table-cell"), QStringLiteral("table:covered-table-cell")};
    d.listItem = QStringLiteral("text:list-item");
    d.list = QStringLiteral("text:list");
    d.frames = {QStringLiteral("draw:text-box")};
    d.stops = {QStringLiteral("text:s"), QStringLiteral("text:tab"), QStringLiteral("text:line-break")};
    d.objects = {QStringLiteral("draw:frame"), QStringLiteral("draw:custom-shape"), QStringLiteral("draw:g"),
                 QStringLiteral("draw:rect"), QStringLiteral("draw:line"), QStringLiteral("draw:ellipse"),
                 QStringLiteral("text:note")};
    d.skipped = {QStringLiteral("office:annotation"), QStringLiteral("text:tracked-changes")};
    d.fieldCase = Qt::CaseSensitive;
    d.trimsNames = true;
    d.uniqueIds = {
        Id{QString(), QStringLiteral("xml:id"), Id::Name, QString()},
        Id{QStringLiteral("draw:frame"), QStringLiteral("draw:name"), Id::Name, QString()},
        Id{QStringLiteral("table:table"), QStringLiteral("table:name"), Id::Name, QString()},
        Id{QStringLiteral("text:bookmark"), QStringLiteral("text:name"), Id::Name, QString()},
        Id{QStringLiteral("text:bookmark-start"), QStringLiteral("text:name"), Id::Name, QString()},
        Id{QStringLiteral("text:bookmark-end"), QStringLiteral("text:name"), Id::Name, QString()},
    };
    return d;
}

bool isContent(const QString &partName)
{
    return partName == QLatin1String("content.xml");
}

} // namespace

const TBlockDialect &OdtBlockDialect()
{
    static const TBlockDialect dialect = makeDialect();
    return dialect;
}

bool OdtTextMayUseLanguage(const QString &text)
{
    for (const TPlaceholderSpan &span : FindPlaceholders(text))
        if (!span.inTag && MayBeLanguageToken(span.name))
            return true;
    return false;
}

std::unique_ptr<XmlNode> OdtPartTree(const QString &text, const QString &partName)
{
    return XmlNode::parse(text.toUtf8(), partName);
}

TLanguageRecords OdtLanguageRecords(const QList<TFieldValues> &Group)
{
    TLanguageRecords records;
    if (Group.isEmpty())
        return records;
    for (const auto &pair : Group.first())
        records.fields.append(pair.first);
    records.columns = int(records.fields.size());
    records.records.reserve(Group.size());
    for (const TFieldValues &data : Group) {
        QStringList values;
        values.reserve(data.size());
        for (const auto &pair : data)
            values.append(pair.second);
        records.records.append(values);
    }
    return records;
}

QString ExpandOdtPart(XmlNode *tree, const QString &partName, const TLanguageRecords &records, TFieldValues &extra)
{
    QList<QPair<QString, QString>> pairs = extra;
    TemplateBlocks(OdtBlockDialect(), records.fields, records.columns).expand(tree, isContent(partName), records, pairs);
    extra = pairs;
    return QString::fromUtf8(tree->serialize());
}

void AddOdtTotals(const QStringList &names, const TLanguageRecords &records, TFieldValues &extra)
{
    QList<QPair<QString, QString>> pairs = extra;
    TemplateBlocks(OdtBlockDialect(), records.fields, records.columns).addTotals(names, records, pairs);
    extra = pairs;
}

QList<TemplateBlocks::Total> OdtTotals(const QStringList &names, const QStringList &fields)
{
    return TemplateBlocks(OdtBlockDialect(), fields, int(fields.size())).totalsOf(names);
}

void AddOdtTotals(const QList<TemplateBlocks::Total> &totals, const TLanguageRecords &records, TFieldValues &extra)
{
    QList<QPair<QString, QString>> pairs = extra;
    TemplateBlocks::addTotals(totals, records, pairs);
    extra = pairs;
}

std::optional<TTemplateLanguageError> OdtLanguageError(XmlNode *tree, const QString &partName, const QStringList &fields)
{
    return TemplateBlocks(OdtBlockDialect(), fields, int(fields.size())).firstError(tree, isContent(partName));
}

bool OdtTreeUsesLanguage(XmlNode *tree, const QStringList &fields)
{
    return TemplateBlocks(OdtBlockDialect(), fields, int(fields.size())).uses(tree);
}

} // namespace dokrava
