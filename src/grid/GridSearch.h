#pragma once

#include <QString>

namespace dokrava {

class TGridModel;

// Finding text in the data table, row by row, after a start cell.
namespace GridSearch {

// The search text as typed with leading and trailing blanks and control characters removed.
QString searchText(const QString &typed);

// Looks for text (letter case kept) in the cells after (startCol, startRow): the rest of that row
// from startCol + 1, then every later row from column 0. The start cell itself is not tested.
// An empty text occurs nowhere. Returns true and the cell when found.
bool findNext(const TGridModel &grid, const QString &text, int startCol, int startRow, int *foundCol,
              int *foundRow);

} // namespace GridSearch

} // namespace dokrava
