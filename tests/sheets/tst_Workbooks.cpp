// Spreadsheet engines: reading files made by LibreOffice, saving, round trips.
#include "base/Cp1251.h"
#include "base/DokravaError.h"
#include "sheets/CsvParser.h"
#include "sheets/CsvWorkbook.h"
#include "sheets/TSpreadsheet.h"
#include "sheets/XlsFormulaCells.h"
#include "sheets/XlsxWorkbook.h"
#include "zip/ZipReader.h"
#include "zip/ZipWriter.h"

#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

using namespace dokrava;

namespace {

QString data(const QString &name)
{
    return QStringLiteral(DOKRAVA_TEST_DATA "/table/") + name;
}

// Rows of the first five columns, "~" for a cell without value.
QStringList dump(TSpreadsheet &book, int rows, int cols = 5)
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

QByteArray entry(const QString &path, const QString &name)
{
    ZipReader zip(path);
    const int i = zip.indexOf(name);
    return i < 0 ? QByteArray() : zip.data(i);
}

QString copyTo(const QTemporaryDir &dir, const QString &fixture, const QString &name)
{
    const QString target = dir.filePath(name);
    QFile::remove(target);
    QFile::copy(data(fixture), target);
    QFile(target).setPermissions(QFile::ReadOwner | QFile::WriteOwner);
    return target;
}

} // namespace

class tst_Workbooks : public QObject
{
    Q_OBJECT
private slots:
    void xlsxFromLibreOffice();
    void xlsFromLibreOffice();
    void csvEncodingsAndQuotes_data();
    void csvEncodingsAndQuotes();
    void csvPiecesGiveTheSameRecords_data();
    void csvPiecesGiveTheSameRecords();
    void largeCsvReadInPieces_data();
    void largeCsvReadInPieces();
    void xlsxSaveRewritesOnlyChosenSheet();
    void xlsxSaveKeepsTextsExactly();
    void xlsxSaveDropsCalcChain();
    void xlsxWithoutStylesGetsOne();
    void xlsxPartialSaveKeepsWhatLiesOutside();
    void csvRoundTrip();
    void unsupportedAndMissingFiles_data();
    void unsupportedAndMissingFiles();
    void damagedXlsxNamesFile();
    void noSuchSheet();
    void xlsSaveWithoutConverterLeavesFile();
    void escapes();
    void xlsStreamOfDamagedFiles();
    void formatKinds_data();
    void formatKinds();
    void savedXlsxConvertsWithLibreOffice();
};

void tst_Workbooks::xlsxFromLibreOffice()
{
    auto book = OpenSpreadsheet(data(QStringLiteral("three_sheets_lo.xlsx")));
    QCOMPARE(book->sheetNames(), QStringList({QStringLiteral("Данные"), QStringLiteral("Второй"), QStringLiteral("Третий")}));
    QCOMPARE(dump(*book, 6), QStringList({
        QStringLiteral("ФИО|Сумма|Дата|Флаг|Формула"),
        QStringLiteral("Иванов И.И.|1500|15.03.2024|ИСТИНА|3000"),
        QStringLiteral("Петров П.П.|2,5|15.03.2024 10:30|ЛОЖЬ|xПетров П.П."),
        QStringLiteral("Сидоров|~|0,1|A & B <c>|-1234567,25"),
        QStringLiteral("~|скрыто|~|~|~"),
        QStringLiteral("После пропуска|~|~|~|~"),
    }));
    book->setActiveSheet(2);
    QCOMPARE(dump(*book, 2, 1), QStringList({QStringLiteral("Ссылка"), QStringLiteral("1501")}));
}

void tst_Workbooks::xlsFromLibreOffice()
{
    auto book = OpenSpreadsheet(data(QStringLiteral("three_sheets_lo.xls")));
    QCOMPARE(book->sheetNames().size(), 3);
    QCOMPARE(book->sheetNames().at(1), QStringLiteral("Второй"));
    // Truth values and formula results come from the workbook stream itself, not libfreexl.
    // (LibreOffice stores no text result for a text formula in .xls, so E3 is not compared.)
    const QStringList rows = dump(*book, 6, 4);
    QCOMPARE(rows.at(0), QStringLiteral("ФИО|Сумма|Дата|Флаг"));
    QCOMPARE(rows.at(1), QStringLiteral("Иванов И.И.|1500|15.03.2024|ИСТИНА"));
    QCOMPARE(rows.at(2), QStringLiteral("Петров П.П.|2,5|15.03.2024 10:30|ЛОЖЬ"));
    QCOMPARE(rows.at(3), QStringLiteral("Сидоров|~|0,1|A & B <c>"));
    QCOMPARE(rows.at(4), QStringLiteral("~|скрыто|~|~"));
    QCOMPARE(book->cellText(2, 5), QStringLiteral("3000"));
    book->setActiveSheet(1);
    QCOMPARE(dump(*book, 2, 2), QStringList({QStringLiteral("Код|Город"), QStringLiteral("7|Казань")}));
    book->setActiveSheet(2);
    QCOMPARE(book->cellText(2, 1), QStringLiteral("1501"));
}

void tst_Workbooks::csvEncodingsAndQuotes_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QStringList>("rows");
    QTest::newRow("utf8 bom, semicolon, quoted separator")
        << "utf8_bom_semicolon.csv"
        << QStringList({QStringLiteral("ФИО|Город"), QStringLiteral("Иванов; И.|Москва"), QStringLiteral("~|~")});
    QTest::newRow("cp1251, comma, line break and doubled quotes")
        << "cp1251_comma.csv"
        << QStringList({QStringLiteral("Имя|Примечание"), QStringLiteral("Ёжик|строка 1\nстрока 2"),
                        QStringLiteral("Кавычка \"в\" тексте|№ 5")});
    QTest::newRow("quotes inside unquoted fields are text")
        << "unquoted_quotes_are_text.csv"
        << QStringList({QStringLiteral("Фирма|Примечание"), QStringLiteral("ООО \"Север/Юг\"|ЗАО \"Заря\" и партнёры")});
}

void tst_Workbooks::csvEncodingsAndQuotes()
{
    QFETCH(QString, file);
    QFETCH(QStringList, rows);
    auto book = OpenSpreadsheet(data(file));
    QCOMPARE(book->sheetNames(), QStringList({QFileInfo(file).completeBaseName()}));
    QCOMPARE(dump(*book, int(rows.size()), 2), rows);
}

void tst_Workbooks::csvPiecesGiveTheSameRecords_data()
{
    QTest::addColumn<QString>("text");
    QTest::newRow("quotes") << QStringLiteral("a;\"b \"\"c\"\"\";d\r\n\"x\r\ny\";;\"\"\r\n");
    QTest::newRow("line ends") << QStringLiteral("a\rb\r\n\nc;\nd");
    QTest::newRow("unterminated quote") << QStringLiteral("a;\"b;c\r\nd");
    QTest::newRow("text around quotes") << QStringLiteral("\"a\"b;c\"\"\r\n;\r\nЁж");
    QTest::newRow("quotes inside unquoted fields")
        << QStringLiteral("ООО \"Север;Юг\";x\r\n \"a\";b\"\"\"\nЗАО \"Заря\" и \U0001F600\"");
}

// A large file is parsed a piece at a time: wherever two boundaries fall, the records are those
// of the whole text.
void tst_Workbooks::csvPiecesGiveTheSameRecords()
{
    QFETCH(QString, text);
    const QList<QStringList> whole = CsvWorkbook::parse(text, QLatin1Char(';'));
    QVERIFY(!whole.isEmpty());
    // Where the records end in the UTF-8 file, read in one piece: each after its line end, the
    // last one at the end of the text; every cut must give the same.
    const QByteArray utf8 = text.toUtf8();
    CsvParser one(QLatin1Char(';'));
    one.countBytes(true, 0);
    one.feed(text);
    one.finish();
    const QList<qint64> ends = one.takeRecordEnds();
    QCOMPARE(ends.size(), whole.size());
    QCOMPARE(ends.last(), utf8.size());
    for (const qint64 end : ends.first(ends.size() - 1))
        QVERIFY(utf8.at(end - 1) == '\n' || (utf8.at(end - 1) == '\r' && utf8.at(end) != '\n'));
    const QStringView view(text);
    for (qsizetype i = 0; i <= text.size(); ++i) {
        for (qsizetype j = i; j <= text.size(); ++j) {
            CsvParser parser(QLatin1Char(';'));
            parser.countBytes(true, 0);
            parser.feed(view.first(i));
            parser.feed(view.sliced(i, j - i));
            parser.feed(view.sliced(j));
            QList<QStringList> pieces;
            for (const TTextRow &row : parser.finish())
                pieces << row.toList().mid(1);
            QVERIFY2(pieces == whole, qPrintable(QStringLiteral("cut at %1 and %2").arg(i).arg(j)));
            QVERIFY2(parser.takeRecordEnds() == ends, qPrintable(QStringLiteral("ends, cut at %1 and %2").arg(i).arg(j)));
        }
    }
}

void tst_Workbooks::largeCsvReadInPieces_data()
{
    QTest::addColumn<QString>("unit");
    QTest::addColumn<bool>("bom");
    QTest::addColumn<bool>("cp1251");
    QTest::newRow("UTF-8 with a mark, 2-byte character cut") << QStringLiteral("ж") << true << false;
    QTest::newRow("UTF-8, 3-byte character cut") << QStringLiteral("€") << false << false;
    QTest::newRow("UTF-8, 4-byte character cut") << QString::fromUtf16(u"\U0001F600") << false << false;
    QTest::newRow("Windows-1251, first letter past the first piece") << QStringLiteral("zzz") << false << true;
}

// Several MiB are read at a time: a character cut by the boundary, and the one byte that is not
// UTF-8 lying in a later piece, must read as they do in a small file.
void tst_Workbooks::largeCsvReadInPieces()
{
    QFETCH(QString, unit);
    QFETCH(bool, bom);
    QFETCH(bool, cp1251);
    const QString cell = unit.repeated(40);
    const QString letters = QStringLiteral("Жук");
    constexpr int rows = 60000;
    constexpr qsizetype piece = 4 << 20;
    QByteArray bytes;
    for (int pad = 0; pad < 4; ++pad) { // the padding moves a character across the boundary
        QString text = QStringLiteral("Name;Code\r\npad;") + QString(pad, QLatin1Char('p')) + QStringLiteral("\r\n");
        for (int r = 0; r < rows; ++r)
            text += (r == rows - 10 ? letters : cell) + QLatin1Char(';') + QString::number(r) + QStringLiteral("\r\n");
        bytes = (bom ? QByteArray("\xEF\xBB\xBF") : QByteArray()) + (cp1251 ? Cp1251::encode(text) : text.toUtf8());
        if (cp1251 || (uchar(bytes.at(piece)) & 0xC0) == 0x80)
            break;
    }
    QVERIFY(bytes.size() > piece + 100000);
    QVERIFY(cp1251 || (uchar(bytes.at(piece)) & 0xC0) == 0x80);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("big.csv"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
    file.close();
    auto book = OpenSpreadsheet(path);
    QCOMPARE(book->cellText(1, 2), QStringLiteral("Code"));
    int wrong = -1;
    for (int r = 0; r < rows && wrong < 0; ++r)
        if (book->cellText(r + 3, 1) != (r == rows - 10 ? letters : cell) || book->cellText(r + 3, 2) != QString::number(r))
            wrong = r;
    QCOMPARE(wrong, -1);
    QVERIFY(!book->hasValue(rows + 3, 1));
    // Saved unchanged, the file keeps every byte: the record ends counted across pieces hold.
    book->save();
    QFile saved(path);
    QVERIFY(saved.open(QIODevice::ReadOnly));
    QVERIFY(saved.readAll() == bytes);
}

void tst_Workbooks::xlsxSaveRewritesOnlyChosenSheet()
{
    QTemporaryDir dir;
    const QString path = copyTo(dir, QStringLiteral("three_sheets_lo.xlsx"), QStringLiteral("book.xlsx"));
    const QByteArray sheet1 = entry(path, QStringLiteral("xl/worksheets/sheet1.xml"));
    const QByteArray sheet3 = entry(path, QStringLiteral("xl/worksheets/sheet3.xml"));
    const QByteArray shared = entry(path, QStringLiteral("xl/sharedStrings.xml"));
    {
        auto book = OpenSpreadsheet(path);
        book->setActiveSheet(1);
        book->clearActiveSheet();
        book->setCellText(1, 1, QStringLiteral("Поле"));
        book->setCellText(2, 1, QStringLiteral("007"));
        book->setCellText(3, 1, QString());
        book->save();
    }
    QCOMPARE(entry(path, QStringLiteral("xl/worksheets/sheet1.xml")), sheet1);
    QCOMPARE(entry(path, QStringLiteral("xl/worksheets/sheet3.xml")), sheet3);
    QCOMPARE(entry(path, QStringLiteral("xl/sharedStrings.xml")), shared);
    auto book = OpenSpreadsheet(path);
    book->setActiveSheet(1);
    // The old "Город" column is gone; "007" stays text; the empty text leaves no value.
    QCOMPARE(dump(*book, 3, 2), QStringList({QStringLiteral("Поле|~"), QStringLiteral("007|~"), QStringLiteral("~|~")}));
    book->setActiveSheet(0);
    QCOMPARE(book->cellText(2, 4), QStringLiteral("ИСТИНА"));
}

void tst_Workbooks::xlsxSaveKeepsTextsExactly()
{
    QTemporaryDir dir;
    const QString path = copyTo(dir, QStringLiteral("three_sheets_lo.xlsx"), QStringLiteral("book.xlsx"));
    const QStringList texts = {QStringLiteral("  пробелы по краям "), QStringLiteral("две\nстроки"),
                               QStringLiteral("A & B <c> \"q\" 'a'"), QStringLiteral("упр\x01символ\r"),
                               QStringLiteral("_x0041_ буквально"), QStringLiteral("1e5"), QStringLiteral("=1+1")};
    {
        auto book = OpenSpreadsheet(path);
        book->clearActiveSheet();
        for (int i = 0; i < texts.size(); ++i)
            book->setCellText(i + 1, 3, texts[i]);
        book->save();
    }
    auto book = OpenSpreadsheet(path);
    for (int i = 0; i < texts.size(); ++i)
        QCOMPARE(book->cellText(i + 1, 3), texts[i]);
    QVERIFY(!book->hasValue(1, 1));
}

void tst_Workbooks::xlsxSaveDropsCalcChain()
{
    // A workbook written by Excel, with a calculation chain, cut down to the parts that matter.
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("chain.xlsx"));
    {
        auto book = OpenSpreadsheet(data(QStringLiteral("three_sheets_lo.xlsx")));
        Q_UNUSED(book);
    }
    ZipReader in(data(QStringLiteral("three_sheets_lo.xlsx")));
    {
        ZipWriter out(path);
        for (int i = 0; i < in.count(); ++i) {
            QByteArray bytes = in.data(i);
            if (in.name(i) == QLatin1String("[Content_Types].xml"))
                bytes.replace("</Types>", "<Override PartName=\"/xl/calcChain.xml\" ContentType=\"application/"
                                          "vnd.openxmlformats-officedocument.spreadsheetml.calcChain+xml\"/></Types>");
            if (in.name(i) == QLatin1String("xl/_rels/workbook.xml.rels"))
                bytes.replace("</Relationships>", "<Relationship Id=\"rIdCalc\" Type=\"http://schemas.openxmlformats.org/"
                                                  "officeDocument/2006/relationships/calcChain\" Target=\"calcChain.xml\"/>"
                                                  "</Relationships>");
            out.addData(in.name(i), bytes, ZipWriter::Deflated);
        }
        out.addData(QStringLiteral("xl/calcChain.xml"),
                    "<?xml version=\"1.0\"?><calcChain xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\">"
                    "<c r=\"E2\" i=\"1\"/></calcChain>", ZipWriter::Deflated);
        out.close();
    }
    {
        auto book = OpenSpreadsheet(path);
        book->clearActiveSheet();
        book->setCellText(1, 1, QStringLiteral("x"));
        book->save();
    }
    ZipReader zip(path);
    QCOMPARE(zip.indexOf(QStringLiteral("xl/calcChain.xml")), -1);
    QVERIFY(!zip.data(zip.indexOf(QStringLiteral("[Content_Types].xml"))).contains("calcChain"));
    QVERIFY(!zip.data(zip.indexOf(QStringLiteral("xl/_rels/workbook.xml.rels"))).contains("calcChain"));
    QVERIFY(zip.data(zip.indexOf(QStringLiteral("xl/workbook.xml"))).contains("fullCalcOnLoad=\"1\""));
}

void tst_Workbooks::xlsxWithoutStylesGetsOne()
{
    // Some generators write no styles part; the text format then needs one.
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("nostyles.xlsx"));
    {
        ZipReader in(data(QStringLiteral("three_sheets_lo.xlsx")));
        ZipWriter out(path);
        for (int i = 0; i < in.count(); ++i) {
            if (in.name(i) == QLatin1String("xl/styles.xml"))
                continue;
            QByteArray bytes = in.data(i);
            if (in.name(i) == QLatin1String("xl/_rels/workbook.xml.rels"))
                bytes.replace("relationships/styles\"", "relationships/unknown\"");
            out.addData(in.name(i), bytes, ZipWriter::Deflated);
        }
        out.close();
    }
    {
        auto book = OpenSpreadsheet(path);
        QCOMPARE(book->cellText(2, 3), QStringLiteral("45366")); // no formats: a plain number
        book->clearActiveSheet();
        book->setCellText(1, 1, QStringLiteral("текст"));
        book->save();
    }
    ZipReader zip(path);
    QVERIFY(zip.indexOf(QStringLiteral("xl/styles.xml")) >= 0);
    QVERIFY(zip.data(zip.indexOf(QStringLiteral("[Content_Types].xml"))).contains("/xl/styles.xml"));
    auto book = OpenSpreadsheet(path);
    QCOMPARE(book->cellText(1, 1), QStringLiteral("текст"));
}

void tst_Workbooks::xlsxPartialSaveKeepsWhatLiesOutside()
{
    // A shared formula defined in E2 and borrowed by E4; merges and conditional formats on both
    // sides of the rewritten rows 1..2.
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("partial.xlsx"));
    {
        ZipReader in(data(QStringLiteral("three_sheets_lo.xlsx")));
        ZipWriter out(path);
        for (int i = 0; i < in.count(); ++i) {
            QByteArray bytes = in.data(i);
            if (in.name(i) == QLatin1String("xl/worksheets/sheet1.xml")) {
                bytes.replace("<f aca=\"false\">B2*2</f>", "<f t=\"shared\" ref=\"E2:E4\" si=\"0\">B2*2</f>");
                bytes.replace("<c r=\"E4\" s=\"0\" t=\"n\">", "<c r=\"E4\" s=\"0\" t=\"n\"><f t=\"shared\" si=\"0\"/>");
                bytes.replace("<printOptions", "<mergeCells count=\"2\"><mergeCell ref=\"A2:B3\"/><mergeCell ref=\"C6:D6\"/>"
                                               "</mergeCells><conditionalFormatting sqref=\"A1:A2\"><cfRule type=\"expression\" "
                                               "priority=\"1\"><formula>TRUE</formula></cfRule></conditionalFormatting>"
                                               "<conditionalFormatting sqref=\"$D$6\"><cfRule type=\"expression\" priority=\"2\">"
                                               "<formula>TRUE</formula></cfRule></conditionalFormatting><printOptions");
            }
            out.addData(in.name(i), bytes, ZipWriter::Deflated);
        }
        out.close();
    }
    {
        auto book = OpenSpreadsheet(path);
        book->clearCells(2, 5);
        book->setCellText(1, 1, QStringLiteral("Поле"));
        book->save();
    }
    const QByteArray sheet = entry(path, QStringLiteral("xl/worksheets/sheet1.xml"));
    QVERIFY(sheet.contains("<mergeCells count=\"1\"><mergeCell ref=\"C6:D6\"/></mergeCells>"));
    QVERIFY(!sheet.contains("sqref=\"A1:A2\""));
    QVERIFY(sheet.contains("sqref=\"$D$6\""));
    QVERIFY(!sheet.contains("si=\"0\"")); // E4 lost the formula E2 defined, not its result
    QVERIFY(sheet.contains("<dimension ref=\"A1:E6\"/>"));
    auto book = OpenSpreadsheet(path);
    QCOMPARE(dump(*book, 6), QStringList({
        QStringLiteral("Поле|~|~|~|~"),
        QStringLiteral("~|~|~|~|~"),
        QStringLiteral("Петров П.П.|2,5|15.03.2024 10:30|ЛОЖЬ|xПетров П.П."),
        QStringLiteral("Сидоров|~|0,1|A & B <c>|-1234567,25"),
        QStringLiteral("~|скрыто|~|~|~"),
        QStringLiteral("После пропуска|~|~|~|~"),
    }));
}

void tst_Workbooks::csvRoundTrip()
{
    QTemporaryDir dir;
    const QString path = copyTo(dir, QStringLiteral("cp1251_comma.csv"), QStringLiteral("t.csv"));
    {
        auto book = OpenSpreadsheet(path);
        book->clearActiveSheet();
        book->setCellText(1, 1, QStringLiteral("a,b"));
        book->setCellText(1, 2, QStringLiteral("\"q\""));
        book->setCellText(2, 1, QStringLiteral("Ёж"));
        book->setCellText(3, 2, QString());
        book->save();
    }
    QFile f(path);
    QVERIFY(f.open(QIODevice::ReadOnly));
    // Windows-1251 stays Windows-1251.
    QCOMPARE(f.readAll(), QByteArray("\"a,b\",\"\"\"q\"\"\"\r\n\xA8\xE6,\r\n,\r\n"));
    auto book = OpenSpreadsheet(path);
    QCOMPARE(dump(*book, 3, 2), QStringList({QStringLiteral("a,b|\"q\""), QStringLiteral("Ёж|~"), QStringLiteral("~|~")}));
}

void tst_Workbooks::unsupportedAndMissingFiles_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("expected");
    QTest::newRow("txt") << "data.txt" << "не поддерживается";
    QTest::newRow("no extension") << "data" << "не поддерживается";
    QTest::newRow("missing xlsx") << "missing.xlsx" << "не найден";
    QTest::newRow("missing xls") << "missing.xls" << "не найден";
    QTest::newRow("missing csv") << "missing.CSV" << "не найден";
}

void tst_Workbooks::unsupportedAndMissingFiles()
{
    QFETCH(QString, name);
    QFETCH(QString, expected);
    QTemporaryDir dir;
    try {
        OpenSpreadsheet(dir.filePath(name));
        QFAIL("no error");
    } catch (const DokravaError &e) {
        QVERIFY2(e.message().contains(expected), qPrintable(e.message()));
        QVERIFY2(e.message().contains(name), qPrintable(e.message()));
    }
}

void tst_Workbooks::damagedXlsxNamesFile()
{
    QTemporaryDir dir;
    for (const QString &ext : {QStringLiteral("xlsx"), QStringLiteral("xls")}) {
        const QString path = dir.filePath(QStringLiteral("broken.") + ext);
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("this is not a workbook at all, just some text");
        f.close();
        try {
            OpenSpreadsheet(path);
            QFAIL("no error");
        } catch (const DokravaError &e) {
            QVERIFY2(e.message().contains(QStringLiteral("broken.") + ext), qPrintable(e.message()));
        }
    }
}

void tst_Workbooks::noSuchSheet()
{
    auto book = OpenSpreadsheet(data(QStringLiteral("three_sheets_lo.xlsx")));
    QVERIFY_THROWS_EXCEPTION(DokravaError, book->setActiveSheet(3));
    QVERIFY_THROWS_EXCEPTION(DokravaError, book->setActiveSheet(-1));
}

void tst_Workbooks::xlsSaveWithoutConverterLeavesFile()
{
    QTemporaryDir dir;
    const QString path = copyTo(dir, QStringLiteral("three_sheets_lo.xls"), QStringLiteral("b.xls"));
    QFile f(path);
    QVERIFY(f.open(QIODevice::ReadOnly));
    const QByteArray before = f.readAll();
    f.close();
    auto book = OpenSpreadsheet(path);
    book->clearActiveSheet();
    book->setCellText(1, 1, QStringLiteral("x"));
    try {
        book->save();
        QFAIL("no error");
    } catch (const DokravaError &e) {
        QVERIFY(e.message().contains(QStringLiteral("LibreOffice")));
    }
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.readAll(), before);
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList({QStringLiteral("b.xls")}));
}

void tst_Workbooks::escapes()
{
    QCOMPARE(XlsxWorkbook::decodeEscapes(QStringLiteral("a_x000D__x000A_b_x00")), QStringLiteral("a\r\nb_x00"));
    QCOMPARE(XlsxWorkbook::encodeEscapes(QStringLiteral("a\x01_x0041_\tb")), QStringLiteral("a_x0001__x005F_x0041_\tb"));
    QCOMPARE(XlsxWorkbook::columnName(1), QStringLiteral("A"));
    QCOMPARE(XlsxWorkbook::columnName(26), QStringLiteral("Z"));
    QCOMPARE(XlsxWorkbook::columnName(27), QStringLiteral("AA"));
    QCOMPARE(XlsxWorkbook::columnName(16384), QStringLiteral("XFD"));
}

void tst_Workbooks::xlsStreamOfDamagedFiles()
{
    QFile f(data(QStringLiteral("three_sheets_lo.xls")));
    QVERIFY(f.open(QIODevice::ReadOnly));
    const QByteArray good = f.readAll();
    QVERIFY(!XlsFormulaCells::workbookStream(good).isEmpty());
    QCOMPARE(XlsFormulaCells::read(good).size(), 3);
    // Cut short, sectors scrambled, header fields wild: fewer values, never a crash.
    QVERIFY(XlsFormulaCells::read(good.left(600)).size() <= 3);
    QByteArray wild = good;
    for (qsizetype i = 0x1E; i < 0x4C; ++i)
        wild[i] = char(0xFF);
    QVERIFY(XlsFormulaCells::read(wild).isEmpty());
    QByteArray loop = good;
    for (qsizetype i = 512; i < loop.size(); i += 7)
        loop[i] = char(i);
    XlsFormulaCells::read(loop);
    QVERIFY(XlsFormulaCells::read(QByteArray("not a compound file")).isEmpty());
}

void tst_Workbooks::formatKinds_data()
{
    QTest::addColumn<int>("id");
    QTest::addColumn<QString>("code");
    QTest::addColumn<int>("kind");
    QTest::newRow("general") << 0 << "" << 0;
    QTest::newRow("builtin date") << 14 << "" << 1;
    QTest::newRow("builtin time") << 20 << "" << 2;
    QTest::newRow("custom date") << 164 << "DD.MM.YYYY" << 1;
    QTest::newRow("custom date time") << 165 << "dd/mm/yyyy\\ hh:mm" << 1;
    QTest::newRow("custom time") << 166 << "[$-419]h:mm:ss" << 2;
    QTest::newRow("elapsed") << 167 << "[h]:mm" << 2;
    QTest::newRow("currency with quoted letters") << 168 << "#,##0.00\"day\"" << 0;
    QTest::newRow("colour section") << 169 << "[Red]0.00;[Blue]-0.00" << 0;
    QTest::newRow("text") << 49 << "@" << 0;
    QTest::newRow("month only") << 170 << "mmmm" << 1;
}

void tst_Workbooks::formatKinds()
{
    QFETCH(int, id);
    QFETCH(QString, code);
    QFETCH(int, kind);
    QCOMPARE(XlsxWorkbook::formatKind(id, code), kind);
}

void tst_Workbooks::savedXlsxConvertsWithLibreOffice()
{
    const QString soffice = QStandardPaths::findExecutable(QStringLiteral("soffice"));
    if (soffice.isEmpty())
        QSKIP("LibreOffice (soffice) is not installed");
    QTemporaryDir dir;
    const QString path = copyTo(dir, QStringLiteral("three_sheets_lo.xlsx"), QStringLiteral("saved.xlsx"));
    const QStringList texts = {QStringLiteral("ФИО"), QStringLiteral("Сумма"), QStringLiteral("Иванов"),
                               QStringLiteral("0012")};
    {
        auto book = OpenSpreadsheet(path);
        book->clearActiveSheet();
        book->setCellText(1, 1, texts[0]);
        book->setCellText(1, 2, texts[1]);
        book->setCellText(2, 1, texts[2]);
        book->setCellText(2, 2, texts[3]);
        book->save();
    }
    QProcess p;
    p.start(soffice, {QStringLiteral("-env:UserInstallation=file://") + dir.filePath(QStringLiteral("profile")),
                      QStringLiteral("--headless"), QStringLiteral("--convert-to"),
                      QStringLiteral("csv:Text - txt - csv (StarCalc):59,34,76"), QStringLiteral("--outdir"),
                      dir.filePath(QStringLiteral("out")), path});
    QVERIFY(p.waitForFinished(180000));
    QFile csv(dir.filePath(QStringLiteral("out/saved.csv")));
    QVERIFY2(csv.open(QIODevice::ReadOnly), qPrintable(QString::fromLocal8Bit(p.readAllStandardError())));
    const QString text = QString::fromUtf8(csv.readAll());
    QCOMPARE(text.split(QRegularExpression(QStringLiteral("\r?\n")), Qt::SkipEmptyParts),
             QStringList({QStringLiteral("ФИО;Сумма"), QStringLiteral("Иванов;0012")}));
}

QTEST_GUILESS_MAIN(tst_Workbooks)
#include "tst_Workbooks.moc"
