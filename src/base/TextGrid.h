#pragma once

#include "base/TextRow.h"

#include <QList>
#include <QString>
#include <QStringList>

namespace dokrava {

// The data table as plain texts, laid out as the grid shows it: row 0 holds the field names in
// columns 1 and up, column 0 is the marker column without text, record r is row r. The form in
// which the layers below the grid read and write the table. Each row is one TTextRow, and a copy
// shares the rows until either side changes one, so handing the table over costs nothing.
class TTextGrid
{
public:
    TTextGrid() = default;
    // A grid of cols x rows empty texts.
    TTextGrid(int cols, int rows);
    // The grid of these rows (rows[r][c]); shorter rows are padded with empty texts.
    explicit TTextGrid(const QList<QStringList> &rows);
    // The grid of these packed rows, taken over; shorter rows are padded with empty texts.
    explicit TTextGrid(QList<TTextRow> rows);
    // The grid of a table: headers in row 0 from column 1, record j in row j + 1, missing values
    // empty; at least 2 x 2.
    static TTextGrid fromTable(const QStringList &headers, const QList<QStringList> &records);

    // Replaces every text by the grid of a table, as fromTable makes it.
    void load(const QStringList &headers, const QList<QStringList> &records) { *this = fromTable(headers, records); }

    // Number of rows, the header row included.
    int rowCount() const { return int(m_rows.size()); }
    // Number of columns, the marker column included.
    int colCount() const { return m_colCount; }
    // Text of cell (col, row); empty outside the grid.
    QString cell(int col, int row) const;
    // Text of cell (col, row) without a copy, valid until the grid changes; empty outside it.
    QStringView cellView(int col, int row) const;
    // Sets the text of cell (col, row); ignored outside the grid.
    void setCell(int col, int row, const QString &text);
    // Field names: header cells of columns 1 and up.
    QStringList headers() const { return record(0); }
    // The texts of one row in columns 1 and up.
    QStringList record(int row) const;
    // Every row, each with colCount() texts (a copy of every text: prefer cell() on a large grid).
    QList<QStringList> rows() const;

    // Grows or shrinks to count columns (at least 0); new cells are empty.
    void setColCount(int count);
    // Grows or shrinks to count rows (at least 0); new rows are empty.
    void setRowCount(int count);
    // Moves column from to position to in every row.
    void moveColumn(int from, int to);
    // Removes column col, or row row; the ones after it move one place back.
    void removeColumn(int col);
    void removeRow(int row);

private:
    QList<TTextRow> m_rows;
    int m_colCount = 0;
};

} // namespace dokrava
