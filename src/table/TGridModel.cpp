#include "table/TGridModel.h"

#include <algorithm>

TGridModel::TGridModel(QObject *parent)
    : QObject(parent)
{
    setColCount(5);
    setRowCount(5);
}

void TGridModel::setColCount(int count)
{
    count = std::max(1, count);
    m_colCount = count;
    for (QStringList &r : m_cells) {
        while (r.size() < count)
            r.append(QString());
        while (r.size() > count)
            r.removeLast();
    }
    if (m_fixedCols >= m_colCount)
        m_fixedCols = m_colCount - 1;
    clampCurrent();
    emit reset();
}

void TGridModel::setRowCount(int count)
{
    count = std::max(1, count);
    while (m_cells.size() < count) {
        QStringList r;
        for (int c = 0; c < m_colCount; ++c)
            r.append(QString());
        m_cells.append(r);
        m_marks.append(false);
    }
    while (m_cells.size() > count) {
        m_cells.removeLast();
        m_marks.removeLast();
    }
    if (m_fixedRows >= rowCount())
        m_fixedRows = rowCount() - 1;
    clampCurrent();
    emit reset();
}

QString TGridModel::cell(int col, int row) const
{
    if (row < 0 || row >= rowCount() || col < 0 || col >= m_colCount)
        return QString();
    return m_cells[row][col];
}

void TGridModel::setCell(int col, int row, const QString &text)
{
    if (row < 0 || row >= rowCount() || col < 0 || col >= m_colCount)
        return;
    if (m_cells[row][col] == text)
        return;
    m_cells[row][col] = text;
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
    if (row < 0 || row >= rowCount())
        return {};
    return m_cells[row].mid(1);
}

void TGridModel::moveColumn(int from, int to)
{
    if (from < 1 || to < 1 || from >= m_colCount || to >= m_colCount || from == to)
        return;
    for (QStringList &r : m_cells)
        r.move(from, to);
    emit reset();
}

void TGridModel::load(const QStringList &headers, const QList<QStringList> &rows)
{
    QSignalBlocker blocker(this);
    setColCount(int(headers.size()) + 1);
    setRowCount(int(rows.size()) + 1);
    for (int r = 0; r < rowCount(); ++r)
        for (int c = 0; c < m_colCount; ++c)
            m_cells[r][c].clear();
    for (int k = 0; k < headers.size(); ++k)
        m_cells[0][k + 1] = headers[k];
    for (int j = 0; j < rows.size(); ++j)
        for (int k = 0; k < headers.size() && k < rows[j].size(); ++k)
            m_cells[j + 1][k + 1] = rows[j][k];
    m_fixedRows = 1;
    m_fixedCols = 1;
    clampCurrent();
    blocker.unblock();
    emit reset();
}

void TGridModel::clampCurrent()
{
    m_col = std::clamp(m_col, 0, std::max(0, m_colCount - 1));
    m_row = std::clamp(m_row, 0, std::max(0, rowCount() - 1));
}

void DeleteGridColumn(TGridModel &grid, int position)
{
    const int col = position - 1;
    if (position < 1 || position > grid.colCount() || grid.colCount() <= 1)
        return;
    for (int c = col; c < grid.colCount() - 1; ++c)
        for (int r = 0; r < grid.rowCount(); ++r)
            grid.setCell(c, r, grid.cell(c + 1, r));
    grid.setColCount(grid.colCount() - 1);
}

void DeleteGridRow(TGridModel &grid, int position)
{
    const int row = position - 1;
    if (position < 1 || position > grid.rowCount() || grid.rowCount() <= 1)
        return;
    for (int r = row; r < grid.rowCount() - 1; ++r) {
        for (int c = 0; c < grid.colCount(); ++c)
            grid.setCell(c, r, grid.cell(c, r + 1));
        grid.setMark(r, grid.mark(r + 1));
    }
    grid.setRowCount(grid.rowCount() - 1);
}
