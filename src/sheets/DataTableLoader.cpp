#include "sheets/DataTableLoader.h"

#include "base/PendingFile.h"
#include "base/TextRowBuilder.h"
#include "odf/TODTProcessor.h"
#include "sheets/TSpreadsheet.h"

#include <QFileInfo>

namespace dokrava {

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
    const int cols = std::max(2, n + 1);
    QList<TTextRow> rows;
    TTextRowBuilder header;
    header.append(QStringView());
    for (const QString &h : std::as_const(table.headers))
        header.append(h);
    while (header.size() < cols)
        header.append(QStringView());
    rows.append(header.take());
    // Row 1 is read only when A1 has a value, so without headers there are no records either.
    for (int r = 2; n > 0 && book->hasValue(r, 1); ++r)
        rows.append(book->takeGridRow(r, n));
    table.extent = {n > 0 ? int(rows.size()) : 0, n};
    if (n > 0) {
        const int stopRow = int(rows.size()) + 1;
        table.unread = {stopRow, book->rowsWithValues(stopRow, n)};
    }
    if (rows.size() < 2)
        rows.append(TTextRow(cols));
    table.text = TTextGrid(std::move(rows));
    table.dirNames = table.headers;
    book->close();
    return table;
}

} // namespace

TDataTable LoadDataGrid(const QString &path, int chosenSheet)
{
    // What a save that was killed midway left beside the file goes now.
    RemoveAbandonedPendingFilesOf(path);
    if (!IsOdsDataFile(path))
        return loadSpreadsheet(path, chosenSheet);
    TDataTable table = loadOds(path);
    table.text = TTextGrid::fromTable(table.headers, table.rows);
    table.rows.clear();
    return table;
}

TDataTable LoadDataTable(const QString &path, int chosenSheet)
{
    RemoveAbandonedPendingFilesOf(path);
    if (IsOdsDataFile(path))
        return loadOds(path);
    TDataTable table = loadSpreadsheet(path, chosenSheet);
    for (int r = 1; r <= table.recordCount(); ++r)
        table.rows.append(table.text.record(r));
    table.text = TTextGrid();
    return table;
}

} // namespace dokrava
