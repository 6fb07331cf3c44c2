#include "DiskFaults.h"
#include "DocxFixture.h"
#include "FakeConverter.h"
#include "OdtFixture.h"
#include "TestFiles.h"

#include "base/AppFolder.h"
#include "base/DokravaError.h"
#include "base/ScratchFolder.h"
#include "generation/PreflightCheck.h"
#include "generation/TGenerationRun.h"
#include "grid/TGridModel.h"
#include "odf/TODTProcessor.h"
#include "word/DocxDocument.h"
#include "zip/ZipReader.h"

#include <QDir>
#include <QDirIterator>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <mutex>
#include <sys/stat.h>
#include <optional>

using namespace dokrava;

namespace {

// Records what the run reports.
struct Recorder : IGenerationObserver
{
    QStringList notices, opened, written;
    QList<int> rows, positions;
    int maximum = -1;
    void progressStarted(int m) override { maximum = m; }
    void recordStarted(int row) override { rows << row; }
    void progressed(int p) override { positions << p; }
    void documentWritten(const QString &path) override { written << path; }
    void notice(const QString &text) override { notices << text; }
    void conversionsProgressed(int converted, int total) override { conversions = {converted, total}; }
    void documentsProgressed(int filled, int total, int converted) override
    {
        documents = TGenerationRun::documentsProgressText(filled, total, converted);
    }
    QString documents;
    QPair<int, int> conversions{-1, -1};
    void openFolder(const QString &path) override { opened << path; }
};

// Everything a run may leave in an output folder, temporary files included.
const QStringList kDocuments{QStringLiteral("*.pdf"), QStringLiteral("*.odt"), QStringLiteral("*.docx"),
                             QStringLiteral("*.doc"), QStringLiteral("*.tmp")};

QString odtText(const QString &path)
{
    ZipReader zip(path);
    return QString::fromUtf8(zip.data(zip.indexOf(QStringLiteral("content.xml"))));
}

} // namespace

class tst_GenerationRun : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void fileNameWithoutExt_data();
    void fileNameWithoutExt();
    void outputPath_data();
    void outputPath();
    void snapshotHoldsTheRowsARunReads();
    void fieldValues();
    void duplicateHeadersEndTheRun();
    void singleModeShowsNothingAtTheEnd();
    void severalModeWithoutMarksOrTemplates();
    void odtToPdf_data();
    void odtToPdf();
    void wordToPdf_data();
    void wordToPdf();
    void missingWordTemplateLetsTheRunGoOn();
    void legacyWordTemplateNeedsTheConverter();
    void headerRowAsRecordFillsFieldNames();
    void outputRootAndLevelsAreCreated();
    void folderThatCannotBeMadeEndsTheRun();
    void collidingNamesGetNumbers_data();
    void collidingNamesGetNumbers();
    void earlierRunsAreReplaced();
    void longNamingValueIsShortened_data();
    void longNamingValueIsShortened();
    void brokenTemplateIsReportedAndPassedOver_data();
    void brokenTemplateIsReportedAndPassedOver();
    void conversionReportNamesWordResults();
    void filesOfKilledRunsGoAtStart();
    void legacyTemplateConvertedOncePerRun_data();
    void legacyTemplateConvertedOncePerRun();
    void stoppedRunKeepsFilledDocuments_data();
    void stoppedRunKeepsFilledDocuments();
    void secondRunStartsAfresh();
    void noFinalNameWithoutItsBytes_data();
    void noFinalNameWithoutItsBytes();
    void failingDiskKeepsEarlierDocuments_data();
    void failingDiskKeepsEarlierDocuments();
    void workersKeepTheOrderOfOneThread_data();
    void workersKeepTheOrderOfOneThread();

private:
    TGenerationInput input(const QStringList &templates);
    QString fakeConverter(const QString &kind) const;
    QString out(const QString &relative) const { return m_dir->filePath(QStringLiteral("docum/") + relative); }
    std::unique_ptr<QTemporaryDir> m_dir;
};

void tst_GenerationRun::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    AppFolder::setOverride(m_dir->path());
    QDir(m_dir->path()).mkpath(QStringLiteral("zagotka"));
    OdtFixture::write(m_dir->filePath(QStringLiteral("zagotka/Письмо.odt")), QStringLiteral("Уважаемый [ФИО] из [Город]"));
    DocxFixture::write(m_dir->filePath(QStringLiteral("zagotka/Договор.docx")),
                       DocxFixture::para(QStringLiteral("Договор с [ФИО], [Город]")));
}

void tst_GenerationRun::cleanup()
{
    AppFolder::setOverride(QString());
}

// The stand-in converter of that kind ("copying", "failing", "truncating"), or none for "".
QString tst_GenerationRun::fakeConverter(const QString &kind) const
{
    const QString script = m_dir->filePath(QStringLiteral("soffice"));
    if (kind == QLatin1String("copying"))
        return FakeConverter::copying(script);
    if (kind == QLatin1String("failing"))
        return FakeConverter::failing(script);
    if (kind == QLatin1String("truncating"))
        return FakeConverter::truncating(script);
    return QString();
}

TGenerationInput tst_GenerationRun::input(const QStringList &templates)
{
    TGenerationInput in;
    in.templatesDir = m_dir->filePath(QStringLiteral("zagotka")) + QDir::separator();
    in.templates = templates;
    in.grid.rows = {{QStringLiteral("ФИО"), QStringLiteral("Город")},
                    {QStringLiteral("Иванов"), QStringLiteral("Москва")},
                    {QStringLiteral("Петров"), QStringLiteral("Тула")},
                    {QStringLiteral("Сидоров"), QStringLiteral("Омск")}};
    in.grid.marks = {false, false, false, false};
    in.grid.currentRow = 1;
    in.namingColumn = 1;
    in.outputRoot = m_dir->filePath(QStringLiteral("docum")) + QDir::separator();
    in.personalFieldsFile = m_dir->filePath(QStringLiteral("replace.ini"));
    in.waitMs = 5000;
    return in;
}

void tst_GenerationRun::fileNameWithoutExt_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("expected");
    QTest::newRow("two dots") << "a.b.docx" << "a.b";
    QTest::newRow("no dot") << "README" << "README";
    QTest::newRow("only leading dot") << ".docx" << "";
    QTest::newRow("windows folder") << "C:\\Шаблоны\\Договор.doc" << "Договор";
    QTest::newRow("drive only") << "D:Акт.odt" << "Акт";
    QTest::newRow("sub-folder") << "Договоры/Аренда.docx" << "Аренда";
}

void tst_GenerationRun::fileNameWithoutExt()
{
    QFETCH(QString, name);
    QFETCH(QString, expected);
    QCOMPARE(FileNameWithoutExt(name), expected);
}

void tst_GenerationRun::outputPath_data()
{
    QTest::addColumn<QString>("entry");
    QTest::addColumn<QString>("value");
    QTest::addColumn<int>("mode");
    QTest::addColumn<int>("order");
    QTest::addColumn<int>("format");
    QTest::addColumn<QString>("expected");
    QTest::newRow("by template") << "Договор.docx" << "Иванов" << 0 << 0 << 1 << "Договор/Договор-Иванов.docx";
    QTest::newRow("by column") << "Договор.docx" << "Иванов" << 1 << 1 << 1 << "Иванов/Иванов-Договор.docx";
    QTest::newRow("by template, pdf") << "Договор.docx" << "Иванов" << 0 << 0 << 0 << "Договор/Договор-Иванов.pdf";
    QTest::newRow("by column, pdf") << "Договор.docx" << "Иванов" << 1 << 1 << 0 << "Иванов/Иванов-Договор.pdf";
    QTest::newRow("odt stays odt") << "Письмо.odt" << "Иванов" << 0 << 0 << 0 << "Письмо/Письмо-Иванов.odt";
    QTest::newRow("extension case kept") << "Письмо.DOCX" << "x" << 0 << 0 << 1 << "Письмо/Письмо-x.DOCX";
    QTest::newRow("capital odt") << "Акт.ODT" << "x" << 0 << 0 << 0 << "Акт/Акт-x.ODT";
    QTest::newRow("legacy word") << "Старый.doc" << "x" << 0 << 0 << 1 << "Старый/Старый-x.doc";
    QTest::newRow("dotted template") << "a.b.docx" << "x" << 0 << 0 << 1 << "a.b/a.b-x.docx";
    QTest::newRow("empty value") << "Договор.docx" << "" << 0 << 0 << 1 << "Договор/Договор-.docx";
    QTest::newRow("empty value by column") << "Договор.docx" << "" << 1 << 1 << 1 << "-Договор.docx";
    QTest::newRow("quotes in a company name") << "Договор.docx" << "ООО \"Ромашка\"" << 1 << 1 << 1
                                              << "ООО _Ромашка_/ООО _Ромашка_-Договор.docx";
    QTest::newRow("separators make no levels") << "Договор.docx" << "a\\b/c" << 1 << 1 << 1 << "a_b_c/a_b_c-Договор.docx";
    QTest::newRow("forbidden characters") << "Договор.docx" << "a:b*c?d<e>f|g\th" << 0 << 0 << 1
                                          << "Договор/Договор-a_b_c_d_e_f_g_h.docx";
    QTest::newRow("trailing dots and spaces") << "Договор.docx" << "Ltd. . " << 1 << 1 << 1 << "Ltd/Ltd-Договор.docx";
    QTest::newRow("dot-dot never climbs") << "Договор.docx" << ".." << 1 << 1 << 1 << "-Договор.docx";
    // "Имя файла" orders the name, "Формировать имя папки" only chooses the folder.
    QTest::newRow("folder by column, template first") << "Договор.docx" << "Иванов" << 1 << 0 << 1
                                                      << "Иванов/Договор-Иванов.docx";
    QTest::newRow("folder by template, value first") << "Договор.docx" << "Иванов" << 0 << 1 << 0
                                                     << "Договор/Иванов-Договор.pdf";
    // Device names of Windows, in any case and with any extension, are no folder on any system.
    QTest::newRow("device name as folder") << "Договор.docx" << "CON" << 1 << 1 << 1 << "CON_/CON-Договор.docx";
    QTest::newRow("device name with extension") << "Договор.docx" << "com1.txt" << 1 << 0 << 1
                                                << "com1_.txt/Договор-com1.txt.docx";
    QTest::newRow("device name as template") << "nul.docx" << "x" << 0 << 0 << 1 << "nul_/nul-x.docx";
    QTest::newRow("space before the extension") << "Договор.docx" << "aux .1" << 1 << 1 << 1
                                                << "aux_ .1/aux_ .1-Договор.docx";
    QTest::newRow("no device: COM0, COM10, CONSOLE") << "COM0.docx" << "COM10" << 1 << 0 << 1
                                                     << "COM10/COM0-COM10.docx";
    QTest::newRow("template in a sub-folder") << "Договоры/Аренда.docx" << "x" << 0 << 0 << 1 << "Аренда/Аренда-x.docx";
}

void tst_GenerationRun::outputPath()
{
    QFETCH(QString, entry);
    QFETCH(QString, value);
    QFETCH(int, mode);
    QFETCH(int, order);
    QFETCH(int, format);
    QFETCH(QString, expected);
    const QString root = QDir::toNativeSeparators(QStringLiteral("/app/docum/"));
    QCOMPARE(OutputPath(root, entry, value, mode, NameOrderOf(order), format), root + QDir::toNativeSeparators(expected));
}

void tst_GenerationRun::fieldValues()
{
    const TFieldValues values = BuildFieldValues({QStringLiteral("A"), QString(), QStringLiteral("a"), QStringLiteral("B")},
                                                 {QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("3")});
    QCOMPARE(values, (TFieldValues{{QStringLiteral("A"), QStringLiteral("1")},
                                   {QStringLiteral("a"), QStringLiteral("3")},
                                   {QStringLiteral("B"), QString()}}));
}

void tst_GenerationRun::duplicateHeadersEndTheRun()
{
    TGenerationInput in = input({QStringLiteral("Договор.docx"), QStringLiteral("Письмо.odt")});
    in.grid.rows[0] = {QStringLiteral("ФИО"), QStringLiteral("ФИО")};
    TGenerationRun run(in, nullptr);
    try {
        run.run();
        QFAIL("no error");
    } catch (const DokravaError &e) {
        QCOMPARE(e.message(), QStringLiteral("Duplicates not allowed"));
    }
    // The Word document written before the error stays.
    QVERIFY(QFile::exists(out(QStringLiteral("Договор/Договор-Иванов.docx"))));
}

void tst_GenerationRun::singleModeShowsNothingAtTheEnd()
{
    TGenerationInput in = input({QStringLiteral("Письмо.odt")});
    in.settings.FormatFile = 0;
    in.settings.OpenDir = true;
    in.converter = FakeConverter::failing(m_dir->filePath(QStringLiteral("soffice")));
    Recorder rec;
    TGenerationRun run(in, &rec);
    run.run();
    QCOMPARE(run.pdfErrorCount(), 1);
    QVERIFY(rec.notices.isEmpty());
    QCOMPARE(rec.opened, QStringList{QDir::toNativeSeparators(m_dir->filePath(QStringLiteral("docum")))});
    QCOMPARE(rec.maximum, -1);
    QVERIFY(odtText(out(QStringLiteral("Письмо/Письмо-Иванов.odt"))).contains(QStringLiteral("Уважаемый Иванов из Москва")));
}

void tst_GenerationRun::severalModeWithoutMarksOrTemplates()
{
    for (const bool withTemplates : {true, false}) {
        TGenerationInput in = input(withTemplates ? QStringList{QStringLiteral("Письмо.odt")} : QStringList());
        in.severalRecords = true;
        if (!withTemplates)
            in.grid.marks = {false, true, true, true};
        Recorder rec;
        TGenerationRun run(in, &rec);
        run.run();
        QCOMPARE(rec.maximum, 3);
        QCOMPARE(rec.rows, (QList<int>{1, 2, 3}));
        QCOMPARE(rec.positions, (QList<int>{1, 2, 3}));
        QCOMPARE(rec.notices, QStringList{QStringLiteral("Готово")});
        QCOMPARE(run.documentsWritten(), 0);
        QVERIFY(rec.opened.isEmpty());
    }
}

void tst_GenerationRun::odtToPdf_data()
{
    QTest::addColumn<QString>("converter");
    QTest::addColumn<QStringList>("files");
    QTest::addColumn<QStringList>("notices");
    QTest::newRow("converter works") << "copying" << QStringList{"Письмо-Петров.pdf", "Письмо-Сидоров.pdf"}
                                     << QStringList{"Готово"};
    QTest::newRow("no converter") << "" << QStringList{"Письмо-Петров.odt", "Письмо-Сидоров.odt"} << QStringList{"Готово"};
    QTest::newRow("converter fails") << "failing" << QStringList{"Письмо-Петров.odt", "Письмо-Сидоров.odt"}
                                     << QStringList{"Готово", "Внимание! Ошибки конвертации в PDF: 2 файлов сохранены как .odt"};
    QTest::newRow("converter leaves a PDF cut short")
        << "truncating" << QStringList{"Письмо-Петров.odt", "Письмо-Сидоров.odt"}
        << QStringList{"Готово", "Внимание! Ошибки конвертации в PDF: 2 файлов сохранены как .odt"};
}

void tst_GenerationRun::odtToPdf()
{
    QFETCH(QString, converter);
    QFETCH(QStringList, files);
    QFETCH(QStringList, notices);
    TGenerationInput in = input({QStringLiteral("Письмо.odt")});
    in.severalRecords = true;
    in.grid.marks = {false, false, true, true};
    in.settings.FormatFile = 0;
    in.converter = fakeConverter(converter);
    Recorder rec;
    TGenerationRun run(in, &rec);
    run.run();
    QCOMPARE(QDir(out(QStringLiteral("Письмо"))).entryList(kDocuments, QDir::Files, QDir::Name), files);
    QCOMPARE(rec.notices, notices);
    QCOMPARE(run.documentsWritten(), 2);
    // The conversions are reported until the last is judged; the count is of PDFs made.
    QCOMPARE(rec.conversions, converter.isEmpty() ? qMakePair(-1, -1) : qMakePair(int(files.filter(".pdf").size()), 2));
    // Both documents filled; the conversions are still going on when filling ends.
    QVERIFY2(rec.documents.startsWith(converter.isEmpty() ? QStringLiteral("Документы: 2 из 2")
                                                          : QStringLiteral("Документы: 2 из 2, PDF: ")),
             qPrintable(rec.documents));
}

void tst_GenerationRun::wordToPdf_data()
{
    QTest::addColumn<QString>("converter");
    QTest::addColumn<QStringList>("files");
    QTest::addColumn<int>("errors");
    QTest::newRow("converter works") << "copying" << QStringList{"Договор-Иванов.pdf"} << 0;
    QTest::newRow("no converter") << "" << QStringList{"Договор-Иванов.docx"} << 0;
    QTest::newRow("converter fails") << "failing" << QStringList{"Договор-Иванов.docx"} << 1;
}

void tst_GenerationRun::wordToPdf()
{
    QFETCH(QString, converter);
    QFETCH(QStringList, files);
    QFETCH(int, errors);
    TGenerationInput in = input({QStringLiteral("Договор.docx")});
    in.settings.FormatFile = 0;
    in.converter = fakeConverter(converter);
    TGenerationRun run(in, nullptr);
    run.run();
    QCOMPARE(QDir(out(QStringLiteral("Договор"))).entryList(kDocuments, QDir::Files | QDir::Hidden, QDir::Name), files);
    QCOMPARE(run.pdfErrorCount(), errors);
    // A document kept in its own format is the filled one.
    const QString document = out(QStringLiteral("Договор/")) + files.first();
    if (!document.endsWith(QLatin1String(".pdf"))) {
        DocxDocument doc(document);
        QVERIFY(QString::fromUtf8(doc.partData(doc.mainPart())).contains(QStringLiteral("Договор с Иванов, Москва")));
    }
    // No scratch folder is left behind.
    QCOMPARE(QDir(ProcessTempDir()).entryList(QDir::Dirs | QDir::NoDotAndDotDot).filter(QStringLiteral("DOC_")),
             QStringList());
}

void tst_GenerationRun::missingWordTemplateLetsTheRunGoOn()
{
    TGenerationInput in = input({QStringLiteral("Нет.docx"), QStringLiteral("Договор.docx")});
    in.severalRecords = true;
    in.grid.marks = {false, true, false, true};
    Recorder rec;
    TGenerationRun run(in, &rec);
    run.run();
    QCOMPARE(rec.notices, (QStringList{QStringLiteral("Файл шаблона не найден."), QStringLiteral("Файл шаблона не найден."),
                                       QStringLiteral("Готово")}));
    QCOMPARE(QDir(out(QStringLiteral("Договор"))).entryList(QDir::Files, QDir::Name),
             (QStringList{QStringLiteral("Договор-Иванов.docx"), QStringLiteral("Договор-Сидоров.docx")}));
}

void tst_GenerationRun::legacyWordTemplateNeedsTheConverter()
{
    QFile f(m_dir->filePath(QStringLiteral("zagotka/Старый.doc")));
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(QByteArray("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8));
    f.close();
    TGenerationRun run(input({QStringLiteral("Старый.doc")}), nullptr);
    try {
        run.run();
        QFAIL("no error");
    } catch (const DokravaError &e) {
        QCOMPARE(e.message(), QStringLiteral("Для шаблонов .doc нужен LibreOffice"));
    }
}

void tst_GenerationRun::headerRowAsRecordFillsFieldNames()
{
    TGenerationInput in = input({QStringLiteral("Письмо.odt")});
    in.grid.currentRow = 0;
    TGenerationRun run(in, nullptr);
    run.run();
    QVERIFY(odtText(out(QStringLiteral("Письмо/Письмо-ФИО.odt"))).contains(QStringLiteral("Уважаемый ФИО из Город")));
}

void tst_GenerationRun::outputRootAndLevelsAreCreated()
{
    TGenerationInput in = input({QStringLiteral("Письмо.odt")});
    in.outputRoot = m_dir->filePath(QStringLiteral("new/deeper/docum"));
    in.namingMode = 1;
    in.settings.FileName = 1; // "ИмяКолонки-Шаблон"
    TGenerationRun run(in, nullptr);
    run.run();
    QVERIFY(QFile::exists(m_dir->filePath(QStringLiteral("new/deeper/docum/Иванов/Иванов-Письмо.odt"))));
}

void tst_GenerationRun::folderThatCannotBeMadeEndsTheRun()
{
    QFile blocker(m_dir->filePath(QStringLiteral("docum")));
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    TGenerationRun run(input({QStringLiteral("Письмо.odt")}), nullptr);
    try {
        run.run();
        QFAIL("no error");
    } catch (const DokravaError &e) {
        QCOMPARE(e.message(), QStringLiteral("Cannot create ")
                                  + QDir::toNativeSeparators(m_dir->filePath(QStringLiteral("docum/Письмо")))
                                  + QDir::separator());
    }
}

void tst_GenerationRun::collidingNamesGetNumbers_data()
{
    QTest::addColumn<QStringList>("templates");
    QTest::addColumn<QStringList>("values");
    QTest::addColumn<QString>("converter");
    QTest::addColumn<QStringList>("files"); // under docum, sorted
    QTest::newRow("same value twice") << QStringList{"Письмо.odt"} << QStringList{"Иванов", "Иванов"} << ""
                                      << QStringList{"Письмо/Письмо-Иванов (2).odt", "Письмо/Письмо-Иванов.odt"};
    QTest::newRow("letter case only") << QStringList{"Письмо.odt"} << QStringList{"Иванов", "ИВАНОВ"} << ""
                                      << QStringList{"Письмо/Письмо-ИВАНОВ (2).odt", "Письмо/Письмо-Иванов.odt"};
    QTest::newRow("forbidden characters only") << QStringList{"Письмо.odt"} << QStringList{"a/b", "a:b"} << ""
                                               << QStringList{"Письмо/Письмо-a_b (2).odt", "Письмо/Письмо-a_b.odt"};
    QTest::newRow("dots count as empty") << QStringList{"Письмо.odt"} << QStringList{".", ".."} << ""
                                         << QStringList{"Письмо/Письмо- (2).odt", "Письмо/Письмо-.odt"};
    QTest::newRow("same template name in two folders")
        << QStringList{"А/Акт.odt", "Б/Акт.odt"} << QStringList{"x", "y"} << ""
        << QStringList{"Акт/Акт-x (2).odt", "Акт/Акт-x.odt", "Акт/Акт-y (2).odt", "Акт/Акт-y.odt"};
    QTest::newRow("odt and docx of one name, as PDF") << QStringList{"Договор.docx", "Договор.odt"} << QStringList{"x", "y"}
                                                     << "copying"
                                                     << QStringList{"Договор/Договор-x (2).pdf", "Договор/Договор-x.pdf",
                                                                    "Договор/Договор-y (2).pdf", "Договор/Договор-y.pdf"};
    QTest::newRow("odt and docx of one name, own format") << QStringList{"Договор.docx", "Договор.odt"}
                                                         << QStringList{"x"} << "none"
                                                         << QStringList{"Договор/Договор-x.docx", "Договор/Договор-x.odt"};
}

void tst_GenerationRun::collidingNamesGetNumbers()
{
    QFETCH(QStringList, templates);
    QFETCH(QStringList, values);
    QFETCH(QString, converter);
    QFETCH(QStringList, files);
    QDir(m_dir->path()).mkpath(QStringLiteral("zagotka/А"));
    QDir(m_dir->path()).mkpath(QStringLiteral("zagotka/Б"));
    OdtFixture::write(m_dir->filePath(QStringLiteral("zagotka/А/Акт.odt")), QStringLiteral("[ФИО]"));
    OdtFixture::write(m_dir->filePath(QStringLiteral("zagotka/Б/Акт.odt")), QStringLiteral("[ФИО]"));
    OdtFixture::write(m_dir->filePath(QStringLiteral("zagotka/Договор.odt")), QStringLiteral("[ФИО]"));
    TGenerationInput in = input(templates);
    in.severalRecords = true;
    in.grid.rows = {{QStringLiteral("ФИО")}};
    in.grid.marks = {false};
    for (const QString &v : values) {
        in.grid.rows.append({v});
        in.grid.marks.append(true);
    }
    in.settings.FormatFile = converter == QLatin1String("none") ? 1 : 0;
    in.converter = fakeConverter(converter);
    TGenerationRun run(in, nullptr);
    run.run();
    QStringList found;
    QDirIterator it(out(QString()), kDocuments, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext())
        found << QDir(out(QString())).relativeFilePath(it.next());
    found.sort();
    QCOMPARE(found, files);
    QCOMPARE(run.documentsWritten(), int(files.size()));
}

void tst_GenerationRun::earlierRunsAreReplaced()
{
    TGenerationInput in = input({QStringLiteral("Письмо.odt")});
    in.severalRecords = true;
    in.grid.marks = {false, true, true, false};
    in.grid.rows[2][0] = in.grid.rows[1][0];
    for (int i = 0; i < 2; ++i)
        TGenerationRun(in, nullptr).run();
    QCOMPARE(QDir(out(QStringLiteral("Письмо"))).entryList(QDir::Files, QDir::Name),
             (QStringList{QStringLiteral("Письмо-Иванов (2).odt"), QStringLiteral("Письмо-Иванов.odt")}));
}

void tst_GenerationRun::longNamingValueIsShortened_data()
{
    QTest::addColumn<QString>("value");
    QTest::addColumn<int>("mode");
    QTest::addColumn<int>("format");
    QTest::addColumn<int>("copy");
    const QString company = QStringLiteral("ООО «") + QString(120, QChar(0x0416)) + QStringLiteral("»");
    QTest::newRow("cyrillic, by template") << company << 0 << 1 << 1;
    QTest::newRow("cyrillic, by column") << company << 1 << 1 << 1;
    QTest::newRow("cyrillic, as pdf, numbered") << company << 1 << 0 << 12;
    QTest::newRow("surrogate pairs") << QString::fromUtf8("\xF0\x9F\x98\x80").repeated(100) << 1 << 1 << 1;
    QTest::newRow("cut lands before a space") << QStringLiteral("a").repeated(230) + QStringLiteral(" b") << 0 << 1 << 1;
}

void tst_GenerationRun::longNamingValueIsShortened()
{
    QFETCH(QString, value);
    QFETCH(int, mode);
    QFETCH(int, format);
    QFETCH(int, copy);
    const QString root = QDir::toNativeSeparators(QStringLiteral("/app/docum/"));
    const QString path = OutputPath(root, QStringLiteral("Договор.docx"), value, mode, NameOrderOf(mode), format, copy);
    const QFileInfo info(path);
    const QString suffix = (copy > 1 ? QStringLiteral(" (%1)").arg(copy) : QString())
                           + (format == 0 ? QStringLiteral(".pdf") : QStringLiteral(".docx"));
    // Room stays for the ".docx" kept when a PDF fails.
    QVERIFY(NameLength(info.completeBaseName() + QStringLiteral(".docx")) <= kMaxNameLength);
    QVERIFY(NameLength(QFileInfo(info.path()).fileName()) <= kMaxNameLength);
    QVERIFY(info.fileName().endsWith(suffix));
    QVERIFY(info.fileName().contains(QStringLiteral("Договор")));
    const QString kept = mode == 1 ? info.fileName().section(QStringLiteral("-Договор"), 0, 0)
                                   : info.fileName().mid(QStringLiteral("Договор-").size()).chopped(suffix.size());
    QVERIFY(kept.size() > 50);
    QVERIFY(value.startsWith(kept));
    QVERIFY(!kept.endsWith(QLatin1Char(' ')) && !kept.back().isHighSurrogate());
}

void tst_GenerationRun::brokenTemplateIsReportedAndPassedOver_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("content");
    QTest::newRow("random bytes") << "Сломанный.docx" << QByteArray("\x13\x37 not a document \xff\xfe", 20);
    QTest::newRow("zero length") << "Сломанный.docx" << QByteArray();
    QTest::newRow("empty archive") << "Сломанный.docx" << QByteArray("PK\x05\x06" + QByteArray(18, '\0'));
    // Packages whose parts the fill reads are no well-formed UTF-8 XML, or whose entries fail.
    QDirIterator damaged(QStringLiteral(DOKRAVA_TEST_DATA "/generation/damaged"), QDir::Files);
    while (damaged.hasNext()) {
        const QString path = damaged.next();
        QTest::newRow(qPrintable(damaged.fileName())) << damaged.fileName() << TestFiles::readBytes(path);
    }
}

// The check calls the template damaged, and the run makes no document from it but goes on.
void tst_GenerationRun::brokenTemplateIsReportedAndPassedOver()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, content);
    TestFiles::writeBytes(m_dir->filePath(QStringLiteral("zagotka/") + name), content);
    TGenerationInput in = input({name, QStringLiteral("Письмо.odt")});
    in.severalRecords = true;
    in.grid.marks = {false, true, true, true};
    // A converter is at hand, and must not be asked to turn the broken file into documents.
    in.converter = fakeConverter(QStringLiteral("copying"));
    const QList<TFinding> findings = CheckBeforeGeneration(in);
    QVERIFY(!findings.isEmpty());
    QCOMPARE(findings.first().level, TFinding::Error);
    QCOMPARE(findings.first().subject, name);
    QVERIFY2(findings.first().text.startsWith(QStringLiteral("Шаблон повреждён: ") + name + QStringLiteral(" (")),
             qPrintable(findings.first().text));
    Recorder rec;
    TGenerationRun run(in, &rec);
    run.run();
    QCOMPARE(rec.notices, (QStringList{QStringLiteral("Шаблон повреждён: ") + name, QStringLiteral("Готово")}));
    QVERIFY(!QFileInfo::exists(out(QFileInfo(name).completeBaseName())));
    QCOMPARE(run.documentsWritten(), 3);
    QCOMPARE(QDir(out(QStringLiteral("Письмо"))).entryList(QDir::Files).size(), 3);
}

void tst_GenerationRun::conversionReportNamesWordResults()
{
    TGenerationInput in = input({QStringLiteral("Договор.docx"), QStringLiteral("Письмо.odt")});
    in.severalRecords = true;
    in.grid.marks = {false, true, false, false};
    in.settings.FormatFile = 0;
    in.converter = fakeConverter(QStringLiteral("failing"));
    Recorder rec;
    TGenerationRun run(in, &rec);
    run.run();
    QCOMPARE(rec.notices.last(), QStringLiteral("Внимание! Ошибки конвертации в PDF: 2 файлов сохранены как .odt/.docx"));
}

void tst_GenerationRun::filesOfKilledRunsGoAtStart()
{
    QProcess running;
    running.start(QStringLiteral("sleep"), {QStringLiteral("30")});
    QVERIFY(running.waitForStarted());
    QProcess ended;
    ended.start(QStringLiteral("true"));
    QVERIFY(ended.waitForFinished());
    const QString killed = out(QStringLiteral("Письмо/.~dokrava-%1-9f.tmp").arg(ended.processId()));
    const QString older = out(QStringLiteral("Другое/.~dokrava-5d1c.tmp"));
    const QString live = out(QStringLiteral(".~dokrava-%1-77.tmp").arg(running.processId()));
    const QString user = out(QStringLiteral("Другое/заметки.tmp"));
    for (const QString &path : {killed, older, live, user}) {
        QDir().mkpath(QFileInfo(path).path());
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
    }
    TGenerationRun(input({QStringLiteral("Письмо.odt")}), nullptr).run();
    QVERIFY(!QFile::exists(killed));
    QVERIFY(!QFile::exists(older));
    QVERIFY(QFile::exists(live));
    QVERIFY(QFile::exists(user));
    QVERIFY(QFile::exists(out(QStringLiteral("Письмо/Письмо-Иванов.odt"))));
    running.kill();
    running.waitForFinished();
}

void tst_GenerationRun::legacyTemplateConvertedOncePerRun_data()
{
    QTest::addColumn<QString>("doc"); // what the converter does when asked for a ".doc"
    QTest::newRow("every .doc made") << "makes";
    QTest::newRow("the converter makes no .doc") << "fails";
    QTest::newRow("stopped while the .doc documents wait") << "hangs";
}

// A ".doc" template is turned into ".docx" once; its ".doc" documents are made by the
// converters in batches, and one they cannot make is kept as ".docx" and said so.
void tst_GenerationRun::legacyTemplateConvertedOncePerRun()
{
    QFETCH(QString, doc);
    const bool docFails = doc != QLatin1String("makes");
    QFile legacy(m_dir->filePath(QStringLiteral("zagotka/Старый.doc")));
    QVERIFY(legacy.open(QIODevice::WriteOnly));
    legacy.write(QByteArray("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8));
    legacy.close();
    const QString docx = m_dir->filePath(QStringLiteral("zagotka/Договор.docx"));
    TGenerationInput in = input({QStringLiteral("Старый.doc")});
    in.severalRecords = true;
    in.grid.marks = {false, true, true, true};
    in.settings.FormatFile = 1;
    in.converter = FakeConverter::write(
        m_dir->filePath(QStringLiteral("soffice")),
        QByteArray(FakeConverter::parseArgs()) + "echo \"$fmt\" >> \"$0.log\"\ncase \"$fmt\" in\n"
            "  docx*) cp '" + docx.toUtf8() + "' \"$out/$base.docx\";;\n"
            "  doc*) " + QByteArray(doc == "fails"   ? "exit 1"
                                    : doc == "hangs" ? "echo $$ >> \"$0.pids\"; sleep 60 & echo $! >> \"$0.pids\"; wait"
                                                     : "{ printf '\\320\\317\\021\\340\\241\\261\\032\\341'; head -c 600 /dev/zero; } > \"$out/$base.doc\"") + ";;\n"
            "esac\n");
    // A stop while the ".doc" documents wait keeps their filled ".docx", as a failure does, and says so.
    struct Stopper : Recorder
    {
        std::atomic<bool> stop{false};
        bool stopping = false;
        void conversionsProgressed(int converted, int total) override
        {
            stop = stopping;
            Recorder::conversionsProgressed(converted, total);
        }
    } rec;
    rec.stopping = doc == QLatin1String("hangs");
    in.stop = &rec.stop;
    TGenerationRun run(in, &rec);
    run.run();
    QCOMPARE(run.documentsWritten(), 3);
    QCOMPARE(run.conversionErrorCount(), doc == QLatin1String("fails") ? 3 : 0);
    QCOMPARE(rec.notices.last(), rec.stopping ? QStringLiteral("Формирование остановлено. Создано документов: 3, из них не "
                                                               "сконвертированы в .doc: 3 (оставлены в формате .docx)")
                                              : QStringLiteral("Готово"));
    QFile log(in.converter + QStringLiteral(".log"));
    QVERIFY(log.open(QIODevice::ReadOnly));
    const QStringList calls = QString::fromUtf8(log.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    QCOMPARE(calls.filter(QStringLiteral("docx")).size(), 1);
    const QString ext = docFails ? QStringLiteral(".docx") : QStringLiteral(".doc");
    QCOMPARE(QDir(out(QStringLiteral("Старый"))).entryList(kDocuments, QDir::Files | QDir::Hidden, QDir::Name),
             (QStringList{"Старый-Иванов" + ext, "Старый-Петров" + ext, "Старый-Сидоров" + ext}));
    QCOMPARE(rec.notices.filter(QStringLiteral("Не удалось сохранить документ")).size(), doc == QLatin1String("fails") ? 3 : 0);
}

void tst_GenerationRun::stoppedRunKeepsFilledDocuments_data()
{
    QTest::addColumn<QStringList>("templates");
    QTest::addColumn<QString>("convertible"); // names the converter makes a PDF of; empty: no PDF run
    QTest::addColumn<QStringList>("files");
    QTest::addColumn<QString>("report");
    const QStringList both{QStringLiteral("Договор.docx"), QStringLiteral("Письмо.odt")};
    QTest::newRow("stopped as the third record starts")
        << both << QString()
        << QStringList{"Договор/Договор-Иванов.docx", "Договор/Договор-Петров.docx", "Письмо/Письмо-Иванов.odt",
                       "Письмо/Письмо-Петров.odt"}
        << "Формирование остановлено. Создано документов: 4";
    QTest::newRow("PDF run stopped while conversions wait")
        << both << "*Иванов*"
        << QStringList{"Договор/Договор-Иванов.pdf", "Договор/Договор-Петров.docx", "Договор/Договор-Сидоров.docx",
                       "Письмо/Письмо-Иванов.pdf", "Письмо/Письмо-Петров.odt", "Письмо/Письмо-Сидоров.odt"}
        << "Формирование остановлено. Создано документов: 6, из них не сконвертированы в PDF: 4 (оставлены в формате "
           ".odt/.docx)";
    QTest::newRow("PDF run of Word documents stopped before any conversion")
        << QStringList{QStringLiteral("Договор.docx")} << "Никто"
        << QStringList{"Договор/Договор-Иванов.docx", "Договор/Договор-Петров.docx", "Договор/Договор-Сидоров.docx"}
        << "Формирование остановлено. Создано документов: 3, из них не сконвертированы в PDF: 3 (оставлены в формате .docx)";
    QTest::newRow("PDF run of .odt documents, one converted")
        << QStringList{QStringLiteral("Письмо.odt")} << "*Петров*"
        << QStringList{"Письмо/Письмо-Иванов.odt", "Письмо/Письмо-Петров.pdf", "Письмо/Письмо-Сидоров.odt"}
        << "Формирование остановлено. Создано документов: 3, из них не сконвертированы в PDF: 2 (оставлены в формате .odt)";
}

// A stop keeps every filled document: one still waiting for its PDF stays in its own format, and
// the report and the progress say what was made.
void tst_GenerationRun::stoppedRunKeepsFilledDocuments()
{
    QFETCH(QStringList, templates);
    QFETCH(QString, convertible);
    QFETCH(QStringList, files);
    QFETCH(QString, report);
    const int pdfs = int(files.filter(QStringLiteral(".pdf")).size());
    // Stops as the third record starts, or once the PDFs the converter makes are in place.
    struct Stopper : Recorder
    {
        std::atomic<bool> stop{false};
        int pdfs = -1;
        void recordStarted(int row) override
        {
            Recorder::recordStarted(row);
            if (row == 3 && pdfs < 0)
                stop = true;
        }
        void conversionsProgressed(int converted, int total) override
        {
            Recorder::conversionsProgressed(converted, total);
            if (converted >= pdfs)
                stop = true;
        }
    } rec;
    TGenerationInput in = input(templates);
    in.severalRecords = true;
    in.grid.marks = {false, true, true, true};
    in.settings.OpenDir = true;
    in.stop = &rec.stop;
    const QString converter = m_dir->filePath(QStringLiteral("soffice"));
    if (!convertible.isEmpty()) {
        rec.pdfs = pdfs;
        in.settings.FormatFile = 0;
        in.converter = FakeConverter::selective(converter, convertible);
        // One converter per document, so each is judged on its own.
        in.converters = 6;
        in.batchBaseMs = 20000;
    }
    TGenerationRun run(in, &rec);
    run.run();
    QVERIFY(run.stopped());
    QCOMPARE(rec.notices, QStringList{report});
    QVERIFY(rec.opened.isEmpty());
    QCOMPARE(run.documentsWritten(), files.size());
    // Nothing half-written is left, in the output folders or under a final name.
    QStringList left;
    QDirIterator it(out(QString()), QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext())
        left << QDir(out(QString())).relativeFilePath(it.next());
    left.sort();
    QCOMPARE(left, files);
    for (const QString &f : files.filter(QStringLiteral(".odt")))
        QVERIFY(odtText(out(f)).contains(QStringLiteral("Уважаемый")));
    if (convertible.isEmpty())
        return;
    // The progress ends on the PDFs made, not on the documents the stop ended.
    QCOMPARE(rec.conversions, qMakePair(pdfs, int(files.size())));
    for (const qint64 pid : FakeConverter::recordedPids(converter))
        QTRY_VERIFY_WITH_TIMEOUT(::kill(pid_t(pid), 0) != 0, 5000);
}

// A run object used twice counts, names and stops the second run on its own: a stop of the
// first run does not end the second, nor do its documents count in the second's figures.
void tst_GenerationRun::secondRunStartsAfresh()
{
    struct Stopper : Recorder
    {
        std::atomic<bool> stop{false};
        bool stopAtSecond = true;
        void recordStarted(int row) override
        {
            Recorder::recordStarted(row);
            if (row == 2 && stopAtSecond)
                stop = true;
        }
    } rec;
    TGenerationInput in = input({QStringLiteral("Письмо.odt")});
    in.severalRecords = true;
    in.grid.marks = {false, true, true, true};
    in.stop = &rec.stop;
    TGenerationRun run(in, &rec);
    run.run();
    QVERIFY(run.stopped());
    QCOMPARE(run.documentsWritten(), 1);
    rec.stop = false;
    rec.stopAtSecond = false;
    rec.notices.clear();
    run.run();
    QVERIFY(!run.stopped());
    QCOMPARE(run.documentsWritten(), 3);
    QCOMPARE(rec.notices, QStringList{QStringLiteral("Готово")});
    QCOMPARE(QDir(out(QStringLiteral("Письмо"))).entryList(kDocuments, QDir::Files, QDir::Name),
             (QStringList{"Письмо-Иванов.odt", "Письмо-Петров.odt", "Письмо-Сидоров.odt"}));
}

// Follows which bytes have reached the disk, as a crash would find them: a file's bytes are there
// once an fsync() or a flush of its file system has come after its last write.
namespace DiskModel {

std::mutex lock;
QHash<quint64, qint64> durable; // inode -> the size it had when it reached the disk
QString tree;                   // the output folder watched
QStringList lost;               // final names a crash at a flush would find without their bytes
std::atomic<bool> *stopAtFlush = nullptr;
int flushes = 0;

bool onDisk(const QString &path)
{
    struct stat st;
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 && durable.value(st.st_ino, -1) == st.st_size;
}

void fsynced(int fd)
{
    struct stat st;
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode)) {
        const std::lock_guard guard(lock);
        durable.insert(st.st_ino, st.st_size);
    }
}

// The moment between writing a group and naming it: a crash now must find every final name whole.
void flushing(int)
{
    const std::lock_guard guard(lock);
    ++flushes;
    QDirIterator it(tree, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    QStringList all;
    while (it.hasNext()) {
        const QString path = it.next();
        all << path;
        if (!it.fileName().startsWith(QLatin1String(".~dokrava-")) && !onDisk(path))
            lost << path;
    }
    // The flush about to run puts every file there on the disk.
    for (const QString &path : all) {
        struct stat st;
        if (::stat(QFile::encodeName(path).constData(), &st) == 0)
            durable.insert(st.st_ino, st.st_size);
    }
    if (stopAtFlush && flushes == 2)
        *stopAtFlush = true;
}

} // namespace DiskModel

void tst_GenerationRun::noFinalNameWithoutItsBytes_data()
{
    QTest::addColumn<QString>("entry");
    QTest::addColumn<bool>("stopAtFlush");
    QTest::newRow("odt") << "Письмо.odt" << false;
    QTest::newRow("docx") << "Договор.docx" << false;
    QTest::newRow("odt, stopped while a group is flushed") << "Письмо.odt" << true;
    QTest::newRow("docx, stopped while a group is flushed") << "Договор.docx" << true;
}

// Documents reach the disk in groups before they take their names: a crash at any flush finds
// no final name whose bytes are not on the disk, and a stop that comes between writing a group
// and naming it leaves none of that group, nor its temporary files.
void tst_GenerationRun::noFinalNameWithoutItsBytes()
{
    QFETCH(QString, entry);
    QFETCH(bool, stopAtFlush);
    TGenerationInput in = input({entry});
    in.severalRecords = true;
    in.grid.rows.resize(1);
    in.grid.marks = {false};
    for (int r = 1; r <= 300; ++r) {
        in.grid.rows.append({QStringLiteral("Запись %1").arg(r), QStringLiteral("Город %1").arg(r)});
        in.grid.marks.append(true);
    }
    in.fillThreads = 2;
    std::atomic<bool> stop{false};
    in.stop = &stop;
    QVERIFY(QDir().mkpath(out(QString())));
    DiskModel::tree = out(QString());
    DiskModel::durable.clear();
    DiskModel::lost.clear();
    DiskModel::flushes = 0;
    DiskModel::stopAtFlush = stopAtFlush ? &stop : nullptr;
    DiskFaults::onFsync = DiskModel::fsynced;
    DiskFaults::onSyncfs = DiskModel::flushing;
    TGenerationRun run(in, nullptr);
    run.run();
    DiskFaults::onFsync = nullptr;
    DiskFaults::onSyncfs = nullptr;
    QCOMPARE(DiskModel::lost, QStringList());
    QVERIFY(DiskModel::flushes >= 2);
    QStringList finals;
    QDirIterator it(out(QString()), QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        finals << it.next();
        QVERIFY2(!it.fileName().startsWith(QLatin1String(".~dokrava-")), qPrintable(it.fileName()));
        // After the run too, a crash would find every document whole.
        QVERIFY2(DiskModel::onDisk(finals.back()), qPrintable(finals.back()));
    }
    QCOMPARE(run.documentsWritten(), int(finals.size()));
    QCOMPARE(run.stopped(), stopAtFlush);
    // A stop at the second flush keeps the first group only.
    if (stopAtFlush)
        QVERIFY(finals.size() >= 1 && finals.size() <= 64);
    else
        QCOMPARE(finals.size(), 300);
}

void tst_GenerationRun::failingDiskKeepsEarlierDocuments_data()
{
    QTest::addColumn<int>("fault"); // 0 the sync to disk fails, else write()'s error code
    QTest::addColumn<QString>("reason");
    QTest::newRow("sync fails") << 0 << QStringLiteral("данные не удалось сохранить на диске");
    QTest::newRow("disk full") << int(ENOSPC) << QStringLiteral("Недостаточно места на диске");
    QTest::newRow("write refused") << int(EACCES) << QStringLiteral("Нет доступа к файлу");
}

// A disk that cannot keep what was written ends the run with the reason: the documents of an
// earlier run stay as they were and nothing is counted as written.
void tst_GenerationRun::failingDiskKeepsEarlierDocuments()
{
    QFETCH(int, fault);
    QFETCH(QString, reason);
    TGenerationInput in = input({QStringLiteral("Договор.docx"), QStringLiteral("Письмо.odt")});
    in.severalRecords = true;
    in.grid.marks = {false, true, true, true};
    in.fillThreads = 2;
    QVERIFY(QDir().mkpath(out(QStringLiteral("Письмо"))));
    const QString earlier = out(QStringLiteral("Письмо/Письмо-Иванов.odt"));
    TestFiles::writeBytes(earlier, "документ прошлого запуска");
    TGenerationRun run(in, nullptr);
    QString message;
    {
        std::optional<DiskFaults::WriteFault> failing;
        if (fault == 0)
            DiskFaults::syncFails = true;
        else
            failing.emplace(fault);
        try {
            run.run();
        } catch (const DokravaError &e) {
            message = e.message();
        }
        DiskFaults::syncFails = false;
    }
    QVERIFY2(message.contains(reason), qPrintable(message));
    QCOMPARE(run.documentsWritten(), 0);
    QCOMPARE(TestFiles::readBytes(earlier), QByteArray("документ прошлого запуска"));
    QDirIterator files(out(QString()), QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    QStringList left;
    while (files.hasNext())
        left << QFileInfo(files.next()).fileName();
    QCOMPARE(left, QStringList{QStringLiteral("Письмо-Иванов.odt")});
}

void tst_GenerationRun::workersKeepTheOrderOfOneThread_data()
{
    QTest::addColumn<QString>("fault");
    QTest::newRow("every document written") << QString();
    QTest::newRow("a document cannot take its name") << QStringLiteral("Договор/Договор-Запись 17.docx");
    QTest::newRow("a broken template among them") << QStringLiteral("zagotka/Сломан.docx");
}

// Whatever the number of filling threads, the caller hears the same things in the same order:
// records, documents, notices and the error that ends the run.
void tst_GenerationRun::workersKeepTheOrderOfOneThread()
{
    QFETCH(QString, fault);
    struct Log : IGenerationObserver
    {
        QStringList events;
        void recordStarted(int row) override { events << QStringLiteral("record %1").arg(row); }
        void progressed(int p) override { events << QStringLiteral("at %1").arg(p); }
        void documentWritten(const QString &path) override { events << QFileInfo(path).fileName(); }
        void notice(const QString &text) override { events << text; }
    };
    TGenerationInput in = input({QStringLiteral("Договор.docx"), QStringLiteral("Сломан.docx"), QStringLiteral("Письмо.odt")});
    in.grid.rows.resize(1);
    in.grid.marks = {false};
    for (int r = 1; r <= 40; ++r) {
        in.grid.rows.append({QStringLiteral("Запись %1").arg(r), QStringLiteral("Город %1").arg(r)});
        in.grid.marks.append(r % 7 != 0);
    }
    in.severalRecords = true;
    QDir(m_dir->path()).mkpath(QStringLiteral("zagotka"));
    if (fault.endsWith(QLatin1String(".docx")) && fault.startsWith(QStringLiteral("zagotka")))
        TestFiles::writeBytes(m_dir->filePath(fault), "не документ");
    else
        DocxFixture::write(m_dir->filePath(QStringLiteral("zagotka/Сломан.docx")), DocxFixture::para(QStringLiteral("[ФИО]")));
    QStringList expected;
    for (const int threads : {1, 4, 2}) {
        QDir(out(QString())).removeRecursively();
        if (fault.startsWith(QStringLiteral("Договор/")))
            QVERIFY(QDir().mkpath(out(fault) + QStringLiteral("/занято")));
        in.fillThreads = threads;
        Log log;
        TGenerationRun run(in, &log);
        try {
            run.run();
        } catch (const DokravaError &) {
            log.events << QStringLiteral("error");
        }
        log.events << QString::number(run.documentsWritten());
        if (expected.isEmpty())
            expected = log.events;
        else
            QCOMPARE(log.events, expected);
        // Nothing made ahead of an error is left half-named in the output folders.
        QDirIterator files(out(QString()), {QStringLiteral("*.tmp")}, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
        QVERIFY(!files.hasNext());
    }
    QVERIFY(expected.size() > 60);
    // The run ends where the document failed: the one before it stays, the one after never comes.
    const bool failing = fault.startsWith(QStringLiteral("Договор/"));
    QCOMPARE(expected.contains(QStringLiteral("error")), failing);
    QVERIFY(expected.contains(QStringLiteral("Письмо-Запись 16.odt")));
    QCOMPARE(expected.contains(QStringLiteral("Письмо-Запись 17.odt")), !failing);
}

void tst_GenerationRun::snapshotHoldsTheRowsARunReads()
{
    TGridModel grid;
    grid.load({QStringLiteral("ФИО"), QStringLiteral("Город")},
              {{"Иванов", "Москва"}, {"Петров", "Тверь"}, {"Сидоров", "Казань"}, {"Козлов", "Самара"}, {"Орлов", "Омск"}});
    grid.setMark(2, true);
    grid.setMark(4, true);
    grid.setCurrent(1, 3);
    const TGridSnapshot s = TGridSnapshot::fromModel(grid);
    QCOMPARE(s.marks, (QList<bool>{false, false, true, false, true, false}));
    QCOMPARE(s.currentRow, 3);
    // The header, the marked rows and the current row, whichever way the run chooses its records.
    QCOMPARE(s.rows, (QList<QStringList>{{"ФИО", "Город"}, {}, {"Петров", "Тверь"}, {"Сидоров", "Казань"},
                                         {"Козлов", "Самара"}, {}}));
}

QTEST_GUILESS_MAIN(tst_GenerationRun)
#include "tst_GenerationRun.moc"
