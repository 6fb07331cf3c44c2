#include "base/AppFolder.h"
#include "base/DokravaError.h"
#include "base/ScratchFolder.h"
#include "grid/TGridModel.h"
#include "odf/OdsContentReader.h"
#include "odf/OdsWriter.h"
#include "odf/TODTProcessor.h"
#include "zip/ZipReader.h"
#include "zip/ZipWriter.h"

#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

using namespace dokrava;

namespace {

QString sheet(const QString &rows, const QString &more = QString())
{
    return QStringLiteral(
               "<?xml version=\"1.0\" encoding=\"UTF-8\"?><office:document-content "
               "xmlns:office=\"urn:oasis:names:tc:opendocument:xmlns:office:1.0\" "
               "xmlns:table=\"urn:oasis:names:tc:opendocument:xmlns:table:1.0\" "
               "xmlns:text=\"urn:oasis:names:tc:opendocument:xmlns:text:1.0\"><office:body><office:spreadsheet>"
               "<table:table table:name=\"A\"><table:table-column table:number-columns-repeated=\"3\"/>")
           + rows + QStringLiteral("</table:table>") + more
           + QStringLiteral("</office:spreadsheet></office:body></office:document-content>");
}

QString cell(const QString &text, const QString &attrs = QString())
{
    return QStringLiteral("<table:table-cell%1><text:p>%2</text:p></table:table-cell>").arg(attrs, text);
}

QString emptyCell(const QString &attrs = QString())
{
    return QStringLiteral("<table:table-cell%1/>").arg(attrs);
}

QString row(const QString &cells, const QString &attrs = QString())
{
    return QStringLiteral("<table:table-row%1>%2</table:table-row>").arg(attrs, cells);
}

QString parseError(const QString &xml)
{
    QStringList h;
    QList<QStringList> r;
    try {
        OdsContentReader::Parse(xml, h, r);
    } catch (const DokravaError &e) {
        return e.message();
    }
    return QString();
}

} // namespace

class TestOds : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void readTable_data();
    void readTable();
    void readErrors_data();
    void readErrors();
    void cellText_data();
    void cellText();
    void loadMessagesCarryPrefix();
    void loadFixturesMadeByLibreOffice_data();
    void loadFixturesMadeByLibreOffice();
    void writerExactContent();
    void writerPackageLayout();
    void writeReadRoundTrip();
    void writerReplacesExistingFile();
    void writerKeepsOtherSheetsOfForeignFile();
    void threeEntriesWithTwoSheetsKeepTheSecond();
    void libreOfficeReadsWrittenTable();

private:
    QTemporaryDir *m_app = nullptr;
};

void TestOds::init()
{
    m_app = new QTemporaryDir;
    AppFolder::setOverride(m_app->path());
}

void TestOds::cleanup()
{
    // Every operation removes its scratch folder, on success and on failure.
    const QDir temp(ProcessTempDir());
    QCOMPARE(temp.entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList());
    AppFolder::setOverride(QString());
    delete m_app;
}

void TestOds::readTable_data()
{
    QTest::addColumn<QString>("xml");
    QTest::addColumn<QStringList>("headers");
    QTest::addColumn<QList<QStringList>>("rows");
    const QString ab = row(cell("A") + cell("B"));
    QTest::newRow("simple") << sheet(ab + row(cell("1") + cell("2"))) << QStringList{"A", "B"}
                            << QList<QStringList>{{"1", "2"}};
    QTest::newRow("repeated cells expanded")
        << sheet(row(cell("A") + cell("B") + cell("C")) + row(cell("x", " table:number-columns-repeated=\"2\"") + cell("y")))
        << QStringList{"A", "B", "C"} << QList<QStringList>{{"x", "x", "y"}};
    QTest::newRow("empty repeated cells keep columns")
        << sheet(row(cell("A") + cell("B") + cell("C")) + row(cell("1") + emptyCell(" table:number-columns-repeated=\"1\"") + cell("3")))
        << QStringList{"A", "B", "C"} << QList<QStringList>{{"1", "", "3"}};
    QTest::newRow("repeated rows expanded")
        << sheet(ab + row(cell("1") + cell("2"), " table:number-rows-repeated=\"3\""))
        << QStringList{"A", "B"} << QList<QStringList>{{"1", "2"}, {"1", "2"}, {"1", "2"}};
    QTest::newRow("trailing empty cells and rows ignored")
        << sheet(row(cell("A") + emptyCell(" table:number-columns-repeated=\"16383\""))
                 + row(cell("1") + emptyCell(" table:number-columns-repeated=\"16383\""))
                 + row(emptyCell(" table:number-columns-repeated=\"16384\""), " table:number-rows-repeated=\"1048574\""))
        << QStringList{"A"} << QList<QStringList>{{"1"}};
    QTest::newRow("empty row in the middle is a record")
        << sheet(ab + row(cell("1") + cell("2")) + row(emptyCell() + emptyCell()) + row(cell("3") + cell("4")))
        << QStringList{"A", "B"} << QList<QStringList>{{"1", "2"}, {"", ""}, {"3", "4"}};
    QTest::newRow("header trimmed, values not")
        << sheet(row(cell("  A \t")) + row(cell("  v "))) << QStringList{"A"} << QList<QStringList>{{"  v "}};
    QTest::newRow("same header twice takes the later column")
        << sheet(row(cell("A") + cell("B") + cell("A")) + row(cell("1") + cell("2") + cell("3")))
        << QStringList{"B", "A"} << QList<QStringList>{{"2", "3"}};
    QTest::newRow("empty header names no field")
        << sheet(row(cell("A") + emptyCell() + cell("C")) + row(cell("1") + cell("2") + cell("3")))
        << QStringList{"A", "C"} << QList<QStringList>{{"1", "3"}};
    QTest::newRow("short row gives empty values")
        << sheet(ab + row(cell("1"))) << QStringList{"A", "B"} << QList<QStringList>{{"1", ""}};
    QTest::newRow("columns in sheet order")
        << sheet(row(cell("Я") + cell("Б") + cell("а")) + row(cell("1") + cell("2") + cell("3")))
        << QStringList{"Я", "Б", "а"} << QList<QStringList>{{"1", "2", "3"}};
    QTest::newRow("only the first table")
        << sheet(ab + row(cell("1") + cell("2")), "<table:table>" + row(cell("X")) + row(cell("9")) + "</table:table>")
        << QStringList{"A", "B"} << QList<QStringList>{{"1", "2"}};
    QTest::newRow("covered cell keeps its column")
        << sheet(row(cell("A") + cell("B") + cell("C"))
                 + row(cell("1", " table:number-columns-spanned=\"2\"") + "<table:covered-table-cell/>" + cell("3")))
        << QStringList{"A", "B", "C"} << QList<QStringList>{{"1", "", "3"}};
    QTest::newRow("header and row groups")
        << sheet("<table:table-header-rows>" + ab + "</table:table-header-rows><table:table-row-group>"
                 + row(cell("1") + cell("2")) + "</table:table-row-group>")
        << QStringList{"A", "B"} << QList<QStringList>{{"1", "2"}};
    QTest::newRow("repeated header row repeats as data")
        << sheet(row(cell("A"), " table:number-rows-repeated=\"2\"") + row(cell("1")))
        << QStringList{"A"} << QList<QStringList>{{"A"}, {"1"}};
    QTest::newRow("row without cells passed over")
        << sheet(row("") + ab + row(cell("1") + cell("2"))) << QStringList{"A", "B"}
        << QList<QStringList>{{"1", "2"}};
    QTest::newRow("attributes and namespaces on cells")
        << sheet(row(cell("A", " table:style-name=\"ce1\" office:value-type=\"string\""))
                 + row(cell("5", " office:value-type=\"float\" office:value=\"5\"")))
        << QStringList{"A"} << QList<QStringList>{{"5"}};
}

void TestOds::readTable()
{
    QFETCH(QString, xml);
    QFETCH(QStringList, headers);
    QFETCH(QList<QStringList>, rows);
    QStringList h{"stale"};
    QList<QStringList> r{{"stale"}};
    OdsContentReader::Parse(xml, h, r);
    QCOMPARE(h, headers);
    QCOMPARE(r, rows);
}

void TestOds::readErrors_data()
{
    QTest::addColumn<QString>("xml");
    QTest::addColumn<QString>("message");
    QTest::newRow("no table") << "<office:document-content><office:body/></office:document-content>"
                              << "Таблица не найдена в content.xml";
    QTest::newRow("no end of table")
        << "<a><table:table>" + row(cell("A")) + row(cell("1")) << "Не найден конец таблицы";
    QTest::newRow("blank first row with cells") << sheet(row(emptyCell()) + row(cell("A")) + row(cell("1")))
                                                << "Заголовки не найдены. Проверьте файл.";
    QTest::newRow("header only") << sheet(row(cell("A"))) << "Нет строк данных в файле";
    QTest::newRow("empty table") << sheet(QString()) << "Нет строк данных в файле";
    QTest::newRow("only trailing empty rows") << sheet(row(cell("A")) + row(emptyCell(), " table:number-rows-repeated=\"9\""))
                                              << "Нет строк данных в файле";
    QTest::newRow("hostile repeat count")
        << sheet(row(cell("A") + cell("B")) + row(cell("1"), " table:number-rows-repeated=\"2000000000\""))
        << "Таблица слишком велика";
    QTest::newRow("broken markup") << sheet(row(cell("A")) + "<table:table-row><x></table:table-row>")
                                   << "Файл content.xml повреждён";
}

void TestOds::readErrors()
{
    QFETCH(QString, xml);
    QFETCH(QString, message);
    const QString actual = parseError(xml);
    QVERIFY2(actual.startsWith(message), qPrintable(actual));
}

void TestOds::cellText_data()
{
    QTest::addColumn<QString>("xml");
    QTest::addColumn<QString>("text");
    QTest::newRow("plain") << "<text:p>abc</text:p>" << "abc";
    QTest::newRow("references once") << "<text:p>A &amp; B &amp;lt; &quot;q&quot; &apos;</text:p>" << "A & B &lt; \"q\" '";
    QTest::newRow("numeric references") << "<text:p>&#1071;&#x42;</text:p>" << "ЯB";
    QTest::newRow("paragraph attributes") << "<text:p text:style-name=\"P1\">x</text:p>" << "x";
    QTest::newRow("spans unwrapped") << "<text:p>a<text:span text:style-name=\"T1\">b<text:span>c</text:span></text:span>d</text:p>"
                                     << "abcd";
    QTest::newRow("link unwrapped") << "<text:p><text:a xlink:href=\"http://x\">site</text:a></text:p>" << "site";
    QTest::newRow("spaces tab break") << "<text:p>a<text:s/>b<text:s text:c=\"3\"/>c<text:tab/>d<text:line-break/>e</text:p>"
                                      << "a b   c\td\ne";
    QTest::newRow("paragraphs joined") << "<text:p>one</text:p><text:p/><text:p>three</text:p>" << "one\n\nthree";
    QTest::newRow("annotation ignored")
        << "<office:annotation><dc:creator>me</dc:creator><text:p>note</text:p></office:annotation><text:p>v</text:p>"
        << "v";
    QTest::newRow("no paragraph") << "" << "";
}

void TestOds::cellText()
{
    QFETCH(QString, xml);
    QFETCH(QString, text);
    QCOMPARE(OdsContentReader::ExtractParagraphText("<table:table-cell>" + xml + "</table:table-cell>"), text);
}

void TestOds::loadMessagesCarryPrefix()
{
    QTemporaryDir dir;
    const QString notZip = dir.filePath("plain.ods");
    QFile f(notZip);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("plain text");
    f.close();
    const QString noContent = dir.filePath("nocontent.ods");
    {
        ZipWriter zip(noContent);
        zip.addData("mimetype", "application/vnd.oasis.opendocument.spreadsheet", ZipWriter::Stored);
        zip.close();
    }
    const QString headerOnly = dir.filePath("header.ods");
    {
        ZipWriter zip(headerOnly);
        zip.addData("content.xml", sheet(row(cell("A"))).toUtf8(), ZipWriter::Deflated);
        zip.close();
    }
    const QList<QPair<QString, QString>> cases{
        {notZip, "Ошибка парсинга ODS: Файл «" + QDir::toNativeSeparators(notZip) + "» не является архивом ZIP"},
        {noContent, "Ошибка парсинга ODS: Файл content.xml не найден в ODS"},
        {headerOnly, "Ошибка парсинга ODS: Нет строк данных в файле"},
    };
    for (const auto &[path, message] : cases) {
        QStringList headers{"x"};
        QList<QStringList> rows{{"x"}};
        try {
            TODTProcessor().LoadODSToGrid(path, headers, rows);
            QFAIL("no error");
        } catch (const DokravaError &e) {
            QCOMPARE(e.message(), message);
        }
        QVERIFY(headers.isEmpty() && rows.isEmpty());
    }
}

void TestOds::loadFixturesMadeByLibreOffice_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QStringList>("headers");
    QTest::addColumn<int>("count");
    QTest::addColumn<QStringList>("last");
    QTest::newRow("formatted to the last row")
        << "ods_formatted_to_last_row.ods" << QStringList{"ФИО", "Город", "Сумма"} << 3
        << QStringList{"Сидоров", "Омск", "300"};
    QTest::newRow("repeated cells and rows expanded")
        << "ods_repeated_cells_and_rows_expanded.ods" << QStringList{"A", "B", "C", "D"} << 4
        << QStringList{"x", "x", "x", "end"};
    QTest::newRow("rich cell text")
        << "ods_rich_cell_text.ods" << QStringList{"Имя", "Заметка"} << 1
        << QStringList{"Анна", "первая строка\nвторая  строкас табуляцией & ссылкой"};
}

void TestOds::loadFixturesMadeByLibreOffice()
{
    QFETCH(QString, file);
    QFETCH(QStringList, headers);
    QFETCH(int, count);
    QFETCH(QStringList, last);
    QStringList h;
    QList<QStringList> r;
    QVERIFY(TODTProcessor().LoadODSToGrid(QStringLiteral(DOKRAVA_TEST_DATA "/odf/") + file, h, r));
    QCOMPARE(h, headers);
    QCOMPARE(r.size(), count);
    QCOMPARE(r.last(), last);
}

void TestOds::writerExactContent()
{
    TTextGrid grid(3, 2);
    grid.setCell(1, 0, "A & B");
    grid.setCell(2, 0, "\"q\"");
    grid.setCell(1, 1, QString("x\x01y\nz"));
    QTemporaryDir dir;
    const QString path = dir.filePath("t.ods");
    QVERIFY(SaveGridToODS(grid, path));
    ZipReader zip(path);
    const QString cellHead = "    <table:table-cell office:value-type=\"string\"><text:p>";
    const QString cellTail = "</text:p></table:table-cell>\n";
    const QString expected =
        "\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        "<office:document-content xmlns:office=\"urn:oasis:names:tc:opendocument:xmlns:office:1.0\" "
        "xmlns:table=\"urn:oasis:names:tc:opendocument:xmlns:table:1.0\" "
        "xmlns:text=\"urn:oasis:names:tc:opendocument:xmlns:text:1.0\" office:version=\"1.2\">\n"
        "<office:body><office:spreadsheet>\n<table:table table:name=\"Sheet1\">\n"
        "  <table:table-row>\n" + cellHead + cellTail + cellHead + "A &amp; B" + cellTail + cellHead + "&quot;q&quot;" + cellTail
        + "  </table:table-row>\n  <table:table-row>\n" + cellHead + cellTail + cellHead + "xy\nz" + cellTail + cellHead + cellTail
        + "  </table:table-row>\n</table:table></office:spreadsheet></office:body></office:document-content>";
    QCOMPARE(QString::fromUtf8(zip.data(zip.indexOf("content.xml"))), expected);
    const QByteArray manifest = zip.data(zip.indexOf("META-INF/manifest.xml"));
    QVERIFY(manifest.startsWith("\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<manifest:manifest "));
    QVERIFY(manifest.endsWith("\"text/xml\"/>\n</manifest:manifest>"));
    QVERIFY(!manifest.contains('\r'));
    QCOMPARE(manifest.count('\n'), 4);
}

void TestOds::writerPackageLayout()
{
    TGridModel grid;
    QTemporaryDir dir;
    const QString path = dir.filePath("p.ods");
    SaveGridToODS(grid.textGrid(), path);
    {
        // Closed before the file is saved over: Windows replaces no file that is held open.
        ZipReader zip(path);
        QCOMPARE(zip.count(), 3);
        QCOMPARE(zip.name(0), QString("mimetype"));
        QCOMPARE(zip.method(0), 0);
        QCOMPARE(zip.data(0), QByteArray("application/vnd.oasis.opendocument.spreadsheet"));
        QCOMPARE(zip.name(1), QString("content.xml"));
        QCOMPARE(zip.method(1), 8);
        QCOMPARE(zip.name(2), QString("META-INF/manifest.xml"));
        QCOMPARE(zip.method(2), 8);
        // The media type must be readable at a fixed offset: "mimetype" stored, no extra field.
        QFile f(path);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.read(38 + 46).mid(38), QByteArray("application/vnd.oasis.opendocument.spreadsheet"));
    }
    // Saved over, a file of this layout is written anew just the same.
    grid.setCell(1, 1, "другое");
    SaveGridToODS(grid.textGrid(), path);
    SaveGridToODS(grid.textGrid(), dir.filePath("fresh.ods"));
    ZipReader again(path);
    ZipReader fresh(dir.filePath("fresh.ods"));
    QCOMPARE(again.count(), 3);
    QCOMPARE(again.data(1), fresh.data(1));
}

void TestOds::writeReadRoundTrip()
{
    TGridModel grid;
    const QStringList headers{"ФИО", "A & B", "<тег>"};
    const QList<QStringList> rows{{"Иванов", "  пробелы ", "\"кавычки\" 'и' &amp;"},
                                  {"", "", ""},
                                  {"многострочный\nтекст", "tab\there", "последний"}};
    grid.load(headers, rows);
    QTemporaryDir dir;
    const QString path = dir.filePath("round.ods");
    SaveGridToODS(grid.textGrid(), path);
    QStringList h;
    QList<QStringList> r;
    QVERIFY(TODTProcessor().LoadODSToGrid(path, h, r));
    QCOMPARE(h, headers);
    QCOMPARE(r, rows);
}

void TestOds::writerReplacesExistingFile()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("x.ods");
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(QByteArray(100000, 'z'));
    f.close();
    TGridModel grid;
    grid.load({"F"}, {{"v"}});
    SaveGridToODS(grid.textGrid(), path);
    QStringList h;
    QList<QStringList> r;
    TODTProcessor().LoadODSToGrid(path, h, r);
    QCOMPARE(h, QStringList{"F"});
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"x.ods"});
    // A folder that does not exist: nothing is written, the message names the file.
    QVERIFY_THROWS_EXCEPTION(DokravaError, SaveGridToODS(grid.textGrid(), dir.filePath("none/y.ods")));
}

void TestOds::writerKeepsOtherSheetsOfForeignFile()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("data.ods");
    QVERIFY(QFile::copy(DOKRAVA_TEST_DATA "/odf/ods_other_sheets_kept_on_save.ods", path));
    QFile(path).setPermissions(QFile::ReadOwner | QFile::WriteOwner);
    QStringList h;
    QList<QStringList> r;
    TODTProcessor().LoadODSToGrid(path, h, r);
    QCOMPARE(h, QStringList({"ФИО", "Город"})); // column B has no name
    QList<QPair<QString, QByteArray>> before;
    {
        ZipReader zip(path);
        for (int i = 0; i < zip.count(); ++i)
            before.append({zip.name(i), zip.data(i)});
    }
    TGridModel grid;
    grid.load(h, r);
    grid.setCell(2, 1, "Казань");
    grid.appendRows(1);
    grid.setCell(1, 3, "Сидоров");
    grid.appendColumn("Новое");
    grid.setCell(3, 2, "н");
    SaveGridToODS(grid.textGrid(), path);

    ZipReader after(path);
    QCOMPARE(after.count(), before.size());
    QString oldContent, newContent;
    for (int i = 0; i < after.count(); ++i) {
        QCOMPARE(after.name(i), before[i].first);
        if (after.name(i) != "content.xml") {
            QCOMPARE(after.data(i), before[i].second);
            continue;
        }
        oldContent = QString::fromUtf8(before[i].second);
        newContent = QString::fromUtf8(after.data(i));
    }
    // Styles, the table's start tag and its column widths stay, and so do the other sheets.
    const qsizetype firstRow = oldContent.indexOf("<table:table-row");
    QCOMPARE(newContent.left(firstRow), oldContent.left(firstRow));
    QVERIFY(newContent.endsWith(oldContent.mid(oldContent.indexOf("</table:table>"))));
    TODTProcessor().LoadODSToGrid(path, h, r);
    QCOMPARE(h, grid.headers());
    QCOMPARE(r, QList<QStringList>({grid.record(1), grid.record(2), grid.record(3)}));
    // The unnamed column keeps its place and value; the new field takes the next free column,
    // before the value beyond the named ones.
    QVERIFY(newContent.contains("<text:p>Иванов</text:p></table:table-cell><table:table-cell office:value-type=\"string\" "
                                "calcext:value-type=\"string\"><text:p>скрытое</text:p></table:table-cell>"
                                "<table:table-cell office:value-type=\"string\"><text:p>Казань</text:p>"));
    QVERIFY(newContent.contains("<text:p>н</text:p></table:table-cell><table:table-cell office:value-type=\"string\" "
                                "calcext:value-type=\"string\"><text:p>заметка</text:p>"));
}

// Three entries named as this writer names them do not make a file its own: a second sheet in
// the content is kept, and so is the first sheet's name.
void TestOds::threeEntriesWithTwoSheetsKeepTheSecond()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("data.ods");
    QVERIFY(QFile::copy(DOKRAVA_TEST_DATA "/odf/ods_three_entries_two_sheets_kept_on_save.ods", path));
    QFile(path).setPermissions(QFile::ReadOwner | QFile::WriteOwner);
    const QString before = QString::fromUtf8(ZipReader(path).data(1));
    TGridModel grid;
    grid.load({"ФИО"}, {{"Петров"}});
    SaveGridToODS(grid.textGrid(), path);
    const QString after = QString::fromUtf8(ZipReader(path).data(1));
    const QString second = before.mid(before.indexOf("<table:table table:name=\"Архив\">"));
    QVERIFY(second.contains("Второй лист остаётся"));
    QVERIFY2(after.endsWith(second), qPrintable(after));
    QStringList h;
    QList<QStringList> r;
    TODTProcessor().LoadODSToGrid(path, h, r);
    QCOMPARE(r, QList<QStringList>{{"Петров"}});
    // A file this writer made is still written anew, exactly as a new one.
    const QString own = dir.filePath("own.ods"), fresh = dir.filePath("new.ods");
    TGridModel other;
    other.load({"A"}, {{"1"}});
    SaveGridToODS(other.textGrid(), own);
    SaveGridToODS(grid.textGrid(), own);
    SaveGridToODS(grid.textGrid(), fresh);
    QCOMPARE(ZipReader(own).data(1), ZipReader(fresh).data(1));
}

void TestOds::libreOfficeReadsWrittenTable()
{
    const QString soffice = QStandardPaths::findExecutable("soffice");
    if (soffice.isEmpty())
        QSKIP("LibreOffice (soffice) is not installed: the written table is not checked by it");
    TGridModel grid;
    grid.load({"ФИО", "Сумма"}, {{"Иванов & сын", "100"}, {"\"Кавычки\"", "<200>"}});
    QTemporaryDir dir;
    const QString ods = dir.filePath("table.ods");
    SaveGridToODS(grid.textGrid(), ods);
    QProcess lo;
    lo.start(soffice, {"-env:UserInstallation=file://" + dir.filePath("profile"), "--headless", "--convert-to",
                       "csv:Text - txt - csv (StarCalc):44,34,76", "--outdir", dir.path(), ods});
    QVERIFY(lo.waitForFinished(120000));
    QFile csv(dir.filePath("table.csv"));
    QVERIFY2(csv.open(QIODevice::ReadOnly), "LibreOffice could not open the written table");
    const QString text = QString::fromUtf8(csv.readAll());
    QVERIFY2(text.contains("ФИО,Сумма") && text.contains("Иванов & сын,100") && text.contains("<200>"),
             qPrintable(text));

    // A file of the office suite's own, its first table's rows rewritten.
    const QString foreign = dir.filePath("foreign.ods");
    QVERIFY(QFile::copy(DOKRAVA_TEST_DATA "/odf/ods_other_sheets_kept_on_save.ods", foreign));
    QFile(foreign).setPermissions(QFile::ReadOwner | QFile::WriteOwner);
    grid.appendColumn("Новое");
    SaveGridToODS(grid.textGrid(), foreign);
    lo.start(soffice, {"-env:UserInstallation=file://" + dir.filePath("profile"), "--headless", "--convert-to",
                       "csv:Text - txt - csv (StarCalc):44,34,76", "--outdir", dir.path(), foreign});
    QVERIFY(lo.waitForFinished(120000));
    QFile foreignCsv(dir.filePath("foreign.csv"));
    QVERIFY2(foreignCsv.open(QIODevice::ReadOnly), "LibreOffice could not open the rewritten table");
    QCOMPARE(QString::fromUtf8(foreignCsv.readAll()).split(QRegularExpression("\r?\n"), Qt::SkipEmptyParts),
             QStringList({"ФИО,,Сумма,Новое,", "Иванов & сын,скрытое,100,,", "\"\"\"Кавычки\"\"\",,<200>,,заметка"}));
}

QTEST_GUILESS_MAIN(TestOds)
#include "tst_Ods.moc"
