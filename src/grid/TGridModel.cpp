#include "grid/TGridModel.h"

#include <QSignalBlocker>

#include <algorithm>

namespace dokrava {

TGridModel::TGridModel(QObject *parent)
    : QObject(parent)
{
    setColCount(5);
    setRowCount(5);
    m_col = 1;
    m_row = 1;
    m_modified = false;
}

void TGridModel::setColCount(int count)
{
    count = std::max(1, count);
    m_modified = m_modified || count != m_colCount;
    m_colCount = count;
    m_text.setColCount(count);
    if (m_fixedCols >= m_colCount)
        m_fixedCols = m_colCount - 1;
    clampCurrent();
    emit reset();
}

void TGridModel::setRowCount(int count)
{
    count = std::max(1, count);
    m_modified = m_modified || count != rowCount();
    m_text.setRowCount(count);
    m_marks.resize(count); // new rows unmarked
    if (m_fixedRows >= rowCount())
        m_fixedRows = rowCount() - 1;
    clampCurrent();
    emit reset();
}

QString TGridModel::cell(int col, int row) const
{
    if (row < 0 || row >= rowCount() || col < 0 || col >= m_colCount)
        return QString();
    return m_text.cell(col, row);
}

void TGridModel::setCell(int col, int row, const QString &text)
{
    if (row < 0 || row >= rowCount() || col < 0 || col >= m_colCount)
        return;
    if (m_text.cellView(col, row) == text)
        return;
    m_text.setCell(col, row, text);
    m_modified = true;
    emit cellChanged(col, row);
}

bool TGridModel::mark(int row) const
{
    return row >= 0 && row < m_marks.size() && m_marks[row];
}

void TGridModel::setMark(int row, bool on)
{
    if (row < 0 || row >= m_marks.size() || m_marks[row] == on)
        return;
    m_marks[row] = on;
    emit markChanged(row);
}

void TGridModel::setAllRecordMarks(bool on)
{
    for (int r = 1; r < rowCount(); ++r)
        setMark(r, on);
}

int TGridModel::markedRecords() const
{
    return m_marks.size() < 2 ? 0 : int(std::count(m_marks.cbegin() + 1, m_marks.cend(), true));
}

void TGridModel::setFixedRows(int n)
{
    m_fixedRows = std::clamp(n, 0, rowCount() - 1);
    emit reset();
}

void TGridModel::setFixedCols(int n)
{
    m_fixedCols = std::clamp(n, 0, m_colCount - 1);
    emit reset();
}

void TGridModel::setCurrent(int col, int row)
{
    col = std::clamp(col, 0, m_colCount - 1);
    row = std::clamp(row, 0, rowCount() - 1);
    if (col == m_col && row == m_row)
        return;
    m_col = col;
    m_row = row;
    emit currentChanged(m_col, m_row);
}

QStringList TGridModel::headers() const
{
    return record(0);
}

QStringList TGridModel::record(int row) const
{
    return m_text.record(row);
}

void TGridModel::moveColumn(int from, int to)
{
    if (from < 1 || to < 1 || from >= m_colCount || to >= m_colCount || from == to)
        return;
    m_text.moveColumn(from, to);
    m_modified = true;
    // The current cell travels with its column; the cells in between shift by one.
    if (m_col == from)
        m_col = to;
    else if (from < to && m_col > from && m_col <= to)
        --m_col;
    else if (from > to && m_col >= to && m_col < from)
        ++m_col;
    emit reset();
}

void TGridModel::appendRows(int count)
{
    if (count > 0)
        setRowCount(rowCount() + count);
}

void TGridModel::appendColumn(const QString &header)
{
    {
        const QSignalBlocker blocker(this);
        setColCount(m_colCount + 1);
        m_text.setCell(m_colCount - 1, 0, header);
    }
    emit reset();
}

void TGridModel::removeColumn(int col)
{
    if (col < 0 || col >= m_colCount || m_colCount <= 1)
        return;
    {
        const QSignalBlocker blocker(this);
        m_text.removeColumn(col);
        m_modified = true;
        if (col == 0)
            m_marks.fill(false); // the marks lived in the marker column
        --m_colCount;
        if (m_fixedCols >= m_colCount)
            m_fixedCols = m_colCount - 1;
        clampCurrent();
    }
    emit reset();
}

void TGridModel::removeRow(int row)
{
    if (row < 0 || row >= rowCount() || rowCount() <= 1)
        return;
    {
        const QSignalBlocker blocker(this);
        m_text.removeRow(row);
        m_modified = true;
        m_marks.removeAt(row);
        if (m_fixedRows >= rowCount())
            m_fixedRows = rowCount() - 1;
        clampCurrent();
    }
    emit reset();
}

void TGridModel::load(const QStringList &headers, const QList<QStringList> &rows)
{
    load(TTextGrid::fromTable(headers, rows));
}

void TGridModel::load(TTextGrid text)
{
    {
        const QSignalBlocker blocker(this);
        m_text = std::move(text);
        m_colCount = m_text.colCount();
        if (m_colCount < 2 || m_text.rowCount() < 2) {
            setColCount(std::max(2, m_colCount));
            m_text.setRowCount(std::max(2, m_text.rowCount()));
        }
        m_marks.resize(m_text.rowCount()); // marks of the rows that stay are kept
        m_fixedRows = 1;
        m_fixedCols = 1;
        m_col = std::max(m_col, 1);
        m_row = std::max(m_row, 1);
        clampCurrent();
        m_modified = false;
    }
    emit reset();
    emit currentChanged(m_col, m_row);
}

TTextGrid TGridModel::textGrid() const
{
    return m_text;
}

void TGridModel::clampCurrent()
{
    m_col = std::clamp(m_col, 0, std::max(0, m_colCount - 1));
    m_row = std::clamp(m_row, 0, std::max(0, rowCount() - 1));
}

void DeleteGridColumn(TGridModel &grid, int position)
{
    if (position < 1 || position > grid.colCount())
        return;
    grid.removeColumn(position - 1);
}

void DeleteGridRow(TGridModel &grid, int position)
{
    if (position < 1 || position > grid.rowCount())
        return;
    grid.removeRow(position - 1);
}

} // namespace dokrava
