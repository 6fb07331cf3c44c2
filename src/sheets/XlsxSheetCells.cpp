#include "sheets/XlsxSheetCells.h"

#include "base/DokravaError.h"
#include "base/XmlEdit.h"
#include "base/XmlEscape.h"
#include "sheets/XlsxWorkbook.h"

#include <QRegularExpression>

#include <algorithm>

namespace dokrava {

namespace XlsxSheetCells {

namespace {

using Element = XmlEdit::Element;

bool isNamed(const Element &e, const char *localName)
{
    const qsizetype colon = e.qualifiedName.indexOf(QLatin1Char(':'));
    return QStringView(e.qualifiedName).mid(colon + 1) == QLatin1String(localName);
}

QString attr(const Element &e, const char *localName)
{
    return XmlEdit::attribute(e.attributes, QLatin1String(localName));
}

// The relationship id attribute (r:id) in the transitional or the strict namespace.
QString relId(const Element &e)
{
    for (const QXmlStreamAttribute &a : e.attributes)
        if (a.name() == QLatin1String("id") && a.namespaceUri().toString().contains(QLatin1String("relationships")))
            return a.value().toString();
    return QString();
}

QString damaged(const QString &part, const QString &why)
{
    return QStringLiteral("Повреждена часть \"%1\" книги: %2").arg(part, why);
}

struct SourceCell
{
    int row = 0;
    int col = 0;
    Element cell;
    Element formula; // its <f>; start == -1 when it has none
    bool replaced = false;
};

struct SourceRow
{
    Element element;
    QList<SourceCell> cells;
    bool merged = false; // several row elements carry this number
};

// A shared formula whose defining cell is replaced has lost its text: the cells that borrowed
// it keep their last result only.
bool lostFormula(const SourceCell &c, const QSet<QString> &lostShared)
{
    return c.formula.start >= 0 && attr(c.formula, "t") == QLatin1String("shared") && attr(c.formula, "ref").isEmpty()
           && lostShared.contains(attr(c.formula, "si"));
}

// One end of a range: column letters, row digits, either may be missing; "$" is ignored.
bool parseEnd(QStringView text, int *row, int *col)
{
    QString plain = text.toString();
    plain.remove(QLatin1Char('$'));
    qsizetype i = 0;
    int c = 0;
    while (i < plain.size() && plain[i].isLetter() && plain[i].unicode() < 128) {
        c = c * 26 + (plain[i].toUpper().unicode() - 'A' + 1);
        if (c > kMaxCols)
            return false;
        ++i;
    }
    bool ok = true;
    const int r = i < plain.size() ? QStringView(plain).mid(i).toInt(&ok) : 0;
    if (!ok || r < 0 || r > kMaxRows || (r == 0 && c == 0))
        return false;
    *row = r;
    *col = c;
    return true;
}

class SheetRewrite
{
public:
    SheetRewrite(const QString &xml, const QString &part, const Area &area, const Values &values, int textStyle)
        : m_ed(xml, part), m_part(part), m_area(area), m_values(values), m_style(QString::number(textStyle))
    {
    }
    QString run(const TableRange &tableRange, QStringList &droppedTables);

private:
    const QString &xml() const { return m_ed.text(); }
    void readRows(qsizetype sheetDataIndex);
    QString sheetData(const Element &sheetData) const;
    QString rowXml(int number, const SourceRow *src, const std::map<int, QString> *values, const QString &prefix) const;
    QString keptCell(const SourceCell &c) const;
    QString newCell(const QString &p, int row, int col, const QString &text) const;
    QString dimension() const;
    void dropChildren(const char *parent, const char *child, const std::function<bool(const Element &)> &meets,
                      const std::function<void(const Element &)> &onDrop);

    XmlEdit m_ed;
    QString m_part;
    const Area &m_area;
    const Values &m_values;
    QString m_style;
    std::map<int, SourceRow> m_rows;
    QSet<QString> m_lostShared;
};

void SheetRewrite::readRows(qsizetype index)
{
    const QList<Element> &all = m_ed.elements();
    const Element &data = all[index];
    SourceRow *row = nullptr;
    int lastRow = 0, lastCol = 0;
    for (qsizetype i = index + 1; i < all.size() && all[i].start < data.end; ++i) {
        const Element &e = all[i];
        if (e.depth == data.depth + 1 && isNamed(e, "row")) {
            const int r = attr(e, "r").toInt();
            lastRow = r > 0 ? r : lastRow + 1;
            lastCol = 0;
            const bool seen = m_rows.count(lastRow) > 0;
            row = &m_rows[lastRow];
            row->merged = seen;
            if (!seen)
                row->element = e;
        } else if (e.depth == data.depth + 2 && isNamed(e, "c") && row) {
            SourceCell c{lastRow, lastCol + 1, e, Element(), false};
            c.formula.start = -1;
            const QString ref = attr(e, "r");
            if (!ref.isEmpty() && !parseCellRef(ref, &c.row, &c.col))
                throw DokravaError(damaged(m_part, QStringLiteral("неверная ссылка на ячейку")));
            lastCol = c.col;
            c.replaced = m_area.contains(c.row, c.col);
            row->cells << c;
        } else if (e.depth == data.depth + 3 && isNamed(e, "f") && row && !row->cells.isEmpty()) {
            SourceCell &c = row->cells.last();
            c.formula = e;
            if (c.replaced && attr(e, "t") == QLatin1String("shared") && !attr(e, "ref").isEmpty())
                m_lostShared << attr(e, "si");
        }
    }
}

QString SheetRewrite::keptCell(const SourceCell &c) const
{
    QString text = xml().mid(c.cell.start, c.cell.end - c.cell.start);
    if (lostFormula(c, m_lostShared))
        text.remove(c.formula.start - c.cell.start, c.formula.end - c.formula.start);
    // Cells before it may be gone or new: its place must no longer follow from theirs.
    if (attr(c.cell, "r").isEmpty())
        text.insert(1 + c.cell.qualifiedName.size(),
                    QStringLiteral(" r=\"%1%2\"").arg(XlsxWorkbook::columnName(c.col)).arg(c.row));
    return text;
}

QString SheetRewrite::newCell(const QString &p, int row, int col, const QString &text) const
{
    QString out = QLatin1Char('<') + p + QLatin1String("c r=\"") + XlsxWorkbook::columnName(col) + QString::number(row)
                  + QLatin1String("\" s=\"") + m_style;
    if (text.isEmpty())
        return out + QLatin1String("\"/>"); // an empty text leaves the cell without value, formatted as text
    const bool keepSpace = text.front().isSpace() || text.back().isSpace() || text.contains(QLatin1Char('\n'));
    out += QLatin1String("\" t=\"inlineStr\"><") + p + QLatin1String("is><") + p + QLatin1Char('t');
    out += keepSpace ? QLatin1String(" xml:space=\"preserve\">") : QLatin1String(">");
    AppendXmlEscaped(out, XlsxWorkbook::encodeEscapes(text), XmlEscapeFor::Text);
    return out + QLatin1String("</") + p + QLatin1String("t></") + p + QLatin1String("is></") + p + QLatin1String("c>");
}

QString SheetRewrite::rowXml(int number, const SourceRow *src, const std::map<int, QString> *values,
                             const QString &prefix) const
{
    if (src && !values && !src->merged
        && std::none_of(src->cells.cbegin(), src->cells.cend(),
                        [this](const SourceCell &c) { return c.replaced || lostFormula(c, m_lostShared); }))
        return xml().mid(src->element.start, src->element.end - src->element.start);
    std::map<int, QString> cells;
    if (src)
        for (const SourceCell &c : src->cells)
            if (!c.replaced)
                cells.emplace(c.col, keptCell(c));
    if (values)
        for (const auto &[col, text] : *values)
            cells[col] = newCell(prefix, number, col, text);
    if (cells.empty())
        return QString(); // nothing of the row is left
    QString tag = QStringLiteral("<%1row r=\"%2\">").arg(prefix).arg(number);
    QString close = QStringLiteral("</%1row>").arg(prefix);
    if (src) {
        // The row keeps its own attributes (height, hidden, style); its cell span may have changed.
        static const QRegularExpression spans(QStringLiteral("\\s+spans\\s*=\\s*(\"[^\"]*\"|'[^']*')"));
        const Element &e = src->element;
        tag = xml().mid(e.start, e.startTagEnd - e.start).remove(spans);
        if (tag.endsWith(QLatin1String("/>")))
            tag = tag.chopped(2) + QLatin1Char('>');
        if (attr(e, "r").isEmpty())
            tag.insert(1 + e.qualifiedName.size(), QStringLiteral(" r=\"%1\"").arg(number));
        close = QStringLiteral("</%1>").arg(e.qualifiedName);
    }
    for (const auto &[col, text] : cells)
        tag += text;
    return tag + close;
}

QString SheetRewrite::sheetData(const Element &data) const
{
    const QString p = data.prefix();
    QString out = QLatin1Char('<') + p + QLatin1String("sheetData>");
    auto s = m_rows.cbegin();
    auto v = m_values.cbegin();
    while (s != m_rows.cend() || v != m_values.cend()) {
        const int n = std::min(s != m_rows.cend() ? s->first : kMaxRows + 1, v != m_values.cend() ? v->first : kMaxRows + 1);
        const bool hasSource = s != m_rows.cend() && s->first == n;
        const bool hasValues = v != m_values.cend() && v->first == n;
        out += rowXml(n, hasSource ? &s->second : nullptr, hasValues ? &v->second : nullptr, p);
        if (hasSource)
            ++s;
        if (hasValues)
            ++v;
    }
    return out + QStringLiteral("</%1sheetData>").arg(p);
}

QString SheetRewrite::dimension() const
{
    int maxRow = 0, maxCol = 0;
    for (const auto &[n, row] : m_rows)
        for (const SourceCell &c : row.cells)
            if (!c.replaced) {
                maxRow = std::max(maxRow, c.row);
                maxCol = std::max(maxCol, c.col);
            }
    for (const auto &[n, cols] : m_values)
        if (!cols.empty()) {
            maxRow = std::max(maxRow, n);
            maxCol = std::max(maxCol, cols.rbegin()->first);
        }
    return maxRow == 0 ? QStringLiteral("A1") : QStringLiteral("A1:") + XlsxWorkbook::columnName(maxCol) + QString::number(maxRow);
}

// Drops the children of each top-level parent that meet the area; a parent left without
// children goes as well, otherwise its count is brought up to date.
void SheetRewrite::dropChildren(const char *parent, const char *child, const std::function<bool(const Element &)> &meets,
                                const std::function<void(const Element &)> &onDrop)
{
    const QList<Element> &all = m_ed.elements();
    for (qsizetype i = 0; i < all.size(); ++i) {
        const Element &p = all[i];
        if (p.depth != 1 || !isNamed(p, parent))
            continue;
        qsizetype children = 0;
        QList<Element> dropped;
        for (qsizetype j = i + 1; j < all.size() && all[j].start < p.end; ++j) {
            if (all[j].depth != 2 || !isNamed(all[j], child))
                continue;
            ++children;
            if (meets(all[j]))
                dropped << all[j];
        }
        for (const Element &d : std::as_const(dropped))
            onDrop(d);
        if (dropped.isEmpty())
            continue;
        if (dropped.size() == children) {
            m_ed.remove(p);
            continue;
        }
        for (const Element &d : std::as_const(dropped))
            m_ed.remove(d);
        if (!attr(p, "count").isEmpty())
            m_ed.setAttribute(p, QStringLiteral("count"), QString::number(children - dropped.size()));
    }
}

QString SheetRewrite::run(const TableRange &tableRange, QStringList &droppedTables)
{
    const QList<Element> &all = m_ed.elements();
    const auto data = std::find_if(all.cbegin(), all.cend(), [](const Element &e) { return e.depth == 1 && isNamed(e, "sheetData"); });
    if (data == all.cend())
        throw DokravaError(damaged(m_part, QStringLiteral("у листа нет данных ячеек")));
    readRows(data - all.cbegin());
    m_ed.replace(*data, sheetData(*data));
    const auto dim = std::find_if(all.cbegin(), all.cend(), [](const Element &e) { return e.depth == 1 && isNamed(e, "dimension"); });
    if (dim != all.cend())
        m_ed.setAttribute(*dim, QStringLiteral("ref"), dimension());
    const auto byRef = [this](const char *name) {
        return [this, name](const Element &e) { return m_area.meets(attr(e, name)); };
    };
    const auto nothing = [](const Element &) {};
    dropChildren("mergeCells", "mergeCell", byRef("ref"), nothing);
    dropChildren("hyperlinks", "hyperlink", byRef("ref"), nothing);
    for (const Element &e : all)
        if (e.depth == 1 && isNamed(e, "conditionalFormatting") && m_area.meets(attr(e, "sqref")))
            m_ed.remove(e);
    dropChildren(
        "tableParts", "tablePart",
        [&](const Element &e) {
            const QString range = tableRange(relId(e));
            return range.isEmpty() || m_area.meets(range);
        },
        [&](const Element &e) { droppedTables << relId(e); });
    return m_ed.apply();
}

} // namespace

bool parseCellRef(QStringView ref, int *row, int *col)
{
    int c = 0;
    qsizetype i = 0;
    while (i < ref.size() && ref[i].isLetter() && ref[i].unicode() < 128) {
        c = c * 26 + (ref[i].toUpper().unicode() - 'A' + 1);
        if (c > kMaxCols)
            return false;
        ++i;
    }
    bool ok = false;
    const int r = ref.mid(i).toInt(&ok);
    if (i == 0 || !ok || r < 1 || r > kMaxRows)
        return false;
    *row = r;
    *col = c;
    return true;
}

bool Area::contains(int row, int col) const
{
    return (row <= rows && col <= cols) || cells.contains((quint64(quint32(row)) << 32) | quint32(col));
}

bool Area::meets(const QString &ranges) const
{
    for (const QString &token : ranges.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        const qsizetype colon = token.indexOf(QLatin1Char(':'));
        int r1 = 0, c1 = 0, r2 = 0, c2 = 0;
        if (!parseEnd(QStringView(token).left(colon < 0 ? token.size() : colon), &r1, &c1))
            return true;
        if (colon < 0) {
            r2 = r1;
            c2 = c1;
        } else if (!parseEnd(QStringView(token).mid(colon + 1), &r2, &c2)) {
            return true;
        }
        // A missing row or column stands for all of them ("A:A", "2:4").
        const int top = std::min(r1 ? r1 : 1, r2 ? r2 : 1), bottom = std::max(r1 ? r1 : kMaxRows, r2 ? r2 : kMaxRows);
        const int left = std::min(c1 ? c1 : 1, c2 ? c2 : 1), right = std::max(c1 ? c1 : kMaxCols, c2 ? c2 : kMaxCols);
        if (top <= rows && left <= cols)
            return true;
        for (const quint64 k : cells) {
            const int r = int(k >> 32), c = int(k & 0xffffffffu);
            if (r >= top && r <= bottom && c >= left && c <= right)
                return true;
        }
    }
    return false;
}

QString rewrite(const QString &xml, const QString &part, const Area &area, const Values &values, int textStyle,
                const TableRange &tableRange, QStringList &droppedTables)
{
    return SheetRewrite(xml, part, area, values, textStyle).run(tableRange, droppedTables);
}

} // namespace XlsxSheetCells

} // namespace dokrava
