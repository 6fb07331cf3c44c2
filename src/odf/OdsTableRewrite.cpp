#include "odf/OdsTableRewrite.h"

#include "base/DokravaError.h"
#include "base/TextGrid.h"
#include "base/XmlEdit.h"
#include "base/XmlEscape.h"
#include "odf/OdsContentReader.h"
#include "odf/OdtText.h"

#include <QMap>
#include <QRegularExpression>
#include <QSet>

#include <algorithm>

namespace dokrava {

namespace {

using Element = XmlEdit::Element;

// An office suite's sheet has at most 16 384 columns; repeats beyond come from damaged files.
constexpr qint64 kMaxCols = 16384;
// Row counts are added up; a hostile file must not make the sum overflow.
constexpr qint64 kMaxRowIndex = 1LL << 50;

const QString kEmptyCell = QStringLiteral("<table:table-cell/>");

struct SourceRow
{
    Element row;
    qint64 repeat = 1;
    QList<Element> cells; // its table-cell and covered-table-cell children, in order
};

bool named(const Element &e, const char *qualifiedName)
{
    return e.qualifiedName == QLatin1String(qualifiedName);
}

bool isCell(const Element &e)
{
    return named(e, "table:table-cell") || named(e, "table:covered-table-cell");
}

bool holdsRows(const Element &e)
{
    return named(e, "table:table-row") || named(e, "table:table-rows") || named(e, "table:table-header-rows")
           || named(e, "table:table-row-group");
}

// The same reading of a repeat count as the table reader's.
qint64 repeatOf(const Element &e, const char *localName)
{
    bool ok = false;
    const qint64 n = XmlEdit::attribute(e.attributes, QLatin1String(localName)).toLongLong(&ok);
    return ok && n > 1 ? std::min<qint64>(n, 1LL << 40) : 1;
}


QString emptyCells(qint64 n)
{
    if (n <= 0)
        return QString();
    if (n == 1)
        return kEmptyCell;
    return QStringLiteral("<table:table-cell table:number-columns-repeated=\"%1\"/>").arg(n);
}

QString emptyRows(qint64 n)
{
    if (n <= 0)
        return QString();
    const QString repeat = n > 1 ? QStringLiteral(" table:number-rows-repeated=\"%1\"").arg(n) : QString();
    return QStringLiteral("<table:table-row%1>%2</table:table-row>").arg(repeat, kEmptyCell);
}

class Rewriter
{
public:
    Rewriter(const QString &xml, const TTextGrid &grid)
        : m_ed(xml, QStringLiteral("content.xml"))
        , m_grid(grid)
    {
    }
    QString run();

private:
    const QString &xml() const { return m_ed.text(); }
    QString cellText(const Element &cell) const
    {
        return OdsContentReader::ExtractParagraphText(xml().mid(cell.start, cell.end - cell.start));
    }
    bool holdsValue(const Element &cell) const;
    bool keptColumn(qint64 col) const
    {
        return (col < m_lastNamed && !m_named.contains(col)) || m_beyond.contains(col);
    }
    void readRows(qsizetype tableIndex);
    void findColumns();
    QMap<qint64, QString> keptCells(const SourceRow &row, bool *value) const;
    QString cellCopy(const Element &cell) const;
    QString rowTag(const Element *row, qint64 repeat) const;
    QString rowXml(const QString &tag, const QMap<qint64, QString> &kept, qint64 gridRow, const SourceRow *source) const;
    const Element *cellAt(const SourceRow &row, qint64 col) const;
    QString newRows() const;

    XmlEdit m_ed;
    const TTextGrid &m_grid;
    QList<Element> m_holders;  // children of the table that hold its rows
    QList<SourceRow> m_rows;   // from the header row on
    QList<qint64> m_named;     // columns of the field names, ascending
    qint64 m_lastNamed = -1;
    QSet<qint64> m_beyond;     // columns after the last named one that hold a value in some row
    qint64 m_keptLimit = 0;    // no kept column at or after this one
    QList<qint64> m_fieldCols; // the column of each grid field
};

bool Rewriter::holdsValue(const Element &cell) const
{
    if (!XmlEdit::attribute(cell.attributes, QStringLiteral("value-type")).isEmpty())
        return true;
    return !cell.isEmpty() && !cellText(cell).isEmpty();
}

void Rewriter::readRows(qsizetype tableIndex)
{
    const QList<Element> &all = m_ed.elements();
    const Element &table = all[tableIndex];
    qsizetype holderEnd = -1;
    for (qsizetype i = tableIndex + 1; i < all.size() && all[i].start < table.end; ++i) {
        const Element &e = all[i];
        if (e.depth == table.depth + 1) {
            holderEnd = holdsRows(e) ? e.end : -1;
            if (holderEnd >= 0)
                m_holders << e;
        }
        if (holderEnd < 0 || e.start >= holderEnd)
            continue;
        // Rows of a table nested in a cell are that cell's content, not rows of this table.
        const bool nested = !m_rows.isEmpty() && e.start < m_rows.last().row.end;
        if (named(e, "table:table-row") && !nested)
            m_rows << SourceRow{e, repeatOf(e, "number-rows-repeated"), {}};
        else if (isCell(e) && nested && e.depth == m_rows.last().row.depth + 1)
            m_rows.last().cells << e;
    }
    // The reader takes the first row with a cell for the header row; rows before it hold nothing.
    const auto header = std::find_if(m_rows.cbegin(), m_rows.cend(), [](const SourceRow &r) {
        return std::any_of(r.cells.cbegin(), r.cells.cend(), [](const Element &c) { return named(c, "table:table-cell"); });
    });
    m_rows.erase(m_rows.cbegin(), header);
}

void Rewriter::findColumns()
{
    if (!m_rows.isEmpty()) {
        QMap<QString, qint64> names; // a name met again keeps the later column, as the reader does
        qint64 col = 0;
        for (const Element &cell : std::as_const(m_rows.first().cells)) {
            const qint64 count = repeatOf(cell, "number-columns-repeated");
            const QString name = OdsContentReader::FieldName(cellText(cell));
            if (!name.isEmpty())
                names.insert(name, col + count - 1);
            col += count;
        }
        m_named = names.values();
        std::sort(m_named.begin(), m_named.end());
        m_lastNamed = m_named.isEmpty() ? -1 : m_named.last();
    }
    qint64 lastBeyond = m_lastNamed;
    for (const SourceRow &row : std::as_const(m_rows)) {
        qint64 col = 0;
        for (const Element &cell : row.cells) {
            const qint64 end = std::min(col + repeatOf(cell, "number-columns-repeated"), kMaxCols);
            if (end - 1 > m_lastNamed && holdsValue(cell)) {
                for (qint64 p = std::max(col, m_lastNamed + 1); p < end; ++p)
                    m_beyond.insert(p);
                lastBeyond = std::max(lastBeyond, end - 1);
            }
            col = end;
            if (col >= kMaxCols)
                break;
        }
    }
    m_keptLimit = lastBeyond + 1;
    qint64 free = m_lastNamed + 1;
    for (int k = 0; k + 1 < m_grid.colCount(); ++k) {
        if (k < m_named.size()) {
            m_fieldCols << m_named[k];
            continue;
        }
        while (m_beyond.contains(free))
            ++free;
        m_fieldCols << free++;
    }
}

QString Rewriter::cellCopy(const Element &cell) const
{
    // Each kept column gets a copy of its own; a merged area around it is gone.
    static const QRegularExpression spread(
        QStringLiteral("\\s+table:number-(columns-repeated|columns-spanned|rows-spanned)\\s*=\\s*(\"[^\"]*\"|'[^']*')"));
    QString tag = xml().mid(cell.start, cell.startTagEnd - cell.start);
    tag.remove(spread);
    QString body = xml().mid(cell.startTagEnd, cell.end - cell.startTagEnd);
    if (named(cell, "table:covered-table-cell")) {
        // Without its merged area a covered cell is an ordinary one that keeps what it holds.
        tag.replace(0, cell.qualifiedName.size() + 1, QStringLiteral("<table:table-cell"));
        if (!body.isEmpty())
            body = body.left(body.lastIndexOf(QLatin1String("</"))) + QStringLiteral("</table:table-cell>");
    }
    return tag + body;
}

QMap<qint64, QString> Rewriter::keptCells(const SourceRow &row, bool *value) const
{
    QMap<qint64, QString> kept;
    *value = false;
    qint64 col = 0;
    for (const Element &cell : row.cells) {
        const qint64 end = std::min(col + repeatOf(cell, "number-columns-repeated"), m_keptLimit);
        QString copy;
        for (qint64 p = col; p < end; ++p) {
            if (!keptColumn(p))
                continue;
            if (copy.isNull()) {
                copy = cellCopy(cell);
                *value = *value || holdsValue(cell);
            }
            kept.insert(p, copy);
        }
        col = end;
        if (col >= m_keptLimit)
            break;
    }
    return kept;
}

QString Rewriter::rowTag(const Element *row, qint64 repeat) const
{
    static const QRegularExpression repeated(
        QStringLiteral("\\s+table:number-rows-repeated\\s*=\\s*(\"[^\"]*\"|'[^']*')"));
    QString tag = row ? xml().mid(row->start, row->startTagEnd - row->start) : QStringLiteral("<table:table-row>");
    tag.remove(repeated);
    if (tag.endsWith(QLatin1String("/>")))
        tag = tag.chopped(2) + QLatin1Char('>');
    if (repeat > 1)
        tag.insert(tag.size() - 1, QStringLiteral(" table:number-rows-repeated=\"%1\"").arg(repeat));
    return tag;
}

const Element *Rewriter::cellAt(const SourceRow &row, qint64 col) const
{
    qint64 at = 0;
    for (const Element &cell : row.cells) {
        at += repeatOf(cell, "number-columns-repeated");
        if (col < at)
            return &cell;
        if (at >= kMaxCols)
            break;
    }
    return nullptr;
}

QString Rewriter::rowXml(const QString &tag, const QMap<qint64, QString> &kept, qint64 gridRow,
                         const SourceRow *source) const
{
    QMap<qint64, QString> cells = kept;
    if (gridRow >= 0) {
        for (int k = 0; k < m_fieldCols.size(); ++k) {
            const QString text = m_grid.cell(k + 1, int(gridRow));
            // A cell that reads as the grid shows it keeps its type, style and formula.
            const Element *old = source ? cellAt(*source, m_fieldCols[k]) : nullptr;
            if (old && cellText(*old) == text)
                cells.insert(m_fieldCols[k], cellCopy(*old));
            else
                cells.insert(m_fieldCols[k], text.isEmpty() ? kEmptyCell : OdsTextCell(text));
        }
    }
    QString out = tag;
    qint64 next = 0;
    for (auto it = cells.cbegin(); it != cells.cend(); ++it) {
        out += emptyCells(it.key() - next) + it.value();
        next = it.key() + 1;
    }
    if (cells.isEmpty())
        out += kEmptyCell; // a row holds at least one cell
    return out + QStringLiteral("</table:table-row>");
}

QString Rewriter::newRows() const
{
    const qint64 gridRows = m_grid.rowCount();
    QString out;
    qint64 index = 0;
    qint64 pendingEmpty = 0; // rows beyond the grid, written only when a kept value follows
    for (const SourceRow &row : m_rows) {
        bool value = false;
        const QMap<qint64, QString> kept = keptCells(row, &value);
        const qint64 inGrid = std::clamp<qint64>(gridRows - index, 0, row.repeat);
        for (qint64 k = 0; k < inGrid; ++k)
            out += rowXml(rowTag(&row.row, 1), kept, index + k, &row);
        const qint64 rest = row.repeat - inGrid;
        if (rest > 0 && value) {
            out += emptyRows(pendingEmpty) + rowXml(rowTag(&row.row, rest), kept, -1, nullptr);
            pendingEmpty = 0;
        } else {
            pendingEmpty = std::min(pendingEmpty + rest, kMaxRowIndex);
        }
        index = std::min(index + row.repeat, kMaxRowIndex);
    }
    for (; index < gridRows; ++index)
        out += rowXml(rowTag(nullptr, 1), {}, index, nullptr);
    return out;
}

QString Rewriter::run()
{
    const QList<Element> &all = m_ed.elements();
    const auto table = std::find_if(all.cbegin(), all.cend(), [](const Element &e) { return named(e, "table:table"); });
    if (table == all.cend())
        throw DokravaError(QStringLiteral("Таблица не найдена в content.xml"));
    readRows(table - all.cbegin());
    findColumns();
    const QString rows = newRows();
    if (!m_holders.isEmpty()) {
        m_ed.replace(m_holders.first(), rows);
        for (qsizetype i = 1; i < m_holders.size(); ++i)
            m_ed.remove(m_holders[i]);
    } else if (table->isEmpty()) {
        const QString start = xml().mid(table->start, table->startTagEnd - table->start).chopped(2);
        m_ed.replace(*table, start + QLatin1Char('>') + rows + QStringLiteral("</%1>").arg(table->qualifiedName));
    } else {
        m_ed.insert(xml().lastIndexOf(QLatin1String("</"), table->end - 1), rows);
    }
    return m_ed.apply();
}

} // namespace

QString OdsTextCell(const QString &text)
{
    // Characters XML forbids would make the whole file unreadable: they are dropped. A raw
    // carriage return would come back as a line feed, so it is written as a reference.
    return QStringLiteral("<table:table-cell office:value-type=\"string\"><text:p>")
           + XmlEscaped(DropForbiddenXmlChars(text), XmlEscapeFor::Markup).replace(QLatin1Char('\r'), QLatin1String("&#13;"))
           + QStringLiteral("</text:p></table:table-cell>");
}

QString RewriteFirstTable(const QString &contentXml, const TTextGrid &grid)
{
    return Rewriter(contentXml, grid).run();
}

} // namespace dokrava
