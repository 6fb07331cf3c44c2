#include "grid/GridSearch.h"

#include "grid/TGridModel.h"

namespace dokrava {

namespace GridSearch {

QString searchText(const QString &typed)
{
    qsizetype begin = 0;
    qsizetype end = typed.size();
    while (begin < end && typed.at(begin).unicode() <= ' ')
        ++begin;
    while (end > begin && typed.at(end - 1).unicode() <= ' ')
        --end;
    return typed.mid(begin, end - begin);
}

bool findNext(const TGridModel &grid, const QString &text, int startCol, int startRow, int *foundCol,
              int *foundRow)
{
    if (text.isEmpty())
        return false;
    for (int r = std::max(0, startRow); r < grid.rowCount(); ++r) {
        for (int c = (r == startRow ? startCol + 1 : 0); c < grid.colCount(); ++c) {
            // A view: a search through a million rows copies no cell.
            if (grid.cellView(c, r).contains(text, Qt::CaseSensitive)) {
                *foundCol = c;
                *foundRow = r;
                return true;
            }
        }
    }
    return false;
}

} // namespace GridSearch

} // namespace dokrava
