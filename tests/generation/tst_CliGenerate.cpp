#include "CliRun.h"
#include "LanguageFixture.h"
#include "DocxFixture.h"
#include "FakeConverter.h"
#include "PdfFixture.h"
#include "TestFiles.h"

#include "word/DocxDocument.h"
#include "base/XmlNode.h"

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <QRegularExpression>

#include <csignal>
#include <fcntl.h>
#include <pty.h>
#include <unistd.h>

using namespace dokrava;

namespace {

using Result = CliRun;

Result cli(const QStringList &args)
{
    return runCli(QStringList{QStringLiteral("generate")} + args, 120000);
}


} // namespace

class tst_CliGenerate : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void recordsAndNaming_data();
    void recordsAndNaming();
    void personalFieldsAndHeaders();
    void refused_data();
    void refused();
    void unconvertedDocumentsFailTheCall_data();
    void unconvertedDocumentsFailTheCall();
    void combinedFile_data();
    void combinedFile();
    void interruptStopsTheRun();
    void errorEndsTheRunAfterCounting();
    void noConverterProfileFolderEndsTheRun();
    void consoleStreams_data();
    void consoleStreams();
    void linesMakeOneDocumentPerGroup();
    void templateErrorPassesTheTemplateOver();

private:
    QStringList base() const;
    std::unique_ptr<QTemporaryDir> m_dir;
};

void tst_CliGenerate::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
}

QStringList tst_CliGenerate::base() const
{
    return {QStringLiteral("--templates"), QStringLiteral(DOKRAVA_TEST_DATA "/../../resources/zagotka"),
            QStringLiteral("--data"), QStringLiteral(DOKRAVA_TEST_DATA "/generation/sample_table.csv"),
            QStringLiteral("--out"), m_dir->filePath(QStringLiteral("out"))};
}

void tst_CliGenerate::recordsAndNaming_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QStringList>("files");
    QTest::newRow("by column, chosen records")
        << QStringList{"--naming", "column", "--column", "Организация", "--rows", "1,3"}
        << QStringList{"ИП Сидоров/ИП Сидоров-Договор.docx", "ИП Сидоров/ИП Сидоров-Письмо.odt",
                       "ООО _Ромашка_/ООО _Ромашка_-Договор.docx", "ООО _Ромашка_/ООО _Ромашка_-Письмо.odt"};
    QTest::newRow("by template, first field, a range, one template")
        << QStringList{"--rows", "2-3", "--only", "Письмо.odt"}
        << QStringList{"Письмо/Письмо-Петрова Анна Сергеевна.odt", "Письмо/Письмо-Сидоров Пётр.odt"};
    QTest::newRow("by column, name in the settings' default order")
        << QStringList{"--naming", "column", "--order", "template", "--rows", "3", "--only", "Письмо.odt"}
        << QStringList{"Сидоров Пётр/Письмо-Сидоров Пётр.odt"};
    QTest::newRow("by template, value first")
        << QStringList{"--order", "column", "--rows", "3", "--only", "Письмо.odt"}
        << QStringList{"Письмо/Сидоров Пётр-Письмо.odt"};
    QTest::newRow("records longer and shorter than the header row")
        << QStringList{"--data", DOKRAVA_TEST_DATA "/table/ragged_records.csv", "--rows", "1-2", "--only", "Письмо.odt"}
        << QStringList{"Письмо/Письмо-Иванов.odt", "Письмо/Письмо-Петров.odt"};
    QTest::newRow("a table without records")
        << QStringList{"--data", DOKRAVA_TEST_DATA "/generation/table_without_records.csv", "--rows", "all"}
        << QStringList{};
}

void tst_CliGenerate::recordsAndNaming()
{
    QFETCH(QStringList, args);
    QFETCH(QStringList, files);
    const Result r = cli(base() + args);
    QCOMPARE(r.code, 0);
    QCOMPARE(r.out, QStringLiteral("Готово\nДокументов создано: %1\n").arg(files.size()));
    QCOMPARE(r.err, QString());
    QCOMPARE(TestFiles::filesUnder(m_dir->filePath(QStringLiteral("out"))), files);
}

void tst_CliGenerate::personalFieldsAndHeaders()
{
    const QString templates = m_dir->filePath(QStringLiteral("t"));
    QDir().mkpath(templates);
    DocxFixture::write(templates + QStringLiteral("/Акт.docx"), DocxFixture::para(QStringLiteral("[ФИО], менеджер [Менеджер]")),
                       DocxFixture::para(QStringLiteral("[Город] [Менеджер]")));
    QStringList args = base();
    args[1] = templates;
    const Result r = cli(args + QStringList{QStringLiteral("--rows"), QStringLiteral("2"), QStringLiteral("--personal"),
                                            QStringLiteral(DOKRAVA_TEST_DATA "/generation/personal_fields.ini"),
                                            QStringLiteral("--colontit")});
    QCOMPARE(r.code, 0);
    DocxDocument doc(m_dir->filePath(QStringLiteral("out/Акт/Акт-Петрова Анна Сергеевна.docx")));
    QCOMPARE(XmlNode::parse(doc.partData(doc.mainPart()), QStringLiteral("m"))->innerText(),
             QStringLiteral("Петрова Анна Сергеевна, менеджер Кузнецова О. В."));
    QCOMPARE(XmlNode::parse(doc.partData(doc.headerParts().first()), QStringLiteral("h"))->innerText(),
             QStringLiteral("Санкт-Петербург [Менеджер]"));
}

void tst_CliGenerate::refused_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("message");
    QTest::newRow("unknown format") << QStringList{"--format", "odt"} << 2 << "Недопустимое значение «odt» для «--format»";
    QTest::newRow("bad sheet") << QStringList{"--sheet", "0"} << 2 << "После «--sheet» нужен номер листа, начиная с 1";
    QTest::newRow("unknown name order") << QStringList{"--order", "value"} << 2 << "Недопустимое значение «value» для «--order»";
    QTest::newRow("bad record list") << QStringList{"--rows", "2-x"} << 2 << "Неверный список записей: 2-x";
    QTest::newRow("record beyond the table") << QStringList{"--rows", "4"} << 1 << "В таблице нет записи 4 (записей: 3)";
    QTest::newRow("record beyond a table without records")
        << QStringList{"--data", DOKRAVA_TEST_DATA "/generation/table_without_records.csv", "--rows", "1"} << 1
        << "В таблице нет записи 1 (записей: 0)";
    QTest::newRow("record beyond the records before a row without a first value")
        << QStringList{"--data", DOKRAVA_TEST_DATA "/table/ragged_records.csv", "--rows", "4"} << 1
        << "В таблице нет записи 4 (записей: 3)";
    QTest::newRow("unknown column") << QStringList{"--column", "Телефон"} << 1 << "В таблице нет колонки «Телефон»";
    QTest::newRow("unknown template") << QStringList{"--only", "Нет.docx"} << 1 << "Шаблон не найден: Нет.docx";
    QTest::newRow("unknown option") << QStringList{"--fast"} << 2 << "Неизвестный параметр «--fast»";
    QTest::newRow("unknown short option") << QStringList{"-f"} << 2 << "Неизвестный параметр «-f»";
    QTest::newRow("a stray argument") << QStringList{"быстро"} << 2 << "Лишний аргумент «быстро»";
    QTest::newRow("combined file without pdf") << QStringList{"--combine"} << 2 << "«--combine» действует только с «--format pdf»";
    QTest::newRow("copies without the combined file") << QStringList{"--format", "pdf", "--copies", "2"} << 2
                                                      << "«--duplex» и «--copies» действуют только вместе с «--combine»";
    QTest::newRow("too many copies") << QStringList{"--format", "pdf", "--combine", "--copies", "10"} << 2
                                     << "После «--copies» нужно число копий от 1 до 9";
    QTest::newRow("copies not a number") << QStringList{"--format", "pdf", "--combine", "--copies", "две"} << 2
                                         << "После «--copies» нужно число копий от 1 до 9";
}

void tst_CliGenerate::refused()
{
    QFETCH(QStringList, args);
    QFETCH(int, code);
    QFETCH(QString, message);
    const Result r = cli(base() + args);
    QCOMPARE(r.code, code);
    QVERIFY2(r.err.startsWith(message + QLatin1Char('\n')), qPrintable(r.err));
    QVERIFY(!QFileInfo::exists(m_dir->filePath(QStringLiteral("out"))));
}

void tst_CliGenerate::unconvertedDocumentsFailTheCall_data()
{
    QTest::addColumn<QString>("converter");
    QTest::addColumn<QString>("only");
    QTest::addColumn<QString>("warning");
    QTest::addColumn<QStringList>("files");
    QTest::addColumn<QString>("out");
    QTest::newRow("no converter, odt among them")
        << "none" << "" << "LibreOffice не найден! Документы по шаблонам *.odt будут сохранены без конвертации в PDF"
        << QStringList{"Договор/Договор-Иванов Иван Иванович.docx", "Письмо/Письмо-Иванов Иван Иванович.odt"}
        << "Готово\nДокументов создано: 2\nОшибок конвертации в PDF: 2\n";
    QTest::newRow("no converter, Word only")
        << "none" << "Договор.docx" << "LibreOffice не найден! Документы будут сохранены без конвертации в PDF"
        << QStringList{"Договор/Договор-Иванов Иван Иванович.docx"}
        << "Готово\nДокументов создано: 1\nОшибок конвертации в PDF: 1\n";
    QTest::newRow("converter fails") << "failing" << "" << "Внимание! Ошибки конвертации в PDF: 2 файлов сохранены как .odt/.docx"
                                     << QStringList{"Договор/Договор-Иванов Иван Иванович.docx",
                                                    "Письмо/Письмо-Иванов Иван Иванович.odt"}
                                     << "Готово\nДокументов создано: 2\nОшибок конвертации в PDF: 2\n";
    QTest::newRow("converter fails on Word results only")
        << "failing" << "Договор.docx" << "Внимание! Ошибки конвертации в PDF: 1 файлов сохранены как .docx"
        << QStringList{"Договор/Договор-Иванов Иван Иванович.docx"}
        << "Готово\nДокументов создано: 1\nОшибок конвертации в PDF: 1\n";
}

void tst_CliGenerate::unconvertedDocumentsFailTheCall()
{
    QFETCH(QString, converter);
    QFETCH(QString, only);
    QFETCH(QString, warning);
    QFETCH(QStringList, files);
    QFETCH(QString, out);
    if (converter == QLatin1String("failing"))
        converter = FakeConverter::failing(m_dir->filePath(QStringLiteral("soffice")));
    QStringList args = base() + QStringList{"--format", "pdf", "--rows", "1", "--converter", converter};
    if (!only.isEmpty())
        args += QStringList{"--only", only};
    const Result r = cli(args);
    QCOMPARE(r.code, 1);
    QVERIFY2(r.err.contains(warning), qPrintable(r.err));
    QCOMPARE(r.out, out);
    QCOMPARE(TestFiles::filesUnder(m_dir->filePath(QStringLiteral("out"))), files);
}

void tst_CliGenerate::combinedFile_data()
{
    QTest::addColumn<QStringList>("converted"); // the documents the stand-in converter can make
    QTest::addColumn<int>("code");
    QTest::addColumn<QStringList>("pages");
    QTest::addColumn<QString>("report");
    const QString ivanov = QStringLiteral("Письмо-Иванов Иван Иванович"), petrova = QStringLiteral("Письмо-Петрова Анна Сергеевна"),
                  sidorov = QStringLiteral("Письмо-Сидоров Пётр");
    QTest::newRow("every document") << QStringList{ivanov, petrova, sidorov} << 0
                                    << QStringList{"101x500", "[101x500]", "101x500", "[101x500]", "201x500", "[201x500]",
                                                   "201x500", "[201x500]", "301x500", "[301x500]", "301x500"}
                                    << "(документов: 3, страниц: 11)";
    QTest::newRow("a failed conversion fails the call") << QStringList{ivanov, sidorov} << 1
                                                        << QStringList{"101x500", "[101x500]", "101x500", "[101x500]",
                                                                       "301x500", "[301x500]", "301x500"}
                                                        << "В общий файл не вошли: " + petrova;
}

void tst_CliGenerate::combinedFile()
{
    QFETCH(QStringList, converted);
    QFETCH(int, code);
    QFETCH(QStringList, pages);
    QFETCH(QString, report);
    const QString pool = m_dir->filePath(QStringLiteral("pool"));
    QDir().mkpath(pool);
    for (int i = 0; i < converted.size(); ++i)
        PdfFixture::write(pool + QLatin1Char('/') + converted[i] + QStringLiteral(".pdf"),
                          {QStringLiteral("%1x500").arg(converted[i].contains(QStringLiteral("Иванов")) ? 101
                                                        : converted[i].contains(QStringLiteral("Петрова")) ? 201 : 301)});
    const QString converter = FakeConverter::fromPool(m_dir->filePath(QStringLiteral("soffice")), pool);
    const Result r = cli(base() + QStringList{"--only", "Письмо.odt", "--format", "pdf", "--converter", converter,
                                              "--combine", "--duplex", "--copies", "2"});
    QCOMPARE(r.code, code);
    const QString file = m_dir->filePath(QStringLiteral("out/Письмо — все документы.pdf"));
    QVERIFY2((r.out + r.err).contains(report), qPrintable(r.out + r.err));
    QVERIFY2((r.out + r.err).contains(QStringLiteral("Общий файл для печати: ") + QDir::toNativeSeparators(file)),
             qPrintable(r.out + r.err));
    QCOMPARE(PdfFixture::pages(file), pages);
}

void tst_CliGenerate::interruptStopsTheRun()
{
    const QString converter = FakeConverter::hanging(m_dir->filePath(QStringLiteral("soffice")));
    QProcess p;
    p.start(QStringLiteral(DOKRAVA_CLI),
            QStringList{QStringLiteral("generate")} + base() + QStringList{"--format", "pdf", "--converter", converter});
    QVERIFY(p.waitForStarted());
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(converter + QStringLiteral(".pids")), 20000);
    ::kill(pid_t(p.processId()), SIGINT);
    QVERIFY(p.waitForFinished(20000));
    QCOMPARE(p.exitCode(), 1);
    // The filled documents stay in their own format, and the report says so.
    QCOMPARE(QString::fromUtf8(p.readAllStandardError()),
             QStringLiteral("Формирование остановлено. Создано документов: 6, из них не сконвертированы в PDF: 6 "
                            "(оставлены в формате .odt/.docx)\n"));
    QCOMPARE(TestFiles::filesUnder(m_dir->filePath(QStringLiteral("out"))),
             (QStringList{"Договор/Договор-Иванов Иван Иванович.docx", "Договор/Договор-Петрова Анна Сергеевна.docx",
                          "Договор/Договор-Сидоров Пётр.docx", "Письмо/Письмо-Иванов Иван Иванович.odt",
                          "Письмо/Письмо-Петрова Анна Сергеевна.odt", "Письмо/Письмо-Сидоров Пётр.odt"}));
    for (const qint64 pid : FakeConverter::recordedPids(converter))
        QTRY_VERIFY_WITH_TIMEOUT(::kill(pid_t(pid), 0) != 0, 5000);
}

// A run that an error ends still says how many documents it wrote before it.
void tst_CliGenerate::errorEndsTheRunAfterCounting()
{
    // A folder where the second record's document should go: that document cannot take its name.
    QVERIFY(QDir().mkpath(m_dir->filePath(QStringLiteral("out/Письмо/Письмо-Петрова Анна Сергеевна.odt/занято"))));
    const Result r = cli(base() + QStringList{"--only", "Письмо.odt"});
    QCOMPARE(r.code, 1);
    QCOMPARE(r.out, QStringLiteral("Документов создано: 1\n"));
    QVERIFY2(!r.err.isEmpty() && !r.err.contains(QStringLiteral("Готово")), qPrintable(r.err));
    QVERIFY(QFileInfo::exists(m_dir->filePath(QStringLiteral("out/Письмо/Письмо-Иванов Иван Иванович.odt"))));
}

// A program folder where no converter profile folder can be made (here "lo_profiles" is a file)
// ends the run with a message; the run once waited for a free profile folder for ever.
void tst_CliGenerate::noConverterProfileFolderEndsTheRun()
{
    const QString app = m_dir->filePath(QStringLiteral("app"));
    QVERIFY(QDir().mkpath(app));
    const QString cli = app + QStringLiteral("/dokrava-cli");
    QVERIFY(QFile::copy(QStringLiteral(DOKRAVA_CLI), cli));
    TestFiles::writeBytes(app + QStringLiteral("/lo_profiles"), "not a folder");
    const QString converter = FakeConverter::copying(m_dir->filePath(QStringLiteral("soffice")));
    QProcess p;
    p.start(cli, QStringList{QStringLiteral("generate")} + base() + QStringList{"--format", "pdf", "--rows", "1", "--converter", converter});
    QVERIFY(p.waitForStarted());
    const bool ended = p.waitForFinished(30000);
    if (!ended)
        p.kill();
    QVERIFY2(ended, "the run waited for a converter profile folder that cannot be made");
    QCOMPARE(p.exitCode(), 1);
    const QString err = QString::fromUtf8(p.readAllStandardError());
    QVERIFY2(err.contains(QStringLiteral("Не удалось подготовить папку профиля LibreOffice")), qPrintable(err));
    // The document filled before the error stays, counted as not converted.
    QCOMPARE(QString::fromUtf8(p.readAllStandardOutput()), QStringLiteral("Документов создано: 1\nОшибок конвертации в PDF: 1\n"));
    QCOMPARE(TestFiles::filesUnder(m_dir->filePath(QStringLiteral("out"))),
             QStringList{QStringLiteral("Договор/Договор-Иванов Иван Иванович.docx")});
}

void tst_CliGenerate::consoleStreams_data()
{
    QTest::addColumn<bool>("terminal");
    QTest::newRow("standard error is a terminal") << true;
    QTest::newRow("standard error is a pipe") << false;
}

// On a terminal standard error shows the progress on one line, written over in place and cleared
// before any other text; otherwise it carries the notices alone. "Готово" and the counts go to
// standard output.
void tst_CliGenerate::consoleStreams()
{
    QFETCH(bool, terminal);
    const QString templates = m_dir->filePath(QStringLiteral("t"));
    QDir().mkpath(templates);
    QFile::copy(QStringLiteral(DOKRAVA_TEST_DATA "/../../resources/zagotka/Письмо.odt"), templates + QStringLiteral("/Письмо.odt"));
    TestFiles::writeBytes(templates + QStringLiteral("/Плохой.docx"), "не документ");
    QStringList args = QStringList{QStringLiteral("generate")} + base();
    args[2] = templates;
    args += QStringList{"--format", "pdf", "--converter", FakeConverter::selective(m_dir->filePath(QStringLiteral("soffice")), "*")};
    QProcess p;
    int master = -1, slave = -1;
    if (terminal) {
        QVERIFY(::openpty(&master, &slave, nullptr, nullptr, nullptr) == 0);
        ::fcntl(master, F_SETFL, O_NONBLOCK);
        p.setChildProcessModifier([slave] { ::dup2(slave, 2); });
    }
    p.start(QStringLiteral(DOKRAVA_CLI), args);
    QVERIFY(p.waitForStarted());
    QByteArray screen;
    const auto readTerminal = [&] {
        char buffer[4096];
        for (ssize_t n; master >= 0 && (n = ::read(master, buffer, sizeof buffer)) > 0;)
            screen.append(buffer, n);
    };
    for (int waited = 0; p.state() != QProcess::NotRunning && waited < 120000; waited += 50) {
        p.waitForFinished(50);
        readTerminal();
    }
    readTerminal();
    if (terminal) {
        ::close(slave);
        ::close(master);
    }
    const QString notice = QStringLiteral("Шаблон повреждён: Плохой.docx");
    QCOMPARE(p.exitCode(), 0);
    QCOMPARE(QString::fromUtf8(p.readAllStandardOutput()),
             QStringLiteral("Готово\nДокументов создано: 3\nОшибок конвертации в PDF: 0\n"));
    if (!terminal) {
        QCOMPARE(QString::fromUtf8(p.readAllStandardError()), notice + QLatin1Char('\n'));
        return;
    }
    // The terminal's line as it reads each time the cursor goes back to its start, and the lines
    // left on the screen at the end.
    QStringList seen, lines{QString()};
    qsizetype column = 0;
    for (const QChar c : QString::fromUtf8(screen)) {
        QString &line = lines.last();
        if (c == QLatin1Char('\r')) {
            seen << QString(line).remove(QRegularExpression(QStringLiteral(" +$")));
            column = 0;
        } else if (c == QLatin1Char('\n')) {
            lines << QString();
            column = 0;
        } else {
            line = line.leftJustified(column).replace(column, 1, c);
            ++column;
        }
    }
    const QRegularExpression progress(QStringLiteral("^(Документы: \\d+ из 3, PDF: \\d+|PDF: \\d+ из 3)$"));
    for (const QString &line : seen)
        QVERIFY2(line.isEmpty() || line == notice || progress.match(line).hasMatch(), qPrintable(line));
    QVERIFY2(!seen.filter(progress).isEmpty(), screen.constData());
    lines.replaceInStrings(QRegularExpression(QStringLiteral(" +$")), QString());
    lines.removeAll(QString());
    QCOMPARE(lines, QStringList{notice});
}

// The shipped invoice and act with their data file of lines: six records make three documents
// of each, named by the first record of each group; a group's records need not be adjacent.
void tst_CliGenerate::linesMakeOneDocumentPerGroup()
{
    const QString samples = QStringLiteral(DOKRAVA_TEST_DATA "/../../resources/primery");
    const Result r = cli({"--templates", samples, "--data", samples + QStringLiteral("/Счета.csv"), "--out",
                          m_dir->filePath(QStringLiteral("out")), "--format", "native", "--naming", "column", "--column", "Номер"});
    QCOMPARE(r.code, 0);
    QCOMPARE(r.out, QStringLiteral("Готово\nДокументов создано: 6 (записей: 12)\n"));
    QCOMPARE(r.err, QString());
    QStringList files;
    for (const QString &number : {QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("3")})
        for (const QString &file : QDir(m_dir->filePath(QStringLiteral("out/") + number)).entryList(QDir::Files, QDir::Name))
            files.append(number + QLatin1Char('/') + file);
    QCOMPARE(files, (QStringList{"1/1-Акт.odt", "1/1-Счёт.docx", "2/2-Акт.odt", "2/2-Счёт.docx", "3/3-Акт.odt", "3/3-Счёт.docx"}));
    const QString nbsp(QChar(0x00A0));
    const QStringList invoice = LanguageFixture::documentLines(Package(m_dir->filePath(QStringLiteral("out/2/2-Счёт.docx"))), false);
    QCOMPARE(invoice, (QStringList{"P:Счёт № 2 от 12 марта 2026 г.", "P:Поставщик: ООО «Докрава», ИНН 7700000000",
                                   "P:Покупатель: ИП Сидоров П. А., ИНН 500100732259", "T", "R:№|Товар|Кол-во|Цена|Сумма",
                                   "R:1|Ручка шариковая|100|15,20|1" + nbsp + "520,00", "R:2|Блокнот|10|120,00|1" + nbsp + "200,00",
                                   "R:Итого:|2" + nbsp + "720,00", "/T",
                                   "P:Всего к оплате: 2" + nbsp + "720 (две тысячи семьсот двадцать) рублей 00 копеек",
                                   "P:Цены указаны с учётом скидки 5%.", "P:Счёт действителен в течение пяти банковских дней."}));
    const QStringList act = LanguageFixture::documentLines(Package(m_dir->filePath(QStringLiteral("out/1/1-Акт.odt"))), true);
    QCOMPARE(act, (QStringList{"P:Акт № 1 от «10» марта 2026 г.",
                               "P:Исполнитель ООО «Докрава» передал, а заказчик ООО «Ромашка» (ИНН 7701234567) принял:",
                               "L:Бумага А4, пачка, 10 шт., на сумму 3" + nbsp + "500,00 руб.",
                               "L:Картридж для принтера, 2 шт., на сумму 4" + nbsp + "801,00 руб.",
                               "P:Всего на сумму восемь тысяч триста один рубль 00 копеек.", "P:Работы выполнены по полной цене.",
                               "P:Заказчик претензий по объёму, качеству и срокам не имеет.",
                               "P:Контактный телефон заказчика: +7 495 123-45-67"}));
}

// A template with an error of the template language makes no document; the run says why on
// standard error, goes on with the other templates and ends with exit code 1.
void tst_CliGenerate::templateErrorPassesTheTemplateOver()
{
    const QString templates = m_dir->filePath(QStringLiteral("t"));
    QDir().mkpath(templates);
    LanguageFixture::writeOdt(templates + QStringLiteral("/Плохой.odt"), {"P:[если Телефон]Тел. [Телефон]", "P:[*Номер]"});
    LanguageFixture::writeDocx(templates + QStringLiteral("/Хороший.docx"), {"P:[Номер][если Телефон] [Телефон][/если]"});
    const QString data = m_dir->filePath(QStringLiteral("data.csv"));
    TestFiles::writeBytes(data, "Номер;Телефон\n1;+7 900\n2;\n");
    const Result r = cli({"--templates", templates, "--data", data, "--out", m_dir->filePath(QStringLiteral("out")),
                          "--format", "native"});
    QCOMPARE(r.code, 1);
    QCOMPARE(r.err, QStringLiteral("Шаблон «Плохой.odt»: не закрыт блок [если Телефон]\n"));
    QCOMPARE(r.out, QStringLiteral("Готово\nДокументов создано: 2\n"));
    QCOMPARE(QDir(m_dir->filePath(QStringLiteral("out"))).entryList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name),
             QStringList{"Хороший"});
}

QTEST_GUILESS_MAIN(tst_CliGenerate)
#include "tst_CliGenerate.moc"
