#pragma once

#include "base/TextGrid.h"
#include "sheets/TableExtent.h"
#include "sheets/UnreadRows.h"

#include <QList>
#include <QString>
#include <QStringList>

namespace dokrava {

// What a load of the data file hands to the main window: the sheet box, the naming-column box
// and the table. Nothing is shown or changed until the whole file has been read, so a failed
// load leaves the grid and both boxes as they were.
struct TDataTable
{
    QStringList sheetNames;   // entries of the sheet box
    int sheetIndex = 0;       // the chosen entry
    QStringList dirNames;     // entries of the naming-column box; the first is chosen
    QStringList headers;      // field names, in column order
    QList<QStringList> rows;  // records, one text per field (shorter lists mean empty texts)
    TTextGrid text;           // LoadDataGrid only, in place of rows: the table as the grid shows it
    TableExtent extent;       // the cells the load read: the header row and the records' rows
    TUnreadRows unread;       // rows below the records that hold values (count 0: none)

    // The number of records the load read: the rows of its extent after the header row.
    int recordCount() const { return extent.rows > 1 ? extent.rows - 1 : 0; }
};

// True when the data file is read and written by the ".ods" table reader and writer (its
// extension, letter case ignored, is ".ods").
bool IsOdsDataFile(const QString &path);

// Reads the data file. ".ods": the first table through the table reader, the sheet box holds
// "Лист 1" and the naming box the first field only. Any other: the spreadsheet engine for the
// extension, sheet chosenSheet (from 0; -1 or a missing position takes the first), the header row
// up to the first cell without value, the records down to the first row whose column A has no
// value; cells beyond those are not read, only the rows below that hold values in the table's
// columns are counted (unread). The file is only read; temporary files that a killed save of it
// left beside it are removed (RemoveAbandonedPendingFilesOf). Throws DokravaError.
TDataTable LoadDataTable(const QString &path, int chosenSheet);

// Reads the data file as LoadDataTable does, but hands the table over as the grid holds it
// (TTextGrid::fromTable of the headers and records) in text, rows left empty: a large table is
// then never held as one text per cell, nor twice.
TDataTable LoadDataGrid(const QString &path, int chosenSheet);

} // namespace dokrava
