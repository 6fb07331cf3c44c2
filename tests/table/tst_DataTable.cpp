// Loading and saving the data table for every format, and the template scan.
#include "TestFiles.h"
#include "odf/ZipReader.h"
#include "shell/DokravaError.h"
#include "table/DataTableLoader.h"
#include "table/DataTableSaver.h"
#include "table/TGridModel.h"
#include "table/TSpreadsheet.h"
#include "table/TemplateScan.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

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

void touch(const QString &path)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
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
    void chosenSheetOutOfRangeTakesFirst();
    void loadNeverWritesTheFile();
    void saveRoundTrip_data();
    void saveRoundTrip();
    void saveKeepsOtherSheets();
    void saveErasesBeyondGrid();
    void odsRoundTrip();
    void saveNeverCreatesSpreadsheet();
    void failedSaveKeepsFile();
    void xlsSaveThroughConverter();
    void templateScan();
    void templateScanMissingFolder();
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
    ApplyDataTable(grid, t);
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
    ApplyDataTable(grid, t);
    QCOMPARE(grid.colCount(), 4);
    QCOMPARE(grid.rowCount(), 10);
    QCOMPARE(grid.cell(2, 5), QStringLiteral("b6"));
    QCOMPARE(grid.cell(2, 6), QString()); // B7 empty
    QCOMPARE(grid.cell(3, 9), QStringLiteral("c10"));
}

void tst_DataTable::emptyA1GivesTwoByTwo()
{
    QTemporaryDir dir;
    const TDataTable t = LoadDataTable(workbookWith(dir, {QStringLiteral("B1=x"), QStringLiteral("A2=y")}), 1);
    QVERIFY(t.headers.isEmpty());
    QVERIFY(t.dirNames.isEmpty());
    TGridModel grid;
    ApplyDataTable(grid, t);
    QCOMPARE(grid.colCount(), 2);
    QCOMPARE(grid.rowCount(), 2);
    QCOMPARE(grid.cell(1, 0), QString());
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
    const QString notice = SaveDataTable(grid, path, 0, QString());
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
    ZipReader before(path);
    const QByteArray sheet1 = before.data(before.indexOf(QStringLiteral("xl/worksheets/sheet1.xml")));
    TGridModel grid;
    grid.load({QStringLiteral("Новое")}, {{QStringLiteral("значение")}});
    SaveDataTable(grid, path, 1, QString());
    QCOMPARE(LoadDataTable(path, 0).rows, first.rows);
    QCOMPARE(LoadDataTable(path, 2).rows, third.rows);
    const TDataTable second = LoadDataTable(path, 1);
    QCOMPARE(second.headers, QStringList({QStringLiteral("Новое")}));
    ZipReader after(path);
    QCOMPARE(after.data(after.indexOf(QStringLiteral("xl/worksheets/sheet1.xml"))), sheet1);
}

void tst_DataTable::saveErasesBeyondGrid()
{
    QTemporaryDir dir;
    const QString path = copyTo(dir, QStringLiteral("three_sheets_lo.xlsx"), QStringLiteral("e.xlsx"));
    TGridModel grid; // the initial 5 x 5 grid of empty texts, three rows added
    grid.appendRows(3);
    SaveDataTable(grid, path, -1, QString());
    auto book = OpenSpreadsheet(path);
    for (int r = 1; r <= 8; ++r)
        for (int c = 1; c <= 6; ++c)
            QVERIFY2(!book->hasValue(r, c), qPrintable(QStringLiteral("%1,%2").arg(r).arg(c)));
}

void tst_DataTable::odsRoundTrip()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("d.ods"));
    TGridModel grid;
    grid.load({QStringLiteral("A"), QStringLiteral("B")}, {{QStringLiteral("1")}, {QStringLiteral("x"), QStringLiteral("y")}});
    SaveDataTable(grid, path, 3, QString());
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
        QVERIFY_THROWS_EXCEPTION(DokravaError, SaveDataTable(grid, dir.filePath(name), 0, QString()));
        QVERIFY(!QFile::exists(dir.filePath(name)));
    }
}

void tst_DataTable::failedSaveKeepsFile()
{
    QTemporaryDir dir;
    const QString path = copyTo(dir, QStringLiteral("three_sheets_lo.xlsx"), QStringLiteral("f.xlsx"));
    const QByteArray before = TestFiles::readBytes(path);
    TGridModel grid;
    QVERIFY_THROWS_EXCEPTION(DokravaError, SaveDataTable(grid, path, 3, QString())); // no fourth sheet
    QCOMPARE(TestFiles::readBytes(path), before);
    QFile(path).setPermissions(QFile::ReadOwner);
    try {
        SaveDataTable(grid, path, 0, QString());
        QFAIL("a read-only file was replaced");
    } catch (const DokravaError &e) {
        QVERIFY(e.message().contains(QStringLiteral("только для чтения")));
    }
    QCOMPARE(TestFiles::readBytes(path), before);
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files).size(), 1);
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
    QCOMPARE(SaveDataTable(grid, path, 1, soffice), QStringLiteral("Сохранение выполнено"));
    const TDataTable second = LoadDataTable(path, 1);
    QCOMPARE(second.headers, grid.headers());
    QCOMPARE(second.rows, QList<QStringList>({grid.record(1)}));
    const TDataTable firstAfter = LoadDataTable(path, 0);
    QCOMPARE(firstAfter.headers, first.headers);
    QCOMPARE(firstAfter.rows.first().mid(0, 4), first.rows.first().mid(0, 4));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList({QStringLiteral("Данные.xls")}));
}

void tst_DataTable::templateScan()
{
    QTemporaryDir dir;
    const QString root = dir.path();
    touch(root + QStringLiteral("/b.docx"));
    touch(root + QStringLiteral("/REPORT.DOCX"));
    touch(root + QStringLiteral("/~$report.docx"));
    touch(root + QStringLiteral("/note.txt"));
    touch(root + QStringLiteral("/a.ODT"));
    touch(root + QStringLiteral("/Договоры/Аренда.doc"));
    touch(root + QStringLiteral("/Договоры/Глубже/z.odt"));
    QDir().mkpath(root + QStringLiteral("/folder.docx"));
    const QChar sep = QDir::separator();
    const QStringList list = TemplateScan::ListTemplates(root + sep);
    QCOMPARE(list, QStringList({QStringLiteral("b.docx"), QStringLiteral("REPORT.DOCX"),
                                QStringLiteral("Договоры") + sep + QStringLiteral("Аренда.doc"), QStringLiteral("a.ODT"),
                                QStringLiteral("Договоры") + sep + QStringLiteral("Глубже") + sep + QStringLiteral("z.odt")}));
    int calls = 0;
    QStringList odt;
    TemplateScan::AddTemplateFiles(root, odt, QStringLiteral(".odt"), [&calls] { ++calls; });
    QVERIFY(calls >= 9);
}

void tst_DataTable::templateScanMissingFolder()
{
    QStringList list;
    TemplateScan::AddTemplateFiles(QStringLiteral("/no/such/folder/"), list, QStringLiteral(".doc"));
    QVERIFY(list.isEmpty());
}

QTEST_GUILESS_MAIN(tst_DataTable)
#include "tst_DataTable.moc"
