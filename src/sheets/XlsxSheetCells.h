#pragma once

#include <QSet>
#include <QString>
#include <QStringList>
#include <QStringView>

#include <functional>
#include <map>

namespace dokrava {

// Cell addresses of ".xlsx" worksheets and the rewrite of a worksheet part's cells in place.
namespace XlsxSheetCells {

constexpr int kMaxRows = 1048576;
constexpr int kMaxCols = 16384;

// "B12" -> (12, 2); false when the reference is not a plain cell reference.
bool parseCellRef(QStringView ref, int *row, int *col);

// The cells a save replaces: every cell of rows 1..rows and columns 1..cols, and single cells
// keyed (row << 32) | col.
struct Area
{
    int rows = 0;
    int cols = 0;
    QSet<quint64> cells;

    // True when the cell is one of the area's.
    bool contains(int row, int col) const;
    // True when one of the space-separated ranges ("A1:C3", "B7", "A:A", "2:4", "$A$1") shares a
    // cell with the area; a range that cannot be read counts as sharing one.
    bool meets(const QString &ranges) const;
};

// New texts by row and column.
using Values = std::map<int, std::map<int, QString>>;

// The cell range of the table part behind one of the sheet's relationship ids ("" when unknown).
using TableRange = std::function<QString(const QString &relId)>;

// Returns the worksheet part with the cells of area replaced by values: inline text cells in
// cell format textStyle, an empty text a formatted cell without value. Everything else stays as
// written: the other cells with their formats and formulas, the rows' own attributes, and the
// merged areas, links, conditional formats and tables that do not meet the area. Those that do
// are dropped (a dropped table's relationship id is added to droppedTables), and so is a shared
// formula whose defining cell was replaced, its last result kept. Throws DokravaError naming part
// when it is not well-formed or holds no cell data.
QString rewrite(const QString &xml, const QString &part, const Area &area, const Values &values, int textStyle,
                const TableRange &tableRange, QStringList &droppedTables);

} // namespace XlsxSheetCells

} // namespace dokrava
