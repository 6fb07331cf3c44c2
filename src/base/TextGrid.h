#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// The data table as plain texts, laid out as the grid shows it: row 0 holds the field names in
// columns 1 and up, column 0 is the marker column without text, record r is row r. The form in
// which the layers below the grid read and write the table.
class TTextGrid
{
public:
    TTextGrid() = default;
    // A grid of cols x rows empty texts.
    TTextGrid(int cols, int rows);
    // The grid of these rows (rows[r][c]); shorter rows are padded with empty texts.
    explicit TTextGrid(QList<QStringList> rows);
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
    // Sets the text of cell (col, row); ignored outside the grid.
    void setCell(int col, int row, const QString &text);
    // Field names: header cells of columns 1 and up.
    QStringList headers() const { return record(0); }
    // The texts of one row in columns 1 and up.
    QStringList record(int row) const;
    // Every row, each with colCount() texts.
    const QList<QStringList> &rows() const { return m_rows; }

private:
    QList<QStringList> m_rows;
    int m_colCount = 0;
};
