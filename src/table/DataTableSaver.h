#pragma once

#include <QString>

class TGridModel;

// Writes the data table back to its file and returns the notice to show. ".ods": the whole grid
// through the table writer ("Сохранение в ODS выполнено"). Any other format: the spreadsheet
// engine rewrites the sheet at sheetIndex (from 0; a negative index takes the first) of the
// existing file, the header row to sheet row 1 and record r to sheet row r + 1, fields from
// column A in the grid's column order, every value as text ("Сохранение выполнено"). The marker
// column, marks and modes are not written. converter is the office suite's converter (".xls").
// The file is replaced only once the new one is complete. Throws DokravaError.
QString SaveDataTable(const TGridModel &grid, const QString &path, int sheetIndex, const QString &converter);
