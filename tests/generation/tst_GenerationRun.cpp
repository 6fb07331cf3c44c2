#include "DocxFixture.h"
#include "FakeConverter.h"
#include "OdtFixture.h"

#include "generation/DocxDocument.h"
#include "generation/TGenerationRun.h"
#include "odf/TODTProcessor.h"
#include "odf/ZipReader.h"
#include "shell/AppFolder.h"
#include "shell/DokravaError.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

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
    void openFolder(const QString &path) override { opened << path; }
};

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

private:
    TGenerationInput input(const QStringList &templates);
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
    QTest::addColumn<int>("format");
    QTest::addColumn<QString>("expected");
    QTest::newRow("by template") << "Договор.docx" << "Иванов" << 0 << 1 << "Договор/Договор-Иванов.docx";
    QTest::newRow("by column") << "Договор.docx" << "Иванов" << 1 << 1 << "Иванов/Иванов-Договор.docx";
    QTest::newRow("by template, pdf") << "Договор.docx" << "Иванов" << 0 << 0 << "Договор/Договор-Иванов.pdf";
    QTest::newRow("by column, pdf") << "Договор.docx" << "Иванов" << 1 << 0 << "Иванов/Иванов-Договор.pdf";
    QTest::newRow("odt stays odt") << "Письмо.odt" << "Иванов" << 0 << 0 << "Письмо/Письмо-Иванов.odt";
    QTest::newRow("extension case kept") << "Письмо.DOCX" << "x" << 0 << 1 << "Письмо/Письмо-x.DOCX";
    QTest::newRow("capital odt") << "Акт.ODT" << "x" << 0 << 0 << "Акт/Акт-x.ODT";
    QTest::newRow("legacy word") << "Старый.doc" << "x" << 0 << 1 << "Старый/Старый-x.doc";
    QTest::newRow("dotted template") << "a.b.docx" << "x" << 0 << 1 << "a.b/a.b-x.docx";
    QTest::newRow("empty value") << "Договор.docx" << "" << 0 << 1 << "Договор/Договор-.docx";
    QTest::newRow("empty value by column") << "Договор.docx" << "" << 1 << 1 << "-Договор.docx";
    QTest::newRow("quotes in a company name") << "Договор.docx" << "ООО \"Ромашка\"" << 1 << 1
                                              << "ООО _Ромашка_/ООО _Ромашка_-Договор.docx";
    QTest::newRow("separators make no levels") << "Договор.docx" << "a\\b/c" << 1 << 1 << "a_b_c/a_b_c-Договор.docx";
    QTest::newRow("forbidden characters") << "Договор.docx" << "a:b*c?d<e>f|g\th" << 0 << 1
                                          << "Договор/Договор-a_b_c_d_e_f_g_h.docx";
    QTest::newRow("trailing dots and spaces") << "Договор.docx" << "Ltd. . " << 1 << 1 << "Ltd/Ltd-Договор.docx";
    QTest::newRow("dot-dot never climbs") << "Договор.docx" << ".." << 1 << 1 << "-Договор.docx";
    QTest::newRow("template in a sub-folder") << "Договоры/Аренда.docx" << "x" << 0 << 1 << "Аренда/Аренда-x.docx";
}

void tst_GenerationRun::outputPath()
{
    QFETCH(QString, entry);
    QFETCH(QString, value);
    QFETCH(int, mode);
    QFETCH(int, format);
    QFETCH(QString, expected);
    const QString root = QDir::toNativeSeparators(QStringLiteral("/app/docum/"));
    QCOMPARE(OutputPath(root, entry, value, mode, format), root + QDir::toNativeSeparators(expected));
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
    const QString script = m_dir->filePath(QStringLiteral("soffice"));
    if (converter == QLatin1String("copying"))
        in.converter = FakeConverter::copying(script);
    else if (converter == QLatin1String("failing"))
        in.converter = FakeConverter::failing(script);
    Recorder rec;
    TGenerationRun run(in, &rec);
    run.run();
    QCOMPARE(QDir(out(QStringLiteral("Письмо"))).entryList(QDir::Files, QDir::Name), files);
    QCOMPARE(rec.notices, notices);
    QCOMPARE(run.documentsWritten(), 2);
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
    const QString script = m_dir->filePath(QStringLiteral("soffice"));
    if (converter == QLatin1String("copying"))
        in.converter = FakeConverter::copying(script);
    else if (converter == QLatin1String("failing"))
        in.converter = FakeConverter::failing(script);
    TGenerationRun run(in, nullptr);
    run.run();
    QCOMPARE(QDir(out(QStringLiteral("Договор"))).entryList(QDir::Files | QDir::Hidden, QDir::Name), files);
    QCOMPARE(run.pdfErrorCount(), errors);
    // The "PDF" of the copying converter is the filled document itself.
    DocxDocument doc(out(QStringLiteral("Договор/")) + files.first());
    QVERIFY(QString::fromUtf8(doc.partData(doc.mainPart())).contains(QStringLiteral("Договор с Иванов, Москва")));
    // No scratch folder is left behind.
    QCOMPARE(QDir(AppFolder::tempDir()).entryList(QDir::Dirs | QDir::NoDotAndDotDot).filter(QStringLiteral("DOC_")),
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

QTEST_GUILESS_MAIN(tst_GenerationRun)
#include "tst_GenerationRun.moc"
