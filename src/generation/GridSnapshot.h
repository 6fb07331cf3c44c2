#pragma once

#include "odf/OdtText.h"

#include <QList>
#include <QStringList>

namespace dokrava {

class TGridModel;

// The data table as the run reads it, taken before the run starts.
struct TGridSnapshot
{
    QList<QStringList> rows; // rows[r]: the cells of columns 1.. of grid row r; rows[0] is the header row
    QList<bool> marks;       // the record mark of every row
    int currentRow = 1;      // the grid's current row

    // Copies the marks and the current row of the grid, and the texts of the rows a run reads:
    // the header row, the marked rows and the current row. The other rows stay empty.
    static TGridSnapshot fromModel(const TGridModel &grid);
};

// The field values of one record: columns with an empty header are skipped; a header met
// twice throws DokravaError "Duplicates not allowed".
TFieldValues BuildFieldValues(const QStringList &headers, const QStringList &record);

} // namespace dokrava
