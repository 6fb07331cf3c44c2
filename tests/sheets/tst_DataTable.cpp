// Loading and saving the data table for every format, and the template scan.
#include "DiskFaults.h"
#include "ShortProcesses.h"
#include "TestFiles.h"
#include "base/Cp1251.h"
#include "base/PendingFile.h"
#include "base/DokravaError.h"
#include "grid/TGridModel.h"
#include "office/OfficeConverter.h"
#include "sheets/DataTableLoader.h"
#include "sheets/DataTableSaver.h"
#include "sheets/TSpreadsheet.h"
#include "zip/ZipReader.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <optional>

using namespace dokrava;

namespace {

QString data(const QString &name)
{
    return QStringLiteral(DOKRAVA_TEST_DATA "/table/") + name;
}

QString copyTo(const QTemporaryDir &dir, const QString &fixture, const QString &name)
{
    const QString target = dir.filePath(name);
    QFile::copy(data(fixture), target);
    QFile(target).setPermissions(QFile::ReadOwner | QFile::WriteOwner);
    return target;
}

// Rows of the first cols columns, "~" for a cell without value.
QStringList dump(TSpreadsheet &book, int rows, int cols)
{
    QStringList out;
    for (int r = 1; r <= rows; ++r) {
        QStringList line;
        for (int c = 1; c <= cols; ++c)
            line << (book.hasValue(r, c) ? book.cellText(r, c) : QStringLiteral("~"));
        out << line.join(QLatin1Char('|'));
    }
    return out;
}

// The fixture the row names: a file of tests/data/table, or of tests/data/odf for ".ods".
QString fixturePath(const QString &name)
{
    return name.endsWith(QLatin1String(".ods")) ? QStringLiteral(DOKRAVA_TEST_DATA "/odf/") + name : data(name);
}

// Writes sheet 2 of a copy of the three-sheet workbook: cells given as "A1=text".
QString workbookWith(const QTemporaryDir &dir, const QStringList &cells)
{
    const QString path = copyTo(dir, QStringLiteral("three_sheets_lo.xlsx"), QStringLiteral("extent.xlsx"));
    auto book = OpenSpreadsheet(path);
    book->setActiveSheet(1);
    book->clearActiveSheet();
    for (const QString &c : cells) {
        const QString ref = c.section(QLatin1Char('='), 0, 0);
        book->setCellText(ref.mid(1).toInt(), ref.at(0).unicode() - 'A' + 1, c.section(QLatin1Char('='), 1));
    }
    book->save();
    return path;
}

} // namespace

class tst_DataTable : public QObject
{
    Q_OBJECT
private slots:
    void loadsLibreOfficeWorkbook_data();
    void loadsLibreOfficeWorkbook();
    void sheetExtent();
    void emptyA1GivesTwoByTwo();
    void unreadRowsBelowTheRecords_data();
    void unreadRowsBelowTheRecords();
    void chosenSheetOutOfRangeTakesFirst();
    void gridLoadMatchesTableLoad_data();
    void gridLoadMatchesTableLoad();
    void loadNeverWritesTheFile();
    void saveRoundTrip_data();
    void saveRoundTrip();
    void saveKeepsOtherSheets();
    void saveErasesBeyondGrid_data();
    void saveErasesBeyondGrid();
    void csvSaveInOnePassEqualsCellByCell_data();
    void csvSaveInOnePassEqualsCellByCell();
    void csvSaveKeepsUntouchedRecords_data();
    void csvSaveKeepsUntouchedRecords();
    void untouchedCellsKeepTypeStyleAndFormula_data();
    void untouchedCellsKeepTypeStyleAndFormula();
    void abandonedTemporaryFilesGo_data();
    void abandonedTemporaryFilesGo();
    void saveFollowsSymbolicLink_data();
    void saveFollowsSymbolicLink();
    void failedWriteOrSyncKeepsFile_data();
    void failedWriteOrSyncKeepsFile();
    void odsRoundTrip();
    void saveNeverCreatesSpreadsheet();
    void failedSaveKeepsFile();
    void xlsSaveThroughConverter();
    void xlsSaveKeepsFileWhenConversionFails_data();
    void xlsSaveKeepsFileWhenConversionFails();
};

void tst_DataTable::loadsLibreOfficeWorkbook_data()
{
    QTest::addColumn<QString>("file");
    QTest::newRow("xlsx") << "three_sheets_lo.xlsx";
    QTest::newRow("xls") << "three_sheets_lo.xls";
}

void tst_DataTable::loadsLibreOfficeWorkbook()
{
    QFETCH(QString, file);
    const TDataTable t = LoadDataTable(data(file), -1);
    QCOMPARE(t.sheetNames.size(), 3);
    QCOMPARE(t.sheetIndex, 0);
    QCOMPARE(t.headers, QStringList({QStringLiteral("ФИО"), QStringLiteral("Сумма"), QStringLiteral("Дата"),
                                     QStringLiteral("Флаг"), QStringLiteral("Формула")}));
    QCOMPARE(t.dirNames, t.headers);
    QCOMPARE(t.rows.size(), 3); // A5 is empty: "После пропуска" is not read
    QCOMPARE(t.rows.at(2).at(0), QStringLiteral("Сидоров"));
    QCOMPARE(t.rows.at(2).at(1), QString());
    QCOMPARE(t.rows.at(1).at(2), QStringLiteral("15.03.2024 10:30"));
    TGridModel grid;
    grid.load(t.headers, t.rows);
    QCOMPARE(grid.colCount(), 6);
    QCOMPARE(grid.rowCount(), 4);
    const TDataTable second = LoadDataTable(data(file), 1);
    QCOMPARE(second.sheetIndex, 1);
    QCOMPARE(second.headers, QStringList({QStringLiteral("Код"), QStringLiteral("Город")}));
    QCOMPARE(second.rows, QList<QStringList>({{QStringLiteral("7"), QStringLiteral("Казань")}}));
}

void tst_DataTable::sheetExtent()
{
    QTemporaryDir dir;
    QStringList cells = {QStringLiteral("A1=a"), QStringLiteral("B1=b"), QStringLiteral("C1=c"), QStringLiteral("D5=far")};
    for (int r = 2; r <= 10; ++r)
        cells << QStringLiteral("A%1=r%1").arg(r) << QStringLiteral("C%1=c%1").arg(r);
    cells << QStringLiteral("B6=b6") << QStringLiteral("A12=after gap");
    const TDataTable t = LoadDataTable(workbookWith(dir, cells), 1);
    TGridModel grid;
    grid.load(t.headers, t.rows);
    QCOMPARE(grid.colCount(), 4);
    QCOMPARE(grid.rowCount(), 10);
    QCOMPARE(grid.cell(2, 5), QStringLiteral("b6"));
    QCOMPARE(grid.cell(2, 6), QString()); // B7 empty
    QCOMPARE(grid.cell(3, 9), QStringLiteral("c10"));
    // A11 has no value: row 12 is left unread, D5 lies beyond the table's columns.
    QCOMPARE(t.unread, (TUnreadRows{11, 1}));
}

void tst_DataTable::emptyA1GivesTwoByTwo()
{
    QTemporaryDir dir;
    const TDataTable t = LoadDataTable(workbookWith(dir, {QStringLiteral("B1=x"), QStringLiteral("A2=y")}), 1);
    QVERIFY(t.headers.isEmpty());
    QVERIFY(t.dirNames.isEmpty());
    TGridModel grid;
    grid.load(t.headers, t.rows);
    QCOMPARE(grid.colCount(), 2);
    QCOMPARE(grid.rowCount(), 2);
    QCOMPARE(grid.cell(1, 0), QString());
}

void tst_DataTable::unreadRowsBelowTheRecords_data()
{
    QTest::addColumn<QString>("file");   // a fixture, or "csv:" and the text of a ".csv"
    QTest::addColumn<int>("stopRow");
    QTest::addColumn<int>("count");
    QTest::newRow("csv, a blank line") << "csv:ФИО;Город\nИванов;Москва\n\nПетров;Казань\nСидоров;\n" << 3 << 2;
    QTest::newRow("csv, an empty first cell counts itself") << "csv:ФИО;Город\nИванов;Москва\n;Казань\n" << 3 << 1;
    QTest::newRow("csv, blank lines at the end") << "csv:ФИО;Город\nИванов;Москва\n\n\n;\n" << 3 << 0;
    QTest::newRow("csv, values beyond the header row do not count") << "csv:ФИО;Город\nИванов;Москва\n\n;;справа\n" << 3 << 0;
    QTest::newRow("csv, fixture") << "rows_below_empty_first_cell_unread.csv" << 4 << 2;
    QTest::newRow("csv, gap") << "gap_below_rows_kept_on_save.csv" << 4 << 2;
    QTest::newRow("xlsx, gap") << "gap_below_rows_kept_on_save.xlsx" << 4 << 2;
    QTest::newRow("xls, gap") << "gap_below_rows_kept_on_save.xls" << 4 << 2;
    QTest::newRow("ods reads every row") << "ragged_records.ods" << 0 << 0;
}

// The load stops at the first row without a first cell; what it left below is counted so that
// the window and the check can say so.
void tst_DataTable::unreadRowsBelowTheRecords()
{
    QFETCH(QString, file);
    QFETCH(int, stopRow);
    QFETCH(int, count);
    QTemporaryDir dir;
    QString path = data(file);
    if (file.startsWith(QLatin1String("csv:"))) {
        path = dir.filePath(QStringLiteral("t.csv"));
        TestFiles::writeBytes(path, file.mid(4).toUtf8());
    }
    const TDataTable table = LoadDataTable(path, 0);
    QCOMPARE(table.unread, (TUnreadRows{stopRow, count}));
    QCOMPARE(LoadDataGrid(path, 0).unread, table.unread);
    QCOMPARE(table.recordCount(), std::max(stopRow - 2, int(table.rows.size())));
    QCOMPARE(UnreadRowsMessage(table.unread).isEmpty(), count == 0);
}

void tst_DataTable::gridLoadMatchesTableLoad_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QList<QStringList>>("records"); // checked when not empty
    QTest::newRow("csv, records longer and shorter than the header row")
        << data(QStringLiteral("ragged_records.csv"))
        << QList<QStringList>{{QStringLiteral("Иванов"), QStringLiteral("Москва"), QStringLiteral("100")},
                              {QStringLiteral("Петров"), QString(), QString()},
                              {QStringLiteral("Сидоров \"мл.\";\r\nвторая строка"), QString(), QStringLiteral("300")}};
    QTest::newRow("csv, empty A1") << data(QStringLiteral("empty_a1.csv")) << QList<QStringList>();
    QTest::newRow("csv, UTF-8") << data(QStringLiteral("utf8_bom_semicolon.csv")) << QList<QStringList>();
    QTest::newRow("csv, Windows-1251") << data(QStringLiteral("cp1251_comma.csv")) << QList<QStringList>();
    QTest::newRow("xlsx") << data(QStringLiteral("three_sheets_lo.xlsx")) << QList<QStringList>();
    QTest::newRow("ods") << QStringLiteral(DOKRAVA_TEST_DATA "/odf/") + QStringLiteral("ods_repeated_cells_and_rows_expanded.ods") << QList<QStringList>();
}

// The window's load hands rows over instead of copying them; the table must come out the same.
void tst_DataTable::gridLoadMatchesTableLoad()
{
    QFETCH(QString, file);
    QFETCH(QList<QStringList>, records);
    const TDataTable table = LoadDataTable(file, 0);
    if (!records.isEmpty())
        QCOMPARE(table.rows, records);
    const TDataTable grid = LoadDataGrid(file, 0);
    QVERIFY(grid.rows.isEmpty());
    QCOMPARE(grid.headers, table.headers);
    QCOMPARE(grid.dirNames, table.dirNames);
    QCOMPARE(grid.sheetNames, table.sheetNames);
    QCOMPARE(grid.extent.rows, table.extent.rows);
    QCOMPARE(grid.extent.cols, table.extent.cols);
    QCOMPARE(grid.text.rows(), TTextGrid::fromTable(table.headers, table.rows).rows());
    TGridModel byLists;
    byLists.load(table.headers, table.rows);
    TGridModel byGrid;
    byGrid.load(grid.text);
    QCOMPARE(byGrid.textGrid().rows(), byLists.textGrid().rows());
}

void tst_DataTable::chosenSheetOutOfRangeTakesFirst()
{
    QCOMPARE(LoadDataTable(data(QStringLiteral("three_sheets_lo.xlsx")), 7).sheetIndex, 0);
    const TDataTable csv = LoadDataTable(data(QStringLiteral("utf8_bom_semicolon.csv")), 2);
    QCOMPARE(csv.sheetNames, QStringList({QStringLiteral("utf8_bom_semicolon")}));
    QCOMPARE(csv.rows.size(), 1);
}

void tst_DataTable::loadNeverWritesTheFile()
{
    QTemporaryDir dir;
    const QString path = copyTo(dir, QStringLiteral("three_sheets_lo.xlsx"), QStringLiteral("ro.xlsx"));
    QFile(path).setPermissions(QFile::ReadOwner);
    const QDateTime before = QFileInfo(path).lastModified();
    LoadDataTable(path, 0);
    QCOMPARE(QFileInfo(path).lastModified(), before);
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList({QStringLiteral("ro.xlsx")}));
}

void tst_DataTable::saveRoundTrip_data()
{
    QTest::addColumn<QString>("fixture");
    QTest::addColumn<QString>("name");
    QTest::newRow("xlsx") << "three_sheets_lo.xlsx" << "t.xlsx";
    QTest::newRow("csv") << "cp1251_comma.csv" << "t.csv";
    QTest::newRow("ods, capital extension") << "" << "t.ODS";
}

void tst_DataTable::saveRoundTrip()
{
    QFETCH(QString, fixture);
    QFETCH(QString, name);
    QTemporaryDir dir;
    const QString path = fixture.isEmpty() ? dir.filePath(name) : copyTo(dir, fixture, name);
    TGridModel grid;
    grid.load({QStringLiteral("ФИО"), QStringLiteral("Сумма"), QStringLiteral("Примечание")},
              {{QStringLiteral("Иванов"), QStringLiteral("007"), QStringLiteral("A & B; \"c\", d")},
               {QStringLiteral("Петров"), QStringLiteral("1,5"), QStringLiteral("две\nстроки")}});
    grid.moveColumn(3, 1);
    grid.setMark(1, true);
    const TableExtent loaded = fixture.isEmpty() ? TableExtent() : LoadDataTable(path, 0).extent;
    const QString notice = SaveDataTable(grid.textGrid(), path, 0, {}, loaded);
    QCOMPARE(notice, fixture.isEmpty() ? QStringLiteral("Сохранение в ODS выполнено") : QStringLiteral("Сохранение выполнено"));
    const TDataTable t = LoadDataTable(path, 0);
    QCOMPARE(t.headers, grid.headers());
    QCOMPARE(t.rows, QList<QStringList>({grid.record(1), grid.record(2)}));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files).size(), 1); // nothing left beside the file
}

void tst_DataTable::saveKeepsOtherSheets()
{
    QTemporaryDir dir;
    const QString path = copyTo(dir, QStringLiteral("three_sheets_lo.xlsx"), QStringLiteral("k.xlsx"));
    const TDataTable first = LoadDataTable(path, 0);
    const TDataTable third = LoadDataTable(path, 2);
    // Read and closed before the save: Windows replaces no file that is held open.
    const QByteArray sheet1 = [&path] {
        ZipReader before(path);
        return before.data(before.indexOf(QStringLiteral("xl/worksheets/sheet1.xml")));
    }();
    TGridModel grid;
    grid.load({QStringLiteral("Новое")}, {{QStringLiteral("значение")}});
    SaveDataTable(grid.textGrid(), path, 1, {}, LoadDataTable(path, 1).extent);
    QCOMPARE(LoadDataTable(path, 0).rows, first.rows);
    QCOMPARE(LoadDataTable(path, 2).rows, third.rows);
    const TDataTable second = LoadDataTable(path, 1);
    QCOMPARE(second.headers, QStringList({QStringLiteral("Новое")}));
    ZipReader after(path);
    QCOMPARE(after.data(after.indexOf(QStringLiteral("xl/worksheets/sheet1.xml"))), sheet1);
}

void tst_DataTable::csvSaveInOnePassEqualsCellByCell_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<int>("edit"); // 0 none, 1 last record deleted, 2 field added, 3 first field deleted,
                                   // 4 texts to quote, 5 a grid not loaded from the file
    const QByteArray gap = TestFiles::readBytes(data(QStringLiteral("gap_below_rows_kept_on_save.csv")));
    const QByteArray ragged = TestFiles::readBytes(data(QStringLiteral("ragged_records.csv")));
    const QByteArray wide = "A;B\r\n1;2;;;за пределом\r\n3;4\r\n\r\n;;;;;;дальше\r\n";
    for (const auto &[name, file] : {std::pair{"gap below the rows", gap}, std::pair{"ragged records", ragged},
                                     std::pair{"cells right of the fields and below a blank line", wide}}) {
        for (int edit = 0; edit <= 5; ++edit)
            QTest::addRow("%s, edit %d", name, edit) << file << edit;
    }
    QTest::newRow("header only") << QByteArray("\xEF\xBB\xBFФИО;Город\n") << 1;
    QTest::newRow("comma separated, Windows-1251") << TestFiles::readBytes(data(QStringLiteral("cp1251_comma.csv"))) << 4;
}

void tst_DataTable::csvSaveInOnePassEqualsCellByCell()
{
    QFETCH(QByteArray, file);
    QFETCH(int, edit);
    QTemporaryDir dir;
    const QString onePass = dir.filePath(QStringLiteral("one.csv")), cellByCell = dir.filePath(QStringLiteral("cells.csv"));
    TestFiles::writeBytes(onePass, file);
    TestFiles::writeBytes(cellByCell, file);
    TDataTable table = LoadDataGrid(onePass, 0);
    TTextGrid grid = table.text;
    TableExtent loaded = table.extent;
    if (edit == 1 && grid.rowCount() > 1)
        grid.removeRow(grid.rowCount() - 1);
    if (edit == 2) {
        grid.setColCount(grid.colCount() + 1);
        for (int r = 0; r < grid.rowCount(); ++r)
            grid.setCell(grid.colCount() - 1, r, QStringLiteral("новое %1").arg(r));
    }
    if (edit == 3)
        grid.removeColumn(1);
    if (edit == 4)
        grid.setCell(1, grid.rowCount() - 1, QStringLiteral("a;b,\"c\"\nd\r\nконец"));
    if (edit == 5) {
        grid = TTextGrid::fromTable({QStringLiteral("Поле")}, {{QStringLiteral("x")}});
        loaded = TableExtent();
    }
    const int rows = std::max(loaded.rows, grid.rowCount()), cols = std::max(loaded.cols, grid.colCount() - 1);
    SaveDataTable(grid, onePass, 0, {}, loaded);
    const std::unique_ptr<TSpreadsheet> book = OpenSpreadsheet(cellByCell, {});
    book->setActiveSheet(0);
    book->TSpreadsheet::saveGrid(grid, rows, cols);
    QCOMPARE(TestFiles::readBytes(onePass), TestFiles::readBytes(cellByCell));
}

void tst_DataTable::csvSaveKeepsUntouchedRecords_data()
{
    QTest::addColumn<QString>("encoding"); // of the file: "utf8", "bom" or "cp1251"
    QTest::addColumn<int>("row");          // grid row edited (from 1); 0 none, -1 one row added, -2 the last deleted
    QTest::addColumn<int>("col");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("from");     // the text of the file that changes, and what it becomes
    QTest::addColumn<QString>("to");
    QTest::addColumn<QString>("saved");    // the encoding written
    for (const char *enc : {"utf8", "bom", "cp1251"}) {
        QTest::addRow("%s, nothing changed", enc) << enc << 0 << 0 << QString() << QString() << QString() << enc;
        QTest::addRow("%s, one cell of a CR LF record", enc)
            << enc << 3 << 2 << QStringLiteral("Томск") << QStringLiteral("ИП Петров;Омск;300\r\n")
            << QStringLiteral("ИП Петров;Томск;300\r\n") << enc;
        QTest::addRow("%s, a record with quotes and a LF", enc)
            << enc << 1 << 3 << QStringLiteral("150") << QStringLiteral("ООО \"Север/Юг\"; Москва ;\"100\"\n")
            << QStringLiteral("\"ООО \"\"Север/Юг\"\"\"; Москва ;150\n") << enc;
        QTest::addRow("%s, a record added after the last line without its end", enc)
            << enc << -1 << 0 << QString() << QStringLiteral("Казань;\"400\"")
            << QStringLiteral("Казань;\"400\"\r\nНовая;Уфа;500\r\n") << enc;
        QTest::addRow("%s, the last record deleted", enc)
            << enc << -2 << 0 << QString() << QStringLiteral("\"Простой\";Казань;\"400\"") << QString() << enc;
    }
    QTest::newRow("cp1251, a character it lacks: UTF-8 with a mark, the text of the rest kept")
        << "cp1251" << 3 << 2 << QStringLiteral("東京") << QStringLiteral("ИП Петров;Омск;300\r\n")
        << QStringLiteral("ИП Петров;東京;300\r\n") << "bom";
}

// A save writes only what changed: every record the user did not touch keeps its bytes, its
// quoting, spaces, trailing separators and line end included, in the file's own encoding.
void tst_DataTable::csvSaveKeepsUntouchedRecords()
{
    QFETCH(QString, encoding);
    QFETCH(int, row);
    QFETCH(int, col);
    QFETCH(QString, value);
    QFETCH(QString, from);
    QFETCH(QString, to);
    QFETCH(QString, saved);
    const auto encoded = [](const QString &text, const QString &enc) {
        return enc == QLatin1String("cp1251") ? Cp1251::encode(text)
                                              : (enc == QLatin1String("bom") ? QByteArray("\xEF\xBB\xBF") : QByteArray()) + text.toUtf8();
    };
    const QString original = QString::fromUtf8(TestFiles::readBytes(data(QStringLiteral("untouched_records_keep_their_bytes.csv"))));
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Фирмы.csv"));
    TestFiles::writeBytes(path, encoded(original, encoding));
    TDataTable table = LoadDataGrid(path, 0);
    QCOMPARE(table.text.cell(1, 1), QStringLiteral("ООО \"Север/Юг\""));
    QCOMPARE(table.text.cell(1, 2), QStringLiteral("ЗАО \"Заря\" и партнёры"));
    TTextGrid grid = table.text;
    if (row > 0)
        grid.setCell(col, row, value);
    if (row == -1) {
        grid.setRowCount(grid.rowCount() + 1);
        const QStringList added{QStringLiteral("Новая"), QStringLiteral("Уфа"), QStringLiteral("500")};
        for (int c = 1; c <= 3; ++c)
            grid.setCell(c, grid.rowCount() - 1, added[c - 1]);
    }
    if (row == -2)
        grid.removeRow(grid.rowCount() - 1);
    SaveDataTable(grid, path, 0, {}, table.extent);
    QString expected = original;
    if (!from.isEmpty()) {
        QCOMPARE(original.count(from), 1);
        expected.replace(from, to);
    }
    QCOMPARE(TestFiles::readBytes(path), encoded(expected, saved));
}

void tst_DataTable::untouchedCellsKeepTypeStyleAndFormula_data()
{
    QTest::addColumn<QString>("fixture");
    QTest::addColumn<QString>("part");    // the part that holds the sheet
    QTest::addColumn<int>("row");         // the one cell edited (grid row, field)
    QTest::addColumn<int>("col");
    QTest::addColumn<QStringList>("kept"); // cells that must stay exactly as written
    QTest::newRow("xlsx") << "three_sheets_lo.xlsx" << "xl/worksheets/sheet1.xml" << 2 << 2
        << QStringList({QStringLiteral("<c r=\"B2\" s=\"0\" t=\"n\"><v>1500</v></c>"),
                        QStringLiteral("<c r=\"C2\" s=\"1\" t=\"n\"><v>45366</v></c>"),
                        QStringLiteral("<c r=\"D2\" s=\"2\" t=\"b\"><v>1</v></c>"),
                        QStringLiteral("<c r=\"E2\" s=\"0\" t=\"n\"><f aca=\"false\">B2*2</f><v>3000</v></c>"),
                        QStringLiteral("<c r=\"C3\" s=\"3\" t=\"n\"><v>45366.4375</v></c>")});
    QTest::newRow("ods") << "ods_untouched_cells_keep_type_and_formula.ods" << "content.xml" << 2 << 2
        << QStringList({QStringLiteral("<table:table-cell table:style-name=\"ce1\" office:value-type=\"string\"><text:p>Цена</text:p>"),
                        QStringLiteral("<table:table-cell office:value-type=\"float\" office:value=\"7\"><text:p>7</text:p>"),
                        QStringLiteral("<table:table-cell table:formula=\"of:=[.B2]*2\" office:value-type=\"float\" "
                                       "office:value=\"14\"><text:p>14</text:p>")});
}

// A save changes only the cells the user changed: the others keep their type, style and formula.
void tst_DataTable::untouchedCellsKeepTypeStyleAndFormula()
{
    QFETCH(QString, fixture);
    QFETCH(QString, part);
    QFETCH(int, row);
    QFETCH(int, col);
    QFETCH(QStringList, kept);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Данные.") + QFileInfo(fixture).suffix());
    QVERIFY(QFile::copy(fixturePath(fixture), path));
    QFile(path).setPermissions(QFile::ReadOwner | QFile::WriteOwner);
    const auto sheet = [&] {
        ZipReader zip(path);
        return QString::fromUtf8(zip.data(zip.indexOf(part)));
    };
    for (const QString &cell : kept)
        QVERIFY2(sheet().contains(cell), qPrintable(cell));
    const TDataTable table = LoadDataGrid(path, 0);
    TTextGrid grid = table.text;
    grid.setCell(col, row, QStringLiteral("Изменено"));
    SaveDataTable(grid, path, 0, {}, table.extent);
    const QString after = sheet();
    for (const QString &cell : kept)
        QVERIFY2(after.contains(cell), qPrintable(cell));
    QVERIFY(after.contains(QStringLiteral("Изменено")));
    QCOMPARE(LoadDataGrid(path, 0).text.cell(col, row), QStringLiteral("Изменено"));
}

void tst_DataTable::abandonedTemporaryFilesGo_data()
{
    QTest::addColumn<QString>("fixture");
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("save"); // the next save removes them, else the next load
    for (const bool save : {false, true}) {
        const char *what = save ? "save" : "load";
        QTest::addRow("%s, csv", what) << "cp1251_comma.csv" << "Данные.csv" << save;
        QTest::addRow("%s, xlsx", what) << "three_sheets_lo.xlsx" << "Данные.xlsx" << save;
        QTest::addRow("%s, ods", what) << "ods_other_sheets_kept_on_save.ods" << "Данные.ods" << save;
    }
}

// A save killed midway leaves its temporary file beside the data file; the next load or save of
// that file removes it, and only it: the temporary files of a save still running, of another
// file and of an older version stay.
void tst_DataTable::abandonedTemporaryFilesGo()
{
    QFETCH(QString, fixture);
    QFETCH(QString, name);
    QFETCH(bool, save);
    QTemporaryDir dir;
    const QString path = dir.filePath(name);
    QVERIFY(QFile::copy(fixturePath(fixture), path));
    QFile(path).setPermissions(QFile::ReadOwner | QFile::WriteOwner);
    QProcess ended; // its id names no running process once it has ended
    ShortProcesses::startEnding(ended);
    QVERIFY(ended.waitForStarted());
    const QString deadPid = QString::number(ended.processId());
    QVERIFY(ended.waitForFinished());
    const auto killedSave = [&](const QString &target) {
        QStringList parts = QFileInfo(PendingFile(target).path()).fileName().split(QLatin1Char('-'));
        parts[1] = deadPid;
        const QString temp = parts.join(QLatin1Char('-'));
        TestFiles::writeBytes(dir.filePath(temp), QByteArray(5000, 'x'));
        return temp;
    };
    std::optional<TDataTable> table;
    if (save)
        table = LoadDataGrid(path, 0);
    PendingFile running(path);
    TestFiles::writeBytes(running.path(), "в работе");
    const QString killed = killedSave(path), otherFile = killedSave(dir.filePath(QStringLiteral("Другой.csv")));
    const QString older = QStringLiteral(".~dokrava-%1-1f2e.tmp").arg(deadPid);
    TestFiles::writeBytes(dir.filePath(older), "x");
    if (save)
        SaveDataTable(table->text, path, 0, {}, table->extent);
    else
        LoadDataGrid(path, 0);
    QStringList expected{name, QFileInfo(running.path()).fileName(), otherFile, older};
    expected.sort();
    QVERIFY(!expected.contains(killed));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden, QDir::Name), expected);
}

void tst_DataTable::saveErasesBeyondGrid_data()
{
    QTest::addColumn<QString>("fixture");
    QTest::addColumn<bool>("loaded");  // the grid is the file's loaded table, its first name edited
    QTest::addColumn<bool>("narrow");  // then its second field is deleted and three rows are added
    QTest::addColumn<QStringList>("expected"); // the first sheet afterwards, 7 columns
    const QString empty = QStringLiteral("~|~|~|~|~|~|~");
    const QString merged = QStringLiteral("~|~|~|~|~|объединено|~");
    QTest::newRow("nothing loaded: only the grid's cells") << "three_sheets_lo.xlsx" << false << false
        << QStringList({QStringLiteral("~|~|~|~|Формула|~|~"), QStringLiteral("~|~|~|~|3000|~|~"),
                        QStringLiteral("~|~|~|~|xПетров П.П.|~|~"), QStringLiteral("~|~|~|~|-1234567,25|~|~"), empty,
                        empty, empty, empty});
    const QStringList kept = {QStringLiteral("ФИО|Город|~|Примечание|~|~|~"), QStringLiteral("Сидоров|Москва|~|15.03.2024|~|~|~"),
                              QStringLiteral("Петров|Омск|справа|~|~|~|~"), QStringLiteral("~|скрыто|~|~|~|~|~"),
                              QStringLiteral("После пропуска|Тверь|~|~|~|~|~"), empty, merged};
    const QStringList narrowed = {QStringLiteral("ФИО|~|~|Примечание|~|~|~"), QStringLiteral("Сидоров|~|~|15.03.2024|~|~|~"),
                                  QStringLiteral("Петров|~|справа|~|~|~|~"), empty, empty, empty, merged};
    for (const QString &ext : {QStringLiteral("xlsx"), QStringLiteral("csv"), QStringLiteral("xls")}) {
        const QString file = QStringLiteral("gap_below_rows_kept_on_save.") + ext;
        QTest::addRow("%s: cells the load did not read kept", qPrintable(ext)) << file << true << false << kept;
        QTest::addRow("%s: a deleted field's column emptied", qPrintable(ext)) << file << true << true << narrowed;
    }
}

void tst_DataTable::saveErasesBeyondGrid()
{
    QFETCH(QString, fixture);
    QFETCH(bool, loaded);
    QFETCH(bool, narrow);
    QFETCH(QStringList, expected);
    const QString suffix = QFileInfo(fixture).suffix();
    const QString soffice = QStandardPaths::findExecutable(QStringLiteral("soffice"));
    if (suffix == QLatin1String("xls") && soffice.isEmpty())
        QSKIP("LibreOffice (soffice) is not installed");
    QTemporaryDir dir;
    const QString path = copyTo(dir, fixture, QStringLiteral("e.") + suffix);
    TGridModel grid; // unloaded: the initial 5 x 5 grid of empty texts, three rows added
    TableExtent extent;
    if (loaded) {
        const TDataTable table = LoadDataTable(path, 0);
        grid.load(table.headers, table.rows);
        extent = table.extent;
        grid.setCell(1, 1, QStringLiteral("Сидоров"));
    }
    if (!loaded || narrow)
        grid.appendRows(3);
    if (narrow)
        grid.removeColumn(2);
    SaveDataTable(grid.textGrid(), path, -1, OfficeConverter::fileConverter(soffice), extent);
    auto book = OpenSpreadsheet(path);
    QCOMPARE(dump(*book, int(expected.size()), 7), expected);
    if (suffix == QLatin1String("xlsx") && loaded) {
        // Cells outside keep their format: the date still reads as a date, the merge stays.
        ZipReader zip(path);
        QVERIFY(zip.data(zip.indexOf(QStringLiteral("xl/worksheets/sheet1.xml"))).contains("<mergeCell ref=\"F7:G7\"/>"));
    }
}

void tst_DataTable::saveFollowsSymbolicLink_data()
{
    QTest::addColumn<QString>("fixture"); // "" for an ".ods" this program wrote
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("chain");      // a link to a link
    QTest::newRow("xlsx") << "three_sheets_lo.xlsx" << "t.xlsx" << false;
    QTest::newRow("csv, link to a link") << "cp1251_comma.csv" << "t.csv" << true;
    QTest::newRow("ods written here") << "" << "t.ods" << false;
    QTest::newRow("ods from an office suite") << "ods_other_sheets_kept_on_save.ods" << "t.ods" << true;
}

void tst_DataTable::saveFollowsSymbolicLink()
{
#ifdef Q_OS_UNIX
    QFETCH(QString, fixture);
    QFETCH(QString, name);
    QFETCH(bool, chain);
    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("real")));
    const QString real = dir.filePath(QStringLiteral("real/") + name);
    TGridModel grid;
    grid.load({QStringLiteral("Старое")}, {{QStringLiteral("x")}});
    if (fixture.isEmpty())
        SaveDataTable(grid.textGrid(), real, 0, {}, TableExtent());
    else
        QVERIFY(QFile::copy(fixturePath(fixture), real));
    QFile(real).setPermissions(QFile::ReadOwner | QFile::WriteOwner);
    // Relative links, as a user makes them with "ln -s".
    const QString link = dir.filePath(QStringLiteral("link-") + name);
    QVERIFY(QFile::link(QStringLiteral("real/") + name, chain ? link + QStringLiteral(".0") : link));
    if (chain)
        QVERIFY(QFile::link(QStringLiteral("link-") + name + QStringLiteral(".0"), link));
    grid.load({QStringLiteral("Поле")}, {{QStringLiteral("значение")}});
    SaveDataTable(grid.textGrid(), link, 0, {}, LoadDataTable(link, 0).extent);
    QVERIFY(QFileInfo(link).isSymLink());
    const TDataTable t = LoadDataTable(real, 0);
    QCOMPARE(t.headers.first(), QStringLiteral("Поле"));
    QCOMPARE(t.rows.first().first(), QStringLiteral("значение"));
    QCOMPARE(QDir(dir.filePath(QStringLiteral("real"))).entryList(QDir::Files | QDir::Hidden), QStringList({name}));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden | QDir::System).size(), chain ? 2 : 1);
#else
    QSKIP("Symbolic links are made by the tests on Unix only");
#endif
}

void tst_DataTable::failedWriteOrSyncKeepsFile_data()
{
    QTest::addColumn<QString>("fixture"); // "" for an ".ods" this program wrote
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("fault");       // 0 the file-size limit, -1 the sync to disk fails, else write()'s error code
    QTest::addColumn<QString>("reason");  // what the message says
    const QList<std::tuple<const char *, int, QString>> faults{
        {"size limit", 0, QStringLiteral("Файл слишком велик для этого диска")},
        {"sync fails", -1, QStringLiteral("данные не удалось сохранить на диске")},
        {"disk full", ENOSPC, QStringLiteral("Недостаточно места на диске")},
        {"write refused", EACCES, QStringLiteral("Нет доступа к файлу")},
    };
    for (const auto &[fault, code, reason] : faults) {
        QTest::addRow("xlsx, %s", fault) << "three_sheets_lo.xlsx" << "Данные.xlsx" << code << reason;
        QTest::addRow("csv, %s", fault) << "cp1251_comma.csv" << "Данные.csv" << code << reason;
        QTest::addRow("ods written here, %s", fault) << "" << "Данные.ods" << code << reason;
        QTest::addRow("ods from an office suite, %s", fault) << "ods_other_sheets_kept_on_save.ods" << "Данные.ods"
                                                            << code << reason;
    }
}

// A failed save names the file and the reason, and leaves the file and its folder as they were.
void tst_DataTable::failedWriteOrSyncKeepsFile()
{
#ifdef Q_OS_LINUX
    QFETCH(QString, fixture);
    QFETCH(QString, name);
    QFETCH(int, fault);
    QFETCH(QString, reason);
    QTemporaryDir dir;
    const QString path = dir.filePath(name);
    TGridModel grid;
    grid.load({QStringLiteral("Старое")}, {{QStringLiteral("x")}});
    if (fixture.isEmpty())
        SaveDataTable(grid.textGrid(), path, 0, {}, TableExtent());
    else
        QVERIFY(QFile::copy(fixturePath(fixture), path));
    QFile(path).setPermissions(QFile::ReadOwner | QFile::WriteOwner);
    const QByteArray before = TestFiles::readBytes(path);
    // Text that does not compress, so that the new file passes the size limit.
    QString noise;
    for (int i = 0; i < 40000; ++i)
        noise += QChar(char16_t(0x410 + QRandomGenerator::global()->bounded(64)));
    grid.load({QStringLiteral("ФИО")}, {{noise}});
    const TableExtent loaded = LoadDataTable(path, 0).extent;
    QString message;
    {
        std::optional<DiskFaults::FileSizeLimit> limit;
        std::optional<DiskFaults::WriteFault> failing;
        if (fault < 0)
            DiskFaults::syncFails = true;
        else if (fault == 0)
            limit.emplace(before.size() + 1024);
        else
            failing.emplace(fault);
        try {
            SaveDataTable(grid.textGrid(), path, 0, {}, loaded);
        } catch (const DokravaError &e) {
            message = e.message();
        }
        DiskFaults::syncFails = false;
    }
    QVERIFY2(message.contains(name) && message.contains(reason) && !message.contains(QStringLiteral("dokrava-")),
             qPrintable(message));
    QCOMPARE(TestFiles::readBytes(path), before);
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList({name}));
#else
    QSKIP("Disk faults are simulated on Linux only");
#endif
}

void tst_DataTable::odsRoundTrip()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("d.ods"));
    TGridModel grid;
    grid.load({QStringLiteral("A"), QStringLiteral("B")}, {{QStringLiteral("1")}, {QStringLiteral("x"), QStringLiteral("y")}});
    SaveDataTable(grid.textGrid(), path, 3, {}, TableExtent());
    const TDataTable t = LoadDataTable(path, 5);
    QCOMPARE(t.sheetNames, QStringList({QStringLiteral("Лист 1")}));
    QCOMPARE(t.dirNames, QStringList({QStringLiteral("A")}));
    QCOMPARE(t.rows, QList<QStringList>({{QStringLiteral("1"), QString()}, {QStringLiteral("x"), QStringLiteral("y")}}));
}

void tst_DataTable::saveNeverCreatesSpreadsheet()
{
    QTemporaryDir dir;
    TGridModel grid;
    for (const QString &name : {QStringLiteral("n.xlsx"), QStringLiteral("n.xls"), QStringLiteral("n.csv")}) {
        QVERIFY_THROWS_EXCEPTION(DokravaError, SaveDataTable(grid.textGrid(), dir.filePath(name), 0, {}, TableExtent()));
        QVERIFY(!QFile::exists(dir.filePath(name)));
    }
}

void tst_DataTable::failedSaveKeepsFile()
{
    QTemporaryDir dir;
    const QString path = copyTo(dir, QStringLiteral("three_sheets_lo.xlsx"), QStringLiteral("f.xlsx"));
    const QByteArray before = TestFiles::readBytes(path);
    TGridModel grid;
    QVERIFY_THROWS_EXCEPTION(DokravaError, SaveDataTable(grid.textGrid(), path, 3, {}, TableExtent())); // no fourth sheet
    QCOMPARE(TestFiles::readBytes(path), before);
    QFile(path).setPermissions(QFile::ReadOwner);
    try {
        SaveDataTable(grid.textGrid(), path, 0, {}, TableExtent());
        QFAIL("a read-only file was replaced");
    } catch (const DokravaError &e) {
        QVERIFY(e.message().contains(QStringLiteral("только для чтения")));
    }
    QCOMPARE(TestFiles::readBytes(path), before);
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files).size(), 1);
    // A read-only ".ods" is refused as well.
    const QString ods = dir.filePath(QStringLiteral("ro.ods"));
    grid.load({QStringLiteral("Поле")}, {{QStringLiteral("x")}});
    SaveDataTable(grid.textGrid(), ods, 0, {}, TableExtent());
    QFile(ods).setPermissions(QFile::ReadOwner);
    const QByteArray odsBefore = TestFiles::readBytes(ods);
    grid.setCell(1, 1, QStringLiteral("y"));
    QVERIFY_THROWS_EXCEPTION(DokravaError, SaveDataTable(grid.textGrid(), ods, 0, {}, TableExtent()));
    QCOMPARE(TestFiles::readBytes(ods), odsBefore);
}

void tst_DataTable::xlsSaveThroughConverter()
{
    const QString soffice = QStandardPaths::findExecutable(QStringLiteral("soffice"));
    if (soffice.isEmpty())
        QSKIP("LibreOffice (soffice) is not installed");
    QTemporaryDir dir;
    const QString path = copyTo(dir, QStringLiteral("three_sheets_lo.xls"), QStringLiteral("Данные.xls"));
    const TDataTable first = LoadDataTable(path, 0);
    TGridModel grid;
    grid.load({QStringLiteral("ФИО"), QStringLiteral("Код")}, {{QStringLiteral("Иванов"), QStringLiteral("007")}});
    QCOMPARE(SaveDataTable(grid.textGrid(), path, 1, OfficeConverter::fileConverter(soffice), LoadDataTable(path, 1).extent), QStringLiteral("Сохранение выполнено"));
    const TDataTable second = LoadDataTable(path, 1);
    QCOMPARE(second.headers, grid.headers());
    QCOMPARE(second.rows, QList<QStringList>({grid.record(1)}));
    const TDataTable firstAfter = LoadDataTable(path, 0);
    QCOMPARE(firstAfter.headers, first.headers);
    QCOMPARE(firstAfter.rows.first().mid(0, 4), first.rows.first().mid(0, 4));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList({QStringLiteral("Данные.xls")}));
}

void tst_DataTable::xlsSaveKeepsFileWhenConversionFails_data()
{
    // The stand-in converter's answer to each step: first ".xls" to ".xlsx", then back.
    QTest::addColumn<QByteArray>("toXlsx");
    QTest::addColumn<QByteArray>("toXls");
    const QByteArray good = "cp '" DOKRAVA_TEST_DATA "/table/three_sheets_lo.xlsx' \"$out/$base.xlsx\"";
    const QByteArray truncatedXls = "cp '" DOKRAVA_TEST_DATA "/generation/truncated_xls_is_no_document.xls' \"$out/$base.xls\"";
    QTest::newRow("first step fails") << QByteArray("exit 1") << QByteArray("exit 1");
    QTest::newRow("first step writes a broken workbook") << QByteArray("echo junk > \"$out/$base.xlsx\"") << QByteArray("exit 1");
    QTest::newRow("second step writes a cut-short workbook") << good << truncatedXls;
    QTest::newRow("second step fails after writing") << good << truncatedXls + "; exit 3";
}

void tst_DataTable::xlsSaveKeepsFileWhenConversionFails()
{
    QFETCH(QByteArray, toXlsx);
    QFETCH(QByteArray, toXls);
    QTemporaryDir dir;
    const QString converter = dir.filePath(QStringLiteral("soffice"));
    {
        QFile script(converter);
        QVERIFY(script.open(QIODevice::WriteOnly));
        script.write("#!/bin/sh\nfmt=''; out=''; src=''\n"
                     "while [ $# -gt 0 ]; do case \"$1\" in --convert-to) fmt=\"$2\"; shift;; --outdir) out=\"$2\"; shift;;"
                     " *) src=\"$1\";; esac; shift; done\n"
                     "base=$(basename \"$src\"); base=${base%.*}; mkdir -p \"$out\"\n"
                     "case \"$fmt\" in xlsx) " + toXlsx + ";; *) " + toXls + ";; esac\n");
        script.close();
        script.setPermissions(script.permissions() | QFile::ExeOwner);
    }
    QDir(dir.path()).mkpath(QStringLiteral("book"));
    const QString path = copyTo(dir, QStringLiteral("three_sheets_lo.xls"), QStringLiteral("book/Данные.xls"));
    const QByteArray before = TestFiles::readBytes(path);
    TGridModel grid;
    grid.load({QStringLiteral("ФИО")}, {{QStringLiteral("Иванов")}});
    try {
        SaveDataTable(grid.textGrid(), path, 0, OfficeConverter::fileConverter(converter), LoadDataTable(path, 0).extent);
        QFAIL("a failed conversion was taken for a save");
    } catch (const DokravaError &e) {
        QVERIFY2(e.message().contains(QStringLiteral("Данные.xls")) && e.message().endsWith(QStringLiteral("Файл не изменён")),
                 qPrintable(e.message()));
    }
    QCOMPARE(TestFiles::readBytes(path), before);
    QCOMPARE(QDir(dir.filePath(QStringLiteral("book"))).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("Данные.xls")});
}

QTEST_GUILESS_MAIN(tst_DataTable)
#include "tst_DataTable.moc"
