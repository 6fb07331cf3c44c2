#include "grid/SelectionModes.h"

#include "grid/TGridModel.h"

namespace dokrava {

void ApplyReplaceAll(TGridModel &grid, bool multiSel, bool replaceAll)
{
    if (replaceAll)
        grid.setAllRecordMarks(true);
    else if (!multiSel)
        grid.setAllRecordMarks(false);
}

bool ApplyMultiSel(TGridModel &grid, bool replaceAll)
{
    if (replaceAll)
        return true;
    grid.setAllRecordMarks(false);
    return false;
}

void ApplyMouseMark(TGridModel &grid, bool multiSel, bool replaceAll, Qt::MouseButton button, int row)
{
    if (!multiSel && !replaceAll)
        return;
    if (row < 0 || row >= grid.rowCount())
        return;
    if (button == Qt::LeftButton)
        grid.setMark(row, true);
    else if (button == Qt::RightButton)
        grid.setMark(row, false);
}

QList<int> ChosenRecordRows(const TGridModel &grid, bool multiSel, bool replaceAll)
{
    QList<int> rows;
    if (!multiSel && !replaceAll) {
        if (grid.row() >= 1)
            rows << grid.row();
        return rows;
    }
    for (int r = 1; r < grid.rowCount(); ++r)
        if (grid.mark(r))
            rows << r;
    return rows;
}

} // namespace dokrava
