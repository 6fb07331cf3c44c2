#include "FakeConverter.h"
#include "TestFiles.h"

#include "base/AppFolder.h"
#include "office/ConversionSupervisor.h"
#include "office/ConvertedFile.h"
#include "office/PdfConverter.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <sys/types.h>

using namespace dokrava;

class tst_PdfConverter : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void pathsWithSpacesReachTheConverterWhole();
    void converterThatCannotStart_data();
    void converterThatCannotStart();
    void slowConverterIsEndedWithItsChildren();
    void oldPdfIsNeverTakenForSuccess();
    void onlyACompleteFileOfItsKindCounts_data();
    void onlyACompleteFileOfItsKindCounts();
    void failedConversionLeavesNoOutput_data();
    void failedConversionLeavesNoOutput();
    void batchWithABrokenAndAHangingDocument();
    void theLastDocumentsGoInFullBatches();
    void progressCountsEachFileAsItAppears();

private:
    QString writeOdt(const QString &name);
    std::unique_ptr<QTemporaryDir> m_dir;
};

void tst_PdfConverter::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    AppFolder::setOverride(m_dir->path());
}

void tst_PdfConverter::cleanup()
{
    AppFolder::setOverride(QString());
}

QString tst_PdfConverter::writeOdt(const QString &name)
{
    const QString path = m_dir->filePath(name);
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    f.open(QIODevice::WriteOnly);
    f.write("odt");
    return path;
}

void tst_PdfConverter::pathsWithSpacesReachTheConverterWhole()
{
    QDir().mkpath(m_dir->filePath(QStringLiteral("Program Files/Libre Office")));
    const QString converter = FakeConverter::logging(m_dir->filePath(QStringLiteral("Program Files/Libre Office/soffice")));
    const QString odt = writeOdt(QStringLiteral("docum/Договор аренды/Договор аренды-ООО Ромашка.odt"));
    QVERIFY(ConvertODTToPDF(odt, converter));
    QVERIFY(QFile::exists(m_dir->filePath(QStringLiteral("docum/Договор аренды/Договор аренды-ООО Ромашка.pdf"))));

    QFile log(converter + QStringLiteral(".log"));
    QVERIFY(log.open(QIODevice::ReadOnly));
    const QStringList args = QString::fromUtf8(log.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    const QString profile = QStringLiteral("-env:UserInstallation=file://") + QDir(m_dir->path()).absolutePath()
                            + QStringLiteral("/lo_profiles/0");
    QCOMPARE(args, (QStringList{profile, QStringLiteral("--headless"), QStringLiteral("--convert-to"),
                                QStringLiteral("pdf"), QStringLiteral("--outdir"),
                                QFileInfo(odt).absolutePath(), odt}));
}

void tst_PdfConverter::converterThatCannotStart_data()
{
    QTest::addColumn<QString>("kind");
    QTest::newRow("missing") << "missing";
    QTest::newRow("not executable") << "plain";
    // A converter that would work, but no profile folder can be made for it.
    QTest::newRow("no profile folder") << "no profile";
}

void tst_PdfConverter::converterThatCannotStart()
{
    QFETCH(QString, kind);
    QString converter = m_dir->filePath(QStringLiteral("soffice"));
    if (kind == QLatin1String("plain"))
        FakeConverter::write(converter, "#!/bin/sh\nexit 0\n", false);
    if (kind == QLatin1String("no profile")) {
        FakeConverter::logging(converter);
        TestFiles::writeBytes(m_dir->filePath(QStringLiteral("lo_profiles")), "not a folder");
    }
    const QString odt = writeOdt(QStringLiteral("a.odt"));
    QElapsedTimer t;
    t.start();
    QVERIFY(!ConvertODTToPDF(odt, converter, 20000));
    QVERIFY(t.elapsed() < 10000);
    QVERIFY(QFile::exists(odt));
}

void tst_PdfConverter::slowConverterIsEndedWithItsChildren()
{
    const QString converter = FakeConverter::sleeping(m_dir->filePath(QStringLiteral("soffice")));
    const QString odt = writeOdt(QStringLiteral("a.odt"));
    QElapsedTimer t;
    t.start();
    QVERIFY(!ConvertODTToPDF(odt, converter, 700));
    QVERIFY(t.elapsed() < 8000);
    QFile pidFile(converter + QStringLiteral(".pid"));
    QVERIFY(pidFile.open(QIODevice::ReadOnly));
    const pid_t child = pid_t(pidFile.readAll().trimmed().toLongLong());
    QVERIFY(child > 0);
    // The grandchild was killed with its group, so it can never write the PDF later.
    QTRY_VERIFY_WITH_TIMEOUT(::kill(child, 0) != 0, 5000);
    QVERIFY(!QFile::exists(m_dir->filePath(QStringLiteral("a.pdf"))));
}

void tst_PdfConverter::oldPdfIsNeverTakenForSuccess()
{
    const QString converter = FakeConverter::failing(m_dir->filePath(QStringLiteral("soffice")));
    const QString odt = writeOdt(QStringLiteral("a.odt"));
    const QString oldPdf = writeOdt(QStringLiteral("a.pdf"));
    QVERIFY(!ConvertODTToPDF(odt, converter));
    QVERIFY(!QFile::exists(oldPdf));
    QVERIFY(QFile::exists(odt));
}

void tst_PdfConverter::onlyACompleteFileOfItsKindCounts_data()
{
    QTest::addColumn<QString>("fixture");
    QTest::addColumn<bool>("complete");
    QTest::newRow("pdf") << "generation/complete_pdf_is_a_document.pdf" << true;
    QTest::newRow("pdf cut short") << "generation/truncated_pdf_is_no_document.pdf" << false;
    QTest::newRow("xlsx") << "table/three_sheets_lo.xlsx" << true;
    QTest::newRow("xlsx cut short") << "generation/truncated_xlsx_is_no_document.xlsx" << false;
    QTest::newRow("xls") << "table/three_sheets_lo.xls" << true;
    QTest::newRow("xls cut short") << "generation/truncated_xls_is_no_document.xls" << false;
    QTest::newRow("odt") << "odf/letter.odt" << true;
    QTest::newRow("ods posing as pdf") << "odf/ods_rich_cell_text.ods" << false;
    QTest::newRow("missing") << "generation/no_such_file.pdf" << false;
}

void tst_PdfConverter::onlyACompleteFileOfItsKindCounts()
{
    QFETCH(QString, fixture);
    QFETCH(bool, complete);
    QString path = QStringLiteral(DOKRAVA_TEST_DATA "/") + fixture;
    if (QTest::currentDataTag() == QByteArray("ods posing as pdf")) {
        const QString renamed = m_dir->filePath(QStringLiteral("a.pdf"));
        QVERIFY(QFile::copy(path, renamed));
        path = renamed;
    }
    QCOMPARE(ConvertedFile::isComplete(path), complete);
}

void tst_PdfConverter::failedConversionLeavesNoOutput_data()
{
    QTest::addColumn<QByteArray>("script");
    QTest::addColumn<bool>("converted");
    const QByteArray complete = "cp '" DOKRAVA_TEST_DATA "/generation/complete_pdf_is_a_document.pdf' \"$out/$base.pdf\"\n";
    const QByteArray truncated = "cp '" DOKRAVA_TEST_DATA "/generation/truncated_pdf_is_no_document.pdf' \"$out/$base.pdf\"\n";
    QTest::newRow("complete, exit 0") << complete << true;
    QTest::newRow("complete, exit 1") << complete + "exit 1\n" << false;
    QTest::newRow("cut short, exit 0") << truncated << false;
    QTest::newRow("cut short, then ended at the time limit") << truncated + "sleep 30\n" << false;
    QTest::newRow("complete, then ended at the time limit") << complete + "sleep 30\n" << false;
}

void tst_PdfConverter::failedConversionLeavesNoOutput()
{
    QFETCH(QByteArray, script);
    QFETCH(bool, converted);
    const QString converter = FakeConverter::write(m_dir->filePath(QStringLiteral("soffice")),
                                                   QByteArray(FakeConverter::parseArgs()) + script);
    const QString odt = writeOdt(QStringLiteral("a.odt"));
    QCOMPARE(ConvertODTToPDF(odt, converter, 1500), converted);
    QCOMPARE(QFile::exists(m_dir->filePath(QStringLiteral("a.pdf"))), converted);
    QVERIFY(QFile::exists(odt));
}

void tst_PdfConverter::batchWithABrokenAndAHangingDocument()
{
    // Converts every source it is given in turn; "broken" gets no PDF, "hang" never ends.
    const QString converter = FakeConverter::write(m_dir->filePath(QStringLiteral("soffice")),
        FakeConverter::eachSource("echo $$ >> \"$0.pids\"\n",
                                  "       case \"$base\" in\n"
                                  "         *hang*) sleep 30 & echo $! >> \"$0.pids\"; wait;;\n"
                                  "         *broken*) ;;\n"
                                  "         *) printf '%%PDF-1.4\\n%%%%EOF\\n' > \"$out/$base.pdf\";;\n"
                                  "       esac",
                                  ""));
    ConversionSupervisor::Options options;
    options.converter = converter;
    options.processes = 2;
    options.batchBaseMs = 500;
    options.perDocumentMs = 100;
    options.singleMs = 1500;
    const QStringList names{"a", "b", "hang", "c", "broken", "d"};
    QList<bool> converted;
    {
        ConversionSupervisor supervisor(options);
        for (const QString &name : names)
            QCOMPARE(supervisor.submit(writeOdt("docum/" + name + ".odt"), m_dir->filePath("docum/" + name + ".pdf")),
                     int(names.indexOf(name)));
        converted = supervisor.finish();
        QCOMPARE(supervisor.judged(), int(names.size()));
    }
    QCOMPARE(converted, (QList<bool>{true, true, false, true, false, true}));
    for (int i = 0; i < names.size(); ++i) {
        QCOMPARE(QFile::exists(m_dir->filePath("docum/" + names[i] + ".pdf")), converted[i]);
        QVERIFY(QFile::exists(m_dir->filePath("docum/" + names[i] + ".odt")));
    }
    // Every converter and every program one started has ended.
    for (const qint64 pid : FakeConverter::recordedPids(converter))
        QTRY_VERIFY_WITH_TIMEOUT(::kill(pid_t(pid), 0) != 0, 5000);
}

void tst_PdfConverter::theLastDocumentsGoInFullBatches()
{
    // Converts every source it is given, takes a while, and records how many it got.
    const QString converter = FakeConverter::write(m_dir->filePath(QStringLiteral("soffice")),
        FakeConverter::eachSource("n=0\n",
                                  "       n=$((n+1)); printf '%%PDF-1.4\\n%%%%EOF\\n' > \"$out/$base.pdf\"",
                                  "sleep 0.3\necho $n >> \"$0.calls\"\n"));
    ConversionSupervisor::Options options;
    options.converter = converter;
    options.processes = 2;
    options.batchSize = 4;
    ConversionSupervisor supervisor(options);
    for (int i = 0; i < 16; ++i)
        supervisor.submit(writeOdt(QStringLiteral("docum/%1.odt").arg(i)), m_dir->filePath(QStringLiteral("docum/%1.pdf").arg(i)));
    QCOMPARE(supervisor.finish().count(true), 16);
    // Every converter start costs seconds: a converter that comes for work while the other one
    // still converts takes a whole batch, not half of what is left, again and again.
    QCOMPARE(TestFiles::readBytes(converter + QStringLiteral(".calls")), QByteArray("4\n4\n4\n4\n"));
}

void tst_PdfConverter::progressCountsEachFileAsItAppears()
{
    // One batch of three; each PDF is written only once the test lets it ("<converter>.go<name>").
    const QString converter = FakeConverter::write(m_dir->filePath(QStringLiteral("soffice")),
        FakeConverter::eachSource("",
                                  "       while [ ! -e \"$0.go$base\" ]; do sleep 0.05; done\n"
                                  "       printf '%%PDF-1.4\\n%%%%EOF\\n' > \"$out/$base.pdf\"",
                                  ""));
    ConversionSupervisor::Options options;
    options.converter = converter;
    options.processes = 1;
    options.batchBaseMs = 10000; // a count that never moves fails in seconds, not minutes
    options.singleMs = 2000;
    ConversionSupervisor supervisor(options);
    for (int i = 0; i < 3; ++i)
        supervisor.submit(writeOdt(QStringLiteral("docum/%1.odt").arg(i)), m_dir->filePath(QStringLiteral("docum/%1.pdf").arg(i)));
    QList<int> made;
    const QList<bool> converted = supervisor.finish([&](int count) {
        // The batch is judged only when it ends: until then the count follows the files.
        if (made.isEmpty() || made.last() != count)
            made << count;
        if (count < 3 && supervisor.judged() == 0)
            TestFiles::writeBytes(converter + QStringLiteral(".go%1").arg(count), "");
    });
    QCOMPARE(converted.count(true), 3);
    QCOMPARE(made, (QList<int>{0, 1, 2, 3}));
    QCOMPARE(supervisor.madeSoFar(), 3);
}

QTEST_GUILESS_MAIN(tst_PdfConverter)
#include "tst_PdfConverter.moc"
