#include "sheets/TSpreadsheet.h"

#include "base/DokravaError.h"
#include "base/TextRowBuilder.h"
#include "sheets/CsvWorkbook.h"
#include "sheets/XlsWorkbook.h"
#include "sheets/XlsxWorkbook.h"

#include <QFileInfo>

#include <algorithm>
#include <limits>

namespace dokrava {

TSpreadsheet::~TSpreadsheet() = default;

void TSpreadsheet::setActiveSheet(int index)
{
    const QStringList names = sheetNames();
    if (index < 0 || index >= names.size())
        throw DokravaError(QStringLiteral("В книге \"%1\" нет листа с номером %2")
                               .arg(QFileInfo(m_path).fileName())
                               .arg(index + 1));
    if (m_loaded && index == m_active)
        return; // already active: its cells, edits included, stay as they are
    m_cells.clear();
    m_ownCells = false;
    resetEdits();
    m_loaded = false;
    m_active = index;
    loadSheet(index);
    m_loaded = true;
}

bool TSpreadsheet::hasValue(int row, int col) const
{
    if (m_ownCells)
        return cellAt(row, col, nullptr);
    return m_cells.contains(key(row, col));
}

QString TSpreadsheet::cellText(int row, int col) const
{
    QString text;
    if (m_ownCells)
        cellAt(row, col, &text);
    else
        text = m_cells.value(key(row, col));
    return text;
}

int TSpreadsheet::rowsWithValues(int fromRow, int cols) const
{
    if (m_ownCells) {
        int count = 0;
        for (int r = std::max(fromRow, 1), last = ownRowCount(); r <= last; ++r) {
            int c = 1;
            while (c <= cols && !cellAt(r, c, nullptr))
                ++c;
            count += c <= cols ? 1 : 0;
        }
        return count;
    }
    // Once through the cells, not row by row: a stray value far below costs nothing.
    QSet<int> rows;
    for (auto k = m_cells.keyBegin(); k != m_cells.keyEnd(); ++k)
        if (keyRow(*k) >= fromRow && keyCol(*k) >= 1 && keyCol(*k) <= cols)
            rows.insert(keyRow(*k));
    return int(rows.size());
}

TTextRow TSpreadsheet::takeGridRow(int row, int cols)
{
    TTextRowBuilder b;
    b.append(QStringView());
    for (int c = 1; c <= cols; ++c)
        b.append(cellText(row, c));
    return b.take();
}

void TSpreadsheet::takeCells()
{
    if (!m_ownCells)
        return;
    fillCells();
    m_ownCells = false;
}

void TSpreadsheet::clearActiveSheet()
{
    m_ownCells = false;
    m_cells.clear();
    m_writtenOutside.clear();
    m_clearRows = std::numeric_limits<int>::max();
    m_clearCols = std::numeric_limits<int>::max();
    m_modified = true;
}

void TSpreadsheet::clearCells(int rows, int cols)
{
    takeCells();
    m_clearRows = std::max(m_clearRows, rows);
    m_clearCols = std::max(m_clearCols, cols);
    m_cells.removeIf([this](const QHash<quint64, QString>::iterator it) {
        return keyRow(it.key()) <= m_clearRows && keyCol(it.key()) <= m_clearCols;
    });
    m_writtenOutside.removeIf([this](quint64 k) { return keyRow(k) <= m_clearRows && keyCol(k) <= m_clearCols; });
    m_modified = true;
}

void TSpreadsheet::clearCell(int row, int col)
{
    if (row < 1 || col < 1)
        return;
    takeCells();
    m_cells.remove(key(row, col));
    if (row > m_clearRows || col > m_clearCols)
        m_writtenOutside.insert(key(row, col));
    m_modified = true;
}

void TSpreadsheet::setCellText(int row, int col, const QString &text)
{
    if (row < 1 || col < 1)
        return;
    takeCells();
    m_cells.insert(key(row, col), text);
    if (row > m_clearRows || col > m_clearCols)
        m_writtenOutside.insert(key(row, col));
    m_modified = true;
}

void TSpreadsheet::saveGrid(const TTextGrid &grid, int rows, int cols)
{
    // Only cells whose text changes are written: the others keep their type, format and formula,
    // as a save should change nothing the user did not change.
    takeCells();
    const int lastRow = std::max(rows, grid.rowCount());
    const int lastCol = std::max(cols, grid.colCount() - 1);
    for (int r = 1; r <= lastRow; ++r) {
        for (int c = 1; c <= lastCol; ++c) {
            const bool inGrid = r <= grid.rowCount() && c < grid.colCount();
            const QString text = inGrid ? grid.cell(c, r - 1) : QString();
            if (hasValue(r, c) ? cellText(r, c) == text : text.isEmpty())
                continue;
            if (inGrid)
                setCellText(r, c, text);
            else
                clearCell(r, c);
        }
    }
    save();
}

bool TSpreadsheet::rewritten(int row, int col) const
{
    return (row <= m_clearRows && col <= m_clearCols) || m_writtenOutside.contains(key(row, col));
}

void TSpreadsheet::resetEdits()
{
    m_clearRows = 0;
    m_clearCols = 0;
    m_writtenOutside.clear();
    m_modified = false;
}

void TSpreadsheet::close()
{
    m_cells.clear();
    m_ownCells = false;
    resetEdits();
    m_loaded = false;
    m_active = 0;
    m_path.clear();
}

std::unique_ptr<TSpreadsheet> CreateSpreadsheet(const QString &path, const TFileConverter &converter)
{
    const QString ext = QFileInfo(path).suffix().toLower();
    if (ext == QLatin1String("xlsx"))
        return std::make_unique<XlsxWorkbook>();
    if (ext == QLatin1String("xls"))
        return std::make_unique<XlsWorkbook>(converter);
    if (ext == QLatin1String("csv"))
        return std::make_unique<CsvWorkbook>();
    throw DokravaError(QStringLiteral("Формат файла \"%1\" не поддерживается. Поддерживаются таблицы "
                                      ".xls, .xlsx, .ods и .csv")
                           .arg(QFileInfo(path).fileName()));
}

std::unique_ptr<TSpreadsheet> OpenSpreadsheet(const QString &path, const TFileConverter &converter)
{
    std::unique_ptr<TSpreadsheet> book = CreateSpreadsheet(path, converter);
    book->open(path);
    return book;
}

} // namespace dokrava
