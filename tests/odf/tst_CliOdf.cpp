#include "CliRun.h"
#include "base/TextGrid.h"
#include "odf/OdsWriter.h"
#include "zip/ZipWriter.h"

#include <QTemporaryDir>
#include <QtTest>

using namespace dokrava;

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
    void help_data();
    void help();
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
    QTest::newRow("table bad sheet") << QStringList{"table", "a.ods", "--sheet", "x"} << 2
                                     << "После «--sheet» нужен номер листа, начиная с 1\n";
    QTest::newRow("table second sheet of ods")
        << QStringList{"table", DOKRAVA_TEST_DATA "/odf/ods_rich_cell_text.ods", "--sheet", "2"} << 1 << "первый лист";
    QTest::newRow("table of broken file") << QStringList{"table", kLetter + ".ods"} << 1 << "Ошибка парсинга ODS: ";
    QTest::newRow("fill without pair sign") << QStringList{"fill", kLetter, "o.odt", "ФИО"} << 2 << "ИМЯ=ЗНАЧЕНИЕ";
    QTest::newRow("fill twice the same field") << QStringList{"fill", kLetter, "o.odt", "A=1", "A=2"} << 2 << "дважды";
    // Unknown options are named alike by every command, and never taken for a file.
    QTest::newRow("fields unknown option") << QStringList{"fields", kLetter, "--x"} << 2 << "Неизвестный параметр «--x»\n";
    QTest::newRow("table unknown option") << QStringList{"table", "a.csv", "-x"} << 2 << "Неизвестный параметр «-x»\n";
    QTest::newRow("fill unknown option first") << QStringList{"fill", "--x", kLetter, "o.odt"} << 2 << "Неизвестный параметр «--x»\n";
    QTest::newRow("fill unknown option last") << QStringList{"fill", kLetter, "o.odt", "A=1", "--x"} << 2
                                              << "Неизвестный параметр «--x»\n";
    QTest::newRow("option before any command") << QStringList{"--x"} << 2 << "Неизвестный параметр «--x»\n";
    QTest::newRow("unknown command") << QStringList{"make"} << 2 << "Неизвестная команда «make»\n";
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

void TestCliOdf::help_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("first");
    QTest::addColumn<QStringList>("options");
    const QStringList run{"--templates", "--data", "--sheet", "--format", "--naming", "--order", "--column", "--rows", "--only",
                          "--personal", "--colontit", "--converter"};
    for (const char *flag : {"--help", "-h"}) {
        QTest::addRow("fields %s", flag) << QStringList{"fields", flag} << "dokrava-cli fields FILE..." << QStringList{};
        QTest::addRow("table %s", flag) << QStringList{"table", "a.csv", flag} << "dokrava-cli table FILE [--sheet N]"
                                        << QStringList{"--sheet"};
        QTest::addRow("fill %s", flag) << QStringList{"fill", flag} << "dokrava-cli fill TEMPLATE OUTPUT NAME=VALUE..."
                                       << QStringList{};
        QTest::addRow("generate %s", flag) << QStringList{"generate", "--out", "x", flag}
                                           << "dokrava-cli generate --templates DIR --data FILE --out DIR [параметры]"
                                           << run + QStringList{"--out", "--check", "--combine", "--duplex", "--copies"};
        QTest::addRow("check %s", flag) << QStringList{"check", flag}
                                        << "dokrava-cli check --templates DIR --data FILE [параметры]" << run;
    }
}

// --help and -h on every command: what it does and one line per option, on standard output.
void TestCliOdf::help()
{
    QFETCH(QStringList, args);
    QFETCH(QString, first);
    QFETCH(QStringList, options);
    const Run r = cli(args);
    QCOMPARE(r.code, 0);
    QCOMPARE(r.err, QString());
    const QStringList lines = r.out.split('\n', Qt::SkipEmptyParts);
    QCOMPARE(lines.value(0), first);
    QVERIFY(lines.size() >= 2 && !lines[1].startsWith(' '));
    QStringList listed;
    static const QRegularExpression option(QStringLiteral("^  (?:-h, )?(--[a-z]+)"));
    for (const QString &line : lines) {
        const QRegularExpressionMatch m = option.match(line);
        if (m.hasMatch())
            listed << m.captured(1);
    }
    QCOMPARE(listed, options + QStringList{"--help"});
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
