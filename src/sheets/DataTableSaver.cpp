#include "sheets/DataTableSaver.h"

#include "base/PendingFile.h"
#include "base/TextGrid.h"
#include "odf/OdsWriter.h"
#include "sheets/TSpreadsheet.h"

#include <algorithm>

namespace dokrava {

QString SaveDataTable(const TTextGrid &grid, const QString &path, int sheetIndex, const TFileConverter &converter,
                      const TableExtent &loaded)
{
    // What an earlier save that was killed midway left beside the file goes now.
    RemoveAbandonedPendingFilesOf(path);
    if (IsOdsDataFile(path)) {
        CheckWritable(path);
        SaveGridToODS(grid, path);
        return QStringLiteral("Сохранение в ODS выполнено");
    }
    const std::unique_ptr<TSpreadsheet> book = OpenSpreadsheet(path, converter);
    book->setActiveSheet(sheetIndex < 0 ? 0 : sheetIndex);
    // Cells the load never read (below a gap in column A, right of an empty header) were never
    // shown, so the save must not touch them.
    book->saveGrid(grid, std::max(loaded.rows, grid.rowCount()), std::max(loaded.cols, grid.colCount() - 1));
    book->close();
    return QStringLiteral("Сохранение выполнено");
}

} // namespace dokrava
