#include "sheets/DataTableLoader.h"

#include "odf/TODTProcessor.h"
#include "sheets/TSpreadsheet.h"

#include <QFileInfo>

bool IsOdsDataFile(const QString &path)
{
    return QFileInfo(path).suffix().toLower() == QLatin1String("ods");
}

namespace {

TDataTable loadOds(const QString &path)
{
    TDataTable table;
    TODTProcessor processor;
    processor.LoadODSToGrid(path, table.headers, table.rows);
    table.sheetNames = {QStringLiteral("Лист 1")};
    table.sheetIndex = 0;
    if (!table.headers.isEmpty())
        table.dirNames = {table.headers.first()};
    table.extent = {int(table.rows.size()) + 1, int(table.headers.size())};
    return table;
}

TDataTable loadSpreadsheet(const QString &path, int chosenSheet)
{
    TDataTable table;
    const std::unique_ptr<TSpreadsheet> book = OpenSpreadsheet(path);
    table.sheetNames = book->sheetNames();
    table.sheetIndex = chosenSheet >= 0 && chosenSheet < table.sheetNames.size() ? chosenSheet : 0;
    book->setActiveSheet(table.sheetIndex);
    for (int c = 1; book->hasValue(1, c); ++c)
        table.headers << book->cellText(1, c);
    const int n = int(table.headers.size());
    // Row 1 is read only when A1 has a value, so without headers there are no records either.
    for (int r = 2; n > 0 && book->hasValue(r, 1); ++r) {
        QStringList record;
        record.reserve(n);
        for (int c = 1; c <= n; ++c)
            record << book->cellText(r, c);
        table.rows << record;
    }
    table.dirNames = table.headers;
    table.extent = {n > 0 ? int(table.rows.size()) + 1 : 0, n};
    book->close();
    return table;
}

} // namespace

TDataTable LoadDataTable(const QString &path, int chosenSheet)
{
    if (IsOdsDataFile(path))
        return loadOds(path);
    return loadSpreadsheet(path, chosenSheet);
}
