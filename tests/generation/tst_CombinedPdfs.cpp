// The combined files for printing that a run makes: one per template, its documents in record
// order, with copies, blank pages and bookmarks; documents that are no PDF left out and named; a
// stopped run; the files of an earlier run.
#include "DocxFixture.h"
#include "FakeConverter.h"
#include "OdtFixture.h"
#include "PdfFixture.h"
#include "TestFiles.h"

#include "base/AppFolder.h"
#include "generation/CombinedPdfs.h"
#include "generation/TGenerationRun.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

#include <atomic>

using namespace dokrava;

namespace {

struct Recorder : IGenerationObserver
{
    QStringList notices;
    QList<int> combining;
    std::atomic<bool> *stopOnWrite = nullptr;
    void notice(const QString &text) override { notices << text; }
    void combiningProgressed(int done, int total) override { combining << done << total; }
    void documentWritten(const QString &) override
    {
        if (stopOnWrite)
            *stopOnWrite = true;
    }
};

// The documents' PDFs the stand-in converter hands out, by document name: one page or two, each
// document's pages of a size of their own.
const QList<std::pair<QString, QStringList>> kPool{
    {QStringLiteral("Письмо-Иванов"), {"101x500"}},
    {QStringLiteral("Письмо-Петров"), {"201x500", "202x500"}},
    {QStringLiteral("Письмо-Сидоров"), {"301x500"}},
    {QStringLiteral("Договор-Иванов"), {"111x500"}},
    {QStringLiteral("Договор-Петров"), {"211x500"}},
    {QStringLiteral("Договор-Сидоров"), {"311x500"}},
};

} // namespace

class tst_CombinedPdfs : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void filePath_data();
    void filePath();
    void oneFilePerTemplate_data();
    void oneFilePerTemplate();
    void failedConversionLeftOutAndNamed();
    void stoppedRunMakesNoFile();
    void notWantedWithoutPdf();

private:
    TGenerationInput input(const QStringList &templates, const QString &pool);
    QString out(const QString &relative) const { return m_dir->filePath(QStringLiteral("docum/") + relative); }
    std::unique_ptr<QTemporaryDir> m_dir;
};

void tst_CombinedPdfs::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    AppFolder::setOverride(m_dir->path());
    QDir(m_dir->path()).mkpath(QStringLiteral("zagotka"));
    QDir(m_dir->path()).mkpath(QStringLiteral("pool"));
    OdtFixture::write(m_dir->filePath(QStringLiteral("zagotka/Письмо.odt")), QStringLiteral("Уважаемый [ФИО]"));
    DocxFixture::write(m_dir->filePath(QStringLiteral("zagotka/Договор.docx")), DocxFixture::para(QStringLiteral("[ФИО]")));
    for (const auto &[name, pages] : kPool)
        PdfFixture::write(m_dir->filePath(QStringLiteral("pool/") + name + QStringLiteral(".pdf")), pages);
}

void tst_CombinedPdfs::cleanup()
{
    AppFolder::setOverride(QString());
}

TGenerationInput tst_CombinedPdfs::input(const QStringList &templates, const QString &pool)
{
    TGenerationInput in;
    in.templatesDir = m_dir->filePath(QStringLiteral("zagotka")) + QDir::separator();
    in.templates = templates;
    in.grid.rows = {{QStringLiteral("ФИО")}, {QStringLiteral("Иванов")}, {QStringLiteral("Петров")}, {QStringLiteral("Сидоров")}};
    in.grid.marks = {false, true, true, true};
    in.severalRecords = true;
    in.namingColumn = 1;
    in.outputRoot = m_dir->filePath(QStringLiteral("docum"));
    QDir().mkpath(in.outputRoot);
    in.settings.FormatFile = 0;
    in.settings.CombinePdf = true;
    in.converter = FakeConverter::fromPool(m_dir->filePath(QStringLiteral("soffice")), m_dir->filePath(pool));
    in.converters = 1;
    return in;
}

void tst_CombinedPdfs::filePath_data()
{
    QTest::addColumn<QString>("entry");
    QTest::addColumn<int>("copy");
    QTest::addColumn<QString>("name");
    QTest::newRow("template name") << "Письмо.odt" << 1 << "Письмо — все документы.pdf";
    QTest::newRow("from a sub-folder") << "Папка/Договор.docx" << 1 << "Договор — все документы.pdf";
    QTest::newRow("second of one name") << "Договор.odt" << 2 << "Договор — все документы (2).pdf";
    QTest::newRow("forbidden characters") << "Акт*итог?.doc" << 1 << "Акт_итог_ — все документы.pdf";
    const QString longName = QString(120, QChar(0x0416)); // 240 bytes of UTF-8
    QTest::newRow("long name shortened") << longName + ".odt" << 1
                                         << QString(110, QChar(0x0416)) + " — все документы.pdf";
}

void tst_CombinedPdfs::filePath()
{
    QFETCH(QString, entry);
    QFETCH(int, copy);
    QFETCH(QString, name);
    const QString path = CombinedPdfs::filePath(QStringLiteral("/out"), entry, copy);
    QCOMPARE(path, QDir::toNativeSeparators(QStringLiteral("/out/") + name));
    QVERIFY(NameLength(QFileInfo(path).fileName()) <= kMaxNameLength);
}

void tst_CombinedPdfs::oneFilePerTemplate_data()
{
    QTest::addColumn<int>("copies");
    QTest::addColumn<bool>("duplex");
    QTest::addColumn<QStringList>("letters");   // pages of "Письмо — все документы.pdf"
    QTest::addColumn<QStringList>("contracts"); // pages of "Договор — все документы.pdf"
    QTest::newRow("record order") << 1 << false << QStringList{"101x500", "201x500", "202x500", "301x500"}
                                  << QStringList{"111x500", "211x500", "311x500"};
    QTest::newRow("two copies, two-sided")
        << 2 << true
        << QStringList{"101x500", "[101x500]", "101x500", "[101x500]", "201x500", "202x500", "201x500", "202x500",
                       "301x500", "[301x500]", "301x500"}
        << QStringList{"111x500", "[111x500]", "111x500", "[111x500]", "211x500", "[211x500]", "211x500", "[211x500]",
                       "311x500", "[311x500]", "311x500"};
}

void tst_CombinedPdfs::oneFilePerTemplate()
{
    QFETCH(int, copies);
    QFETCH(bool, duplex);
    QFETCH(QStringList, letters);
    QFETCH(QStringList, contracts);
    TGenerationInput in = input({QStringLiteral("Письмо.odt"), QStringLiteral("Договор.docx")}, QStringLiteral("pool"));
    const QString letterFile = out(QStringLiteral("Письмо — все документы.pdf"));
    // A combined file of an earlier run is replaced.
    PdfFixture::write(letterFile, {"999x999"});
    in.settings.Copies = copies;
    in.settings.Duplex = duplex;
    Recorder recorder;
    TGenerationRun run(in, &recorder);
    run.run();
    const QString contractFile = out(QStringLiteral("Договор — все документы.pdf"));
    QCOMPARE(run.combinedFiles(), (QStringList{letterFile, contractFile}));
    QCOMPARE(run.combineFailures(), 0);
    QCOMPARE(PdfFixture::pages(letterFile), letters);
    QCOMPARE(PdfFixture::pages(contractFile), contracts);
    const int secondLetter = duplex ? 4 : copies;
    QCOMPARE(PdfFixture::bookmarks(letterFile),
             (QStringList{"Письмо-Иванов@0", QStringLiteral("Письмо-Петров@%1").arg(secondLetter),
                          QStringLiteral("Письмо-Сидоров@%1").arg(secondLetter + 2 * copies)}));
    QCOMPARE(recorder.notices.last(),
             QStringLiteral("Общий файл для печати: %1 (документов: 3, страниц: %2)\n"
                            "Общий файл для печати: %3 (документов: 3, страниц: %4)")
                 .arg(QDir::toNativeSeparators(letterFile)).arg(letters.size())
                 .arg(QDir::toNativeSeparators(contractFile)).arg(contracts.size()));
    QCOMPARE(recorder.combining.mid(recorder.combining.size() - 2), (QList<int>{6, 6}));
    // The single documents stay.
    QVERIFY(QFile::exists(out(QStringLiteral("Письмо/Письмо-Петров.pdf"))));
    QVERIFY(QFile::exists(out(QStringLiteral("Договор/Договор-Петров.pdf"))));
}

void tst_CombinedPdfs::failedConversionLeftOutAndNamed()
{
    // Петров's letter does not convert and stays as ".odt"; Сидоров's PDF is broken after its
    // conversion was judged, which only the combining notices.
    QFile::remove(m_dir->filePath(QStringLiteral("pool/Письмо-Петров.pdf")));
    TGenerationInput in = input({QStringLiteral("Письмо.odt")}, QStringLiteral("pool"));
    struct Breaker : Recorder
    {
        void documentWritten(const QString &path) override
        {
            if (path.endsWith(QStringLiteral("Письмо-Сидоров.pdf")))
                TestFiles::writeBytes(path, "%PDF-1.4\n%%EOF\n");
        }
    } recorder;
    TGenerationRun run(in, &recorder);
    run.run();
    const QString file = out(QStringLiteral("Письмо — все документы.pdf"));
    QCOMPARE(PdfFixture::bookmarks(file), QStringList{"Письмо-Иванов@0"});
    QCOMPARE(recorder.notices.last(), QStringLiteral("Общий файл для печати: %1 (документов: 1, страниц: 1)\n"
                                                     "В общий файл не вошли: Письмо-Петров, Письмо-Сидоров")
                                          .arg(QDir::toNativeSeparators(file)));
    QCOMPARE(run.combineFailures(), 2);
    QVERIFY(QFile::exists(out(QStringLiteral("Письмо/Письмо-Петров.odt"))));
}

void tst_CombinedPdfs::stoppedRunMakesNoFile()
{
    std::atomic<bool> stop{false};
    TGenerationInput in = input({QStringLiteral("Письмо.odt")}, QStringLiteral("pool"));
    const QString earlier = out(QStringLiteral("Письмо — все документы.pdf"));
    PdfFixture::write(earlier, {"999x999"});
    in.stop = &stop;
    Recorder recorder;
    recorder.stopOnWrite = &stop;
    TGenerationRun run(in, &recorder);
    run.run();
    QVERIFY(run.stopped());
    QCOMPARE(run.combinedFiles(), QStringList());
    QCOMPARE(PdfFixture::pages(earlier), QStringList{"999x999"});
    QCOMPARE(QDir(out(QString())).entryList(QDir::Files | QDir::Hidden), QStringList{"Письмо — все документы.pdf"});
    QVERIFY(recorder.combining.isEmpty());
    QVERIFY(recorder.notices.last().startsWith(QStringLiteral("Формирование остановлено")));
}

void tst_CombinedPdfs::notWantedWithoutPdf()
{
    TGenerationInput in = input({QStringLiteral("Письмо.odt")}, QStringLiteral("pool"));
    in.settings.FormatFile = 1;
    Recorder recorder;
    TGenerationRun run(in, &recorder);
    run.run();
    QCOMPARE(run.combinedFiles(), QStringList());
    QCOMPARE(recorder.notices, QStringList{"Готово"});
    QVERIFY(!QFile::exists(out(QStringLiteral("Письмо — все документы.pdf"))));
}

QTEST_GUILESS_MAIN(tst_CombinedPdfs)
#include "tst_CombinedPdfs.moc"
