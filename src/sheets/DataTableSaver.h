#pragma once

#include "sheets/DataTableLoader.h"
#include "sheets/TSpreadsheet.h"

#include <QString>

namespace dokrava {

class TTextGrid;

// Writes the data table back to its file and returns the notice to show. ".ods": the grid through
// the table writer, which keeps the other sheets of an existing file ("Сохранение в ODS
// выполнено"). Any other format: the spreadsheet engine rewrites, in the sheet at sheetIndex (from
// 0; a negative index takes the first) of the existing file, rows 1..max(loaded.rows, grid rows)
// and columns 1..max(loaded.cols, grid fields): the header row to sheet row 1 and record r to
// sheet row r + 1, fields from column A in the grid's column order; a cell whose text differs is
// written as text, one the grid does not cover is emptied, one that reads as the grid shows it
// keeps its value, type, format and formula ("Сохранение выполнено"). Every cell outside the
// area keeps its value and format. loaded is what the load of this file read (TDataTable::extent),
// empty when the grid was not loaded from it. The marker column, marks and modes are not
// written. converter is the office suite's conversion (".xls"; may be empty). A read-only file is refused; the
// file is replaced only once the new one is complete; temporary files that a killed save of it
// left beside it are removed first. Throws DokravaError.
QString SaveDataTable(const TTextGrid &grid, const QString &path, int sheetIndex, const TFileConverter &converter,
                      const TableExtent &loaded);

} // namespace dokrava
