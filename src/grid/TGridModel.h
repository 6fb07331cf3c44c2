#pragma once

#include "base/TextGrid.h"

#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>

namespace dokrava {

// The data table: texts addressed as (column, row) from 0, one record mark per row, the fixed
// header row and marker column, and the current cell. Row 0 holds the field names, column 0 the
// marks. The loaders, writers, search and the run read this model; the grid widget shows it.
class TGridModel : public QObject
{
    Q_OBJECT
public:
    // The initial 5 x 5 table: four unnamed fields, four empty records, one fixed row and column.
    explicit TGridModel(QObject *parent = nullptr);

    // Number of columns, the marker column included.
    int colCount() const { return m_colCount; }
    // Number of rows, the header row included.
    int rowCount() const { return m_text.rowCount(); }

    // Grows or shrinks the table; new cells are empty, new rows unmarked, existing marks kept.
    void setColCount(int count);
    void setRowCount(int count);

    // Text of cell (col, row); empty outside the table.
    QString cell(int col, int row) const;
    // Text of cell (col, row) without a copy, valid until the table changes; empty outside it.
    QStringView cellView(int col, int row) const { return m_text.cellView(col, row); }
    // Sets the text of cell (col, row); ignored outside the table.
    void setCell(int col, int row, const QString &text);

    // The record mark of a row, kept with its marker cell.
    bool mark(int row) const;
    void setMark(int row, bool on);
    // Sets the mark of every row from 1 down.
    void setAllRecordMarks(bool on);
    // The number of marked rows from 1 down.
    int markedRecords() const;

    // True when texts, columns or rows changed since the last load (or setModified(false)):
    // edits a save would write. Marks and the current cell are no edits.
    bool modified() const { return m_modified; }
    void setModified(bool on) { m_modified = on; }

    // Fixed rows (0 or 1) and fixed columns (0 or 1).
    int fixedRows() const { return m_fixedRows; }
    int fixedCols() const { return m_fixedCols; }
    void setFixedRows(int n);
    void setFixedCols(int n);

    // The current (focused) cell.
    int col() const { return m_col; }
    int row() const { return m_row; }
    void setCurrent(int col, int row);

    // Field names: header cells of columns 1 and up.
    QStringList headers() const;
    // The texts of one row in columns 1 and up.
    QStringList record(int row) const;

    // Moves a field column (display order), its header and values together; the marker column stays.
    void moveColumn(int from, int to);

    // Appends count empty, unmarked rows at the bottom.
    void appendRows(int count);
    // Appends one column at the right end with this header text; its other cells are empty.
    void appendColumn(const QString &header);
    // Removes column col, the columns to its right moving one place left. Removing the marker
    // column takes the marks with it. The only remaining column is never removed.
    void removeColumn(int col);
    // Removes row row, the rows below moving one place up with their marks. The only remaining
    // row is never removed.
    void removeRow(int row);

    // Replaces all texts: headers in columns 1.., records in rows 1.., missing values empty; at
    // least 2 x 2; one fixed row and column again; marks of rows that stay are kept.
    void load(const QStringList &headers, const QList<QStringList> &rows);
    // Replaces all texts by this grid, taken over as it is (grown to 2 x 2 at least), with the
    // same fixed areas, marks and current cell as the load above; a large table is not copied.
    void load(TTextGrid text);
    // Every text, as the layers below the grid read the table: a copy that shares the rows until
    // either side changes one.
    TTextGrid textGrid() const;

signals:
    // Counts, fixed areas or many texts changed at once.
    void reset();
    // One cell's text changed.
    void cellChanged(int col, int row);
    // One row's mark changed.
    void markChanged(int row);
    // The current cell moved.
    void currentChanged(int col, int row);

private:
    void clampCurrent();

    TTextGrid m_text;           // every cell, one packed row each
    QList<bool> m_marks;        // one per row
    int m_colCount = 0;
    int m_fixedRows = 1;
    int m_fixedCols = 1;
    int m_col = 1;
    int m_row = 1;
    bool m_modified = false;
};

// Removes the column at position (counted from 1: position p is column p - 1); 0 or beyond the
// count does nothing, and the only remaining column is never removed. At one column left the
// marker column stops being fixed.
void DeleteGridColumn(TGridModel &grid, int position);

// Removes the row at position (counted from 1), marks of the rows below moving up with them.
// At one row left the header row stops being fixed.
void DeleteGridRow(TGridModel &grid, int position);

} // namespace dokrava
