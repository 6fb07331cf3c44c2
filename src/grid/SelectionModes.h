#pragma once

#include <QList>
#include <Qt>

namespace dokrava {

class TGridModel;

// The record marks under the two mode boxes "Множественный выбор" and "Все строки":
// single mode (both off) uses the current row, the other modes every marked row from 1 down.

// The rule run after "Все строки" changed: ticked marks every record, unticked with
// "Множественный выбор" off clears every record mark, otherwise the marks stay.
void ApplyReplaceAll(TGridModel &grid, bool multiSel, bool replaceAll);

// The rule run after "Множественный выбор" changed. Returns true when "Все строки" is ticked and
// must be unticked by the caller (whose own rule then runs); otherwise clears every record mark.
bool ApplyMultiSel(TGridModel &grid, bool replaceAll);

// A mouse press over row in a marking mode: left marks, right unmarks, other buttons and single
// mode do nothing. row may be the header row; a row outside the table is ignored.
void ApplyMouseMark(TGridModel &grid, bool multiSel, bool replaceAll, Qt::MouseButton button, int row);

// The records a generation run uses: the current row in single mode (when it is a record row),
// otherwise every marked row from 1 down, top to bottom.
QList<int> ChosenRecordRows(const TGridModel &grid, bool multiSel, bool replaceAll);

} // namespace dokrava
