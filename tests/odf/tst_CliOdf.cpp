#include "CliRun.h"
#include "base/TextGrid.h"
#include "odf/OdsWriter.h"
#include "zip/ZipWriter.h"

#include <QTemporaryDir>
#include <QtTest>

namespace {

const QString kLetter = QStringLiteral(DOKRAVA_TEST_DATA "/odf/letter.odt");

using Run = CliRun;

Run cli(const QStringList &args)
{
    return runCli(args, 60000);
}

void makeOdt(const QString &path, const QByteArray &content)
{
    ZipWriter zip(path);
    zip.addData("mimetype", "application/vnd.oasis.opendocument.text", ZipWriter::Stored);
    zip.addData("content.xml", content, ZipWriter::Deflated);
    zip.close();
}

} // namespace

class TestCliOdf : public QObject
{
    Q_OBJECT

private slots:
    void fieldsMergedAndSorted();
    void exitCodes_data();
    void exitCodes();
    void tableEscapesCells();
    void fillThenScan();
};

void TestCliOdf::fieldsMergedAndSorted()
{
    QTemporaryDir dir;
    const QString second = dir.filePath("second.odt");
    makeOdt(second, "<c>[фио] [Яблоко] [Abc]</c>");
    const Run r = cli({"fields", kLetter, second});
    QCOMPARE(r.code, 0);
    const QStringList lines = r.out.split('\n', Qt::SkipEmptyParts);
    QCOMPARE(lines.size(), 11); // [фио] and [ФИО] are one field
    QCOMPARE(lines.first(), QString("Abc"));
    QCOMPARE(lines.last(), QString("Яблоко"));
    QCOMPARE(lines.filter("фио", Qt::CaseInsensitive).size(), 1);
}

void TestCliOdf::exitCodes_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("message");
    QTest::newRow("fields without files") << QStringList{"fields"} << 2 << "Не указан ни один файл шаблона";
    QTest::newRow("fields of unknown format") << QStringList{"fields", "x.rtf"} << 1 << "не поддерживается";
    QTest::newRow("fields of missing file") << QStringList{"fields", "/nonexistent/a.odt"} << 1 << "не найден";
    QTest::newRow("table without file") << QStringList{"table"} << 2 << "Не указан файл таблицы";
    QTest::newRow("table bad sheet") << QStringList{"table", "a.ods", "--sheet", "x"} << 2 << "--sheet";
    QTest::newRow("table second sheet of ods")
        << QStringList{"table", DOKRAVA_TEST_DATA "/odf/ods_rich_cell_text.ods", "--sheet", "2"} << 1 << "первый лист";
    QTest::newRow("table of broken file") << QStringList{"table", kLetter + ".ods"} << 1 << "Ошибка парсинга ODS: ";
    QTest::newRow("fill without pair sign") << QStringList{"fill", kLetter, "o.odt", "ФИО"} << 2 << "ИМЯ=ЗНАЧЕНИЕ";
    QTest::newRow("fill twice the same field") << QStringList{"fill", kLetter, "o.odt", "A=1", "A=2"} << 2 << "дважды";
}

void TestCliOdf::exitCodes()
{
    QFETCH(QStringList, args);
    QFETCH(int, code);
    QFETCH(QString, message);
    const Run r = cli(args);
    QCOMPARE(r.code, code);
    QVERIFY2(r.err.contains(message), qPrintable(r.err));
    QVERIFY(r.out.isEmpty());
}

void TestCliOdf::tableEscapesCells()
{
    TTextGrid grid(5, 5);
    grid.load({"Имя", "Путь"}, {{"a\tb", "C:\\dir"}, {"line1\nline2", "cr\rend"}});
    QTemporaryDir dir;
    const QString ods = dir.filePath("t.ods");
    SaveGridToODS(grid, ods);
    const Run r = cli({"table", ods});
    QCOMPARE(r.code, 0);
    QCOMPARE(r.out, QString("Имя\tПуть\na\\tb\tC:\\\\dir\nline1\\nline2\tcr\\rend\n"));
}

void TestCliOdf::fillThenScan()
{
    QTemporaryDir dir;
    const QString out = dir.filePath("filled.odt");
    const Run r = cli({"fill", kLetter, out, "ФИО=Иванов", "Сумма=1=2", "Номер="});
    QCOMPARE(r.code, 0);
    const Run scan = cli({"fields", out});
    QCOMPARE(scan.code, 0);
    QVERIFY(!scan.out.contains("ФИО"));
    QVERIFY(!scan.out.contains("Сумма"));
    QVERIFY(!scan.out.contains("Номер"));
    QVERIFY(scan.out.contains("Адрес"));
}

QTEST_GUILESS_MAIN(TestCliOdf)
#include "tst_CliOdf.moc"
