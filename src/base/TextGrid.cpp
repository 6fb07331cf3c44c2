#include "base/TextGrid.h"

#include "base/TextRowBuilder.h"

#include <algorithm>

namespace dokrava {

TTextGrid::TTextGrid(const QList<QStringList> &rows)
{
    for (const QStringList &r : rows)
        m_colCount = std::max(m_colCount, int(r.size()));
    m_rows.reserve(rows.size());
    for (const QStringList &r : rows) {
        m_rows.append(TTextRow(r));
        m_rows.last().resize(m_colCount);
    }
}

TTextGrid::TTextGrid(QList<TTextRow> rows) : m_rows(std::move(rows))
{
    for (const TTextRow &r : std::as_const(m_rows))
        m_colCount = std::max(m_colCount, r.size());
    for (TTextRow &r : m_rows)
        r.resize(m_colCount);
}

TTextGrid::TTextGrid(int cols, int rows)
    // Every row shares one block of empty cells until it is written to.
    : m_rows(std::max(rows, 0), TTextRow(std::max(cols, 0))), m_colCount(std::max(cols, 0))
{
}

TTextGrid TTextGrid::fromTable(const QStringList &headers, const QList<QStringList> &records)
{
    const int cols = std::max(2, int(headers.size()) + 1);
    QList<TTextRow> rows;
    rows.reserve(std::max(2, int(records.size()) + 1));
    TTextRowBuilder b;
    for (int j = -1; j < records.size(); ++j) {
        const QStringList &values = j < 0 ? headers : records[j];
        b.append(QStringView());
        for (int k = 0; k < headers.size(); ++k)
            b.append(k < values.size() ? QStringView(values[k]) : QStringView());
        while (b.size() < cols)
            b.append(QStringView());
        rows.append(b.take());
    }
    if (rows.size() < 2)
        rows.append(TTextRow(cols));
    TTextGrid grid;
    grid.m_rows = std::move(rows);
    grid.m_colCount = cols;
    return grid;
}

QString TTextGrid::cell(int col, int row) const
{
    return cellView(col, row).toString();
}

QStringView TTextGrid::cellView(int col, int row) const
{
    if (row < 0 || row >= rowCount() || col < 0 || col >= m_colCount)
        return {};
    return m_rows[row].view(col);
}

void TTextGrid::setCell(int col, int row, const QString &text)
{
    if (row >= 0 && row < rowCount() && col >= 0 && col < m_colCount)
        m_rows[row].set(col, text);
}

QStringList TTextGrid::record(int row) const
{
    if (row < 0 || row >= rowCount())
        return QStringList();
    return m_rows[row].toList().mid(1);
}

QList<QStringList> TTextGrid::rows() const
{
    QList<QStringList> out;
    out.reserve(m_rows.size());
    for (const TTextRow &r : m_rows)
        out.append(r.toList());
    return out;
}

void TTextGrid::setColCount(int count)
{
    m_colCount = std::max(count, 0);
    for (TTextRow &r : m_rows)
        r.resize(m_colCount);
}

void TTextGrid::setRowCount(int count)
{
    count = std::max(count, 0);
    if (count < rowCount())
        m_rows.resize(count);
    else
        m_rows.insert(m_rows.size(), count - rowCount(), TTextRow(m_colCount));
}

void TTextGrid::moveColumn(int from, int to)
{
    for (TTextRow &r : m_rows)
        r.move(from, to);
}

void TTextGrid::removeColumn(int col)
{
    if (col < 0 || col >= m_colCount)
        return;
    for (TTextRow &r : m_rows)
        r.removeAt(col);
    --m_colCount;
}

void TTextGrid::removeRow(int row)
{
    if (row >= 0 && row < rowCount())
        m_rows.removeAt(row);
}

} // namespace dokrava
