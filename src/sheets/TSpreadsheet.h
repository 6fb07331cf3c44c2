#pragma once

#include "base/TextGrid.h"
#include "base/TextRow.h"

#include <QHash>
#include <QSet>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

namespace dokrava {

// Turns the file input into another format in the folder outDir: (input, outDir, target format as
// the office suite's converter names it, such as "xlsx" or "xls:MS Excel 97") -> the path of the
// complete file written. Throws DokravaError when the conversion fails. An empty function stands
// for "no converter". The office layer supplies the real one.
using TFileConverter = std::function<QString(const QString &input, const QString &outDir, const QString &target)>;

// A workbook opened for the data table: the operations that loading and saving use of a
// spreadsheet application. Rows and columns are counted from 1, row first. Every failure throws
// DokravaError with a Russian message naming the file. One engine per file format.
class TSpreadsheet
{
public:
    virtual ~TSpreadsheet();

    // Opens the workbook at path (the file must exist) and makes its first sheet active.
    virtual void open(const QString &path) = 0;
    // The sheet names in workbook order.
    virtual QStringList sheetNames() const = 0;
    // Makes the sheet at index (from 0) active; throws when there is no such sheet. The sheet
    // already active stays as it is.
    void setActiveSheet(int index);
    // The active sheet's index (from 0).
    int activeSheet() const { return m_active; }

    // True when the cell holds a value; a cell holding an empty text has one.
    bool hasValue(int row, int col) const;
    // The cell's value as the user sees it; empty when it has none.
    QString cellText(int row, int col) const;

    // The number of rows from fromRow down that hold a value in one of the columns 1..cols.
    int rowsWithValues(int fromRow, int cols) const;

    // The texts of cells (row, 1..cols) as the grid holds a record: an empty marker cell first,
    // then cols texts. An engine may hand its own copy of the row over, so a row taken is not to
    // be read again: a load takes each record once and closes the workbook.
    virtual TTextRow takeGridRow(int row, int cols);

    // Every cell of the active sheet loses its content and format.
    void clearActiveSheet();
    // The cells of rows 1..rows and columns 1..cols (grown to cover an area cleared before) lose
    // their content and format; every other cell keeps both.
    void clearCells(int rows, int cols);
    // The cell loses its content and format; every other cell keeps both.
    void clearCell(int row, int col);
    // Writes a text value into the cell with the text number format "@"; what the cell held
    // before, its format included, is replaced.
    void setCellText(int row, int col, const QString &text);

    // Writes the workbook back to its file; only the cleared and written cells of the active
    // sheet change. The file is replaced only once the new one is complete.
    virtual void save() = 0;
    // Rewrites the active sheet from a grid and saves: in rows 1..max(rows, grid rows) and
    // columns 1..max(cols, grid fields), a cell whose text differs from grid row r - 1, column c
    // gets the grid's text (setCellText), one the grid does not cover loses content and format
    // (clearCell); a cell whose text is the grid's keeps its value, type, format and formula.
    // Then save(). An engine may do the same in one pass.
    virtual void saveGrid(const TTextGrid &grid, int rows, int cols);
    // Releases the workbook; further calls need open() again.
    virtual void close();

    // The opened file.
    QString path() const { return m_path; }

protected:
    // Reads the cells of the sheet at index into cells(); the index is valid. An engine whose
    // cells are at hand in a form of its own may call serveCellsItself() instead, and fill
    // cells() only when fillCells() is called.
    virtual void loadSheet(int index) = 0;
    // Until the first edit, hasValue and cellText ask cellAt instead of cells(): a large table
    // is then not held twice.
    void serveCellsItself() { m_ownCells = true; }
    // True while hasValue and cellText ask cellAt.
    bool servesCellsItself() const { return m_ownCells; }
    // The engine's own cell, for serveCellsItself(): false when the cell has no value.
    virtual bool cellAt(int row, int col, QString *text) const { Q_UNUSED(row); Q_UNUSED(col); Q_UNUSED(text); return false; }
    // The last row cellAt may find a value in, for serveCellsItself(); 0 when none.
    virtual int ownRowCount() const { return 0; }
    // Puts every cell into cells(), for serveCellsItself(); called before the first edit.
    virtual void fillCells() {}
    // Every cell in cells(), whoever served them so far (save() calls it before reading cells()).
    void takeCells();

    // Cell store of the active sheet, keyed by key(row, col).
    static quint64 key(int row, int col) { return (quint64(quint32(row)) << 32) | quint32(col); }
    static int keyRow(quint64 k) { return int(k >> 32); }
    static int keyCol(quint64 k) { return int(k & 0xffffffffu); }
    QHash<quint64, QString> &cells() { return m_cells; }
    const QHash<quint64, QString> &cells() const { return m_cells; }
    // True once the active sheet was cleared or written to.
    bool modified() const { return m_modified; }
    // The cleared area: rows 1..clearedRows() and columns 1..clearedCols() (0 when none).
    int clearedRows() const { return m_clearRows; }
    int clearedCols() const { return m_clearCols; }
    // Keys of the cells written outside the cleared area.
    const QSet<quint64> &writtenOutside() const { return m_writtenOutside; }
    // True when save() replaces the cell: it lies in the cleared area or was written.
    bool rewritten(int row, int col) const;

    QString m_path;

private:
    void resetEdits();

    QHash<quint64, QString> m_cells;
    int m_clearRows = 0;
    int m_clearCols = 0;
    QSet<quint64> m_writtenOutside;
    int m_active = 0;
    bool m_modified = false;
    bool m_loaded = false;
    bool m_ownCells = false;
};

// Engine for a data file chosen by its extension (".xlsx", ".xls", ".csv", letter case ignored).
// converter turns files into other formats (the office suite's, used to save ".xls"); may be empty.
// Throws DokravaError naming the supported formats for any other extension.
std::unique_ptr<TSpreadsheet> CreateSpreadsheet(const QString &path, const TFileConverter &converter = {});

// Opens the workbook at path with the engine for its extension.
std::unique_ptr<TSpreadsheet> OpenSpreadsheet(const QString &path, const TFileConverter &converter = {});

} // namespace dokrava
