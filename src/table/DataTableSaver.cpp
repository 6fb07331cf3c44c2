#include "table/DataTableSaver.h"

#include "odf/OdsWriter.h"
#include "table/DataTableLoader.h"
#include "table/TGridModel.h"
#include "table/TSpreadsheet.h"

QString SaveDataTable(const TGridModel &grid, const QString &path, int sheetIndex, const QString &converter)
{
    if (IsOdsDataFile(path)) {
        SaveGridToODS(grid, path);
        return QStringLiteral("Сохранение в ODS выполнено");
    }
    const std::unique_ptr<TSpreadsheet> book = OpenSpreadsheet(path, converter);
    book->setActiveSheet(sheetIndex < 0 ? 0 : sheetIndex);
    book->clearActiveSheet();
    for (int r = 0; r < grid.rowCount(); ++r)
        for (int c = 1; c < grid.colCount(); ++c)
            book->setCellText(r + 1, c, grid.cell(c, r));
    book->save();
    book->close();
    return QStringLiteral("Сохранение выполнено");
}
