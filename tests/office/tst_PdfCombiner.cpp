// Combining PDFs into one file for printing: page order, copies, blank pages for two-sided
// printing, bookmarks, parts left out, a stop, and the safe write of the combined file.
#include "DiskFaults.h"
#include "PdfFixture.h"
#include "TestFiles.h"

#include "base/DokravaError.h"
#include "office/PdfCombiner.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

#include <atomic>
#include <optional>

namespace {

// Each part written as "Док-N.pdf" in dir, its bookmark titled "Док-N".
QList<TPdfPart> writeParts(const QTemporaryDir &dir, const QList<QStringList> &pages)
{
    QList<TPdfPart> parts;
    for (int i = 0; i < pages.size(); ++i) {
        const QString title = QStringLiteral("Док-%1").arg(i + 1);
        const QString path = dir.filePath(title + QStringLiteral(".pdf"));
        if (!pages[i].isEmpty())
            PdfFixture::write(path, pages[i]);
        parts.append({path, title});
    }
    return parts;
}

// Files whose names show they were left half-written.
QStringList leftovers(const QTemporaryDir &dir)
{
    return QDir(dir.path()).entryList({QStringLiteral("*.tmp")}, QDir::Files | QDir::Hidden);
}

} // namespace

class tst_PdfCombiner : public QObject
{
    Q_OBJECT
private slots:
    void layout_data();
    void layout();
    void brokenPartsLeftOutAndNamed();
    void nothingToCombineWritesNothing();
    void earlierFileReplaced();
    void stopLeavesNoFile_data();
    void stopLeavesNoFile();
    void failedWriteKeepsEarlierFile_data();
    void failedWriteKeepsEarlierFile();
    void checkRejects_data();
    void checkRejects();
};

void tst_PdfCombiner::layout_data()
{
    QTest::addColumn<QList<QStringList>>("parts");
    QTest::addColumn<int>("copies");
    QTest::addColumn<bool>("duplex");
    QTest::addColumn<QStringList>("pages");
    QTest::addColumn<QStringList>("marks");
    const QStringList one{"101x500"}, two{"201x500", "202x500"}, three{"301x500", "302x500", "303x500"};
    QTest::newRow("order kept") << QList<QStringList>{one, two, three} << 1 << false
                                << QStringList{"101x500", "201x500", "202x500", "301x500", "302x500", "303x500"}
                                << QStringList{"Док-1@0", "Док-2@1", "Док-3@3"};
    QTest::newRow("copies in a row") << QList<QStringList>{one, two} << 2 << false
                                     << QStringList{"101x500", "101x500", "201x500", "202x500", "201x500", "202x500"}
                                     << QStringList{"Док-1@0", "Док-2@2"};
    QTest::newRow("duplex: blank after odd, none after even or at the end")
        << QList<QStringList>{one, two, three} << 1 << true
        << QStringList{"101x500", "[101x500]", "201x500", "202x500", "301x500", "302x500", "303x500"}
        << QStringList{"Док-1@0", "Док-2@2", "Док-3@4"};
    QTest::newRow("duplex copies: a blank between copies, none after the last")
        << QList<QStringList>{one} << 3 << true
        << QStringList{"101x500", "[101x500]", "101x500", "[101x500]", "101x500"} << QStringList{"Док-1@0"};
    QTest::newRow("duplex, even documents need no blank") << QList<QStringList>{two, two} << 2 << true
        << QStringList{"201x500", "202x500", "201x500", "202x500", "201x500", "202x500", "201x500", "202x500"}
        << QStringList{"Док-1@0", "Док-2@4"};
    QTest::newRow("duplex blank takes the size and turn of the page before")
        << QList<QStringList>{{"595x842", "842x595r90", "400x300"}, {"595x842"}} << 1 << true
        << QStringList{"595x842", "842x595r90", "400x300", "[400x300]", "595x842"}
        << QStringList{"Док-1@0", "Док-2@4"};
    QTest::newRow("one document") << QList<QStringList>{two} << 1 << true << QStringList{"201x500", "202x500"}
                                  << QStringList{"Док-1@0"};
}

void tst_PdfCombiner::layout()
{
    QFETCH(QList<QStringList>, parts);
    QFETCH(int, copies);
    QFETCH(bool, duplex);
    QFETCH(QStringList, pages);
    QFETCH(QStringList, marks);
    QTemporaryDir dir;
    const QString target = dir.filePath(QStringLiteral("Письмо — все документы.pdf"));
    TCombineOptions options;
    options.copies = copies;
    options.duplex = duplex;
    QList<int> heard;
    options.progress = [&heard](int done, int total) { heard << done << total; };
    const TCombineResult result = CombinePdfFiles(writeParts(dir, parts), target, options);
    QVERIFY(result.written);
    QVERIFY(result.leftOut.isEmpty());
    QCOMPARE(result.documents, parts.size());
    QCOMPARE(result.pages, pages.size());
    QCOMPARE(PdfFixture::pages(target), pages);
    QCOMPARE(PdfFixture::bookmarks(target), marks);
    QCOMPARE(heard.mid(heard.size() - 2), (QList<int>{int(parts.size()), int(parts.size())}));
    QVERIFY(leftovers(dir).isEmpty());
}

void tst_PdfCombiner::brokenPartsLeftOutAndNamed()
{
    QTemporaryDir dir;
    QList<TPdfPart> parts = writeParts(dir, {{"101x500"}, {}, {"301x500"}, {"401x500"}, {"501x500"}});
    // Missing (Док-2), cut short by a killed converter, a PDF's frame with no document inside.
    QFile::remove(parts[2].pdf);
    QVERIFY(QFile::copy(QStringLiteral(DOKRAVA_TEST_DATA "/generation/truncated_pdf_is_no_document.pdf"), parts[2].pdf));
    QFile::remove(parts[3].pdf);
    TestFiles::writeBytes(parts[3].pdf, "%PDF-1.4\n%%EOF\n");
    const QString target = dir.filePath(QStringLiteral("all.pdf"));
    const TCombineResult result = CombinePdfFiles(parts, target, {});
    QVERIFY(result.written);
    QCOMPARE(result.leftOut, (QStringList{"Док-2", "Док-3", "Док-4"}));
    QCOMPARE(PdfFixture::pages(target), (QStringList{"101x500", "501x500"}));
    QCOMPARE(PdfFixture::bookmarks(target), (QStringList{"Док-1@0", "Док-5@1"}));
}

void tst_PdfCombiner::nothingToCombineWritesNothing()
{
    QTemporaryDir dir;
    const QString target = dir.filePath(QStringLiteral("all.pdf"));
    TCombineResult result = CombinePdfFiles(writeParts(dir, {{}, {}}), target, {});
    QVERIFY(!result.written);
    QCOMPARE(result.leftOut, (QStringList{"Док-1", "Док-2"}));
    QVERIFY(!QFile::exists(target));
    result = CombinePdfFiles({}, target, {});
    QVERIFY(!result.written);
    QVERIFY(!QFile::exists(target));
}

void tst_PdfCombiner::earlierFileReplaced()
{
    QTemporaryDir dir;
    const QString target = dir.filePath(QStringLiteral("all.pdf"));
    PdfFixture::write(target, {"999x999", "999x999", "999x999"});
    QVERIFY(CombinePdfFiles(writeParts(dir, {{"101x500"}}), target, {}).written);
    QCOMPARE(PdfFixture::pages(target), QStringList{"101x500"});
}

void tst_PdfCombiner::stopLeavesNoFile_data()
{
    QTest::addColumn<int>("stopAfter"); // parts added before the stop
    QTest::newRow("before the first part") << 0;
    QTest::newRow("after a part") << 1;
    QTest::newRow("after the last part") << 3;
}

void tst_PdfCombiner::stopLeavesNoFile()
{
    QFETCH(int, stopAfter);
    QTemporaryDir dir;
    const QString target = dir.filePath(QStringLiteral("all.pdf"));
    PdfFixture::write(target, {"999x999"});
    std::atomic<bool> stop{stopAfter == 0};
    TCombineOptions options;
    options.stop = &stop;
    options.progress = [&](int done, int) {
        if (done == stopAfter)
            stop = true;
    };
    const TCombineResult result = CombinePdfFiles(writeParts(dir, {{"101x500"}, {"201x500"}, {"301x500"}}), target, options);
    QVERIFY(!result.written);
    QCOMPARE(PdfFixture::pages(target), QStringList{"999x999"});
    QVERIFY(leftovers(dir).isEmpty());
}

void tst_PdfCombiner::failedWriteKeepsEarlierFile_data()
{
    QTest::addColumn<bool>("diskFull");
    QTest::newRow("write fails") << true;
    QTest::newRow("sync to disk fails") << false;
}

void tst_PdfCombiner::failedWriteKeepsEarlierFile()
{
#ifndef Q_OS_LINUX
    QSKIP("disk faults are made on Linux");
#else
    QFETCH(bool, diskFull);
    QTemporaryDir dir;
    const QList<TPdfPart> parts = writeParts(dir, QList<QStringList>(50, QStringList{"101x500"}));
    const QString target = dir.filePath(QStringLiteral("all.pdf"));
    PdfFixture::write(target, {"999x999"});
    const QByteArray before = TestFiles::readBytes(target);
    QString message;
    {
        std::optional<DiskFaults::FileSizeLimit> limit;
        if (diskFull)
            limit.emplace(2000);
        DiskFaults::syncFails = !diskFull;
        try {
            CombinePdfFiles(parts, target, {});
        } catch (const DokravaError &e) {
            message = e.message();
        }
        DiskFaults::syncFails = false;
    }
    QVERIFY2(message.contains(QDir::toNativeSeparators(target)), qPrintable(message));
    QCOMPARE(TestFiles::readBytes(target), before);
    QVERIFY(leftovers(dir).isEmpty());
#endif
}

void tst_PdfCombiner::checkRejects_data()
{
    QTest::addColumn<QString>("file"); // "sound": a PDF of two pages
    QTest::addColumn<int>("pages");
    QTest::addColumn<QString>("why"); // empty: passes
    QTest::newRow("sound, pages as counted") << "sound" << 2 << QString();
    QTest::newRow("a page short") << "sound" << 3 << QStringLiteral("страниц 2 вместо 3");
    QTest::newRow("cut short") << "truncated" << 1 << QStringLiteral("файл не читается как полный PDF");
    QTest::newRow("empty") << "empty" << 1 << QStringLiteral("файл не читается как полный PDF");
}

void tst_PdfCombiner::checkRejects()
{
    QFETCH(QString, file);
    QFETCH(int, pages);
    QFETCH(QString, why);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("written.tmp"));
    if (file == QLatin1String("sound"))
        PdfFixture::write(path, {"101x500", "102x500"});
    else if (file == QLatin1String("truncated"))
        QVERIFY(QFile::copy(QStringLiteral(DOKRAVA_TEST_DATA "/generation/truncated_pdf_is_no_document.pdf"), path));
    else
        TestFiles::writeBytes(path, QByteArray());
    const QString target = QDir::toNativeSeparators(QStringLiteral("/out/all.pdf"));
    QString message;
    try {
        CheckCombinedPdf(path, pages, target);
    } catch (const DokravaError &e) {
        message = e.message();
    }
    QCOMPARE(message, why.isEmpty() ? QString() : QStringLiteral("Общий файл «%1» не прошёл проверку (%2) и удалён").arg(target, why));
}

QTEST_GUILESS_MAIN(tst_PdfCombiner)
#include "tst_PdfCombiner.moc"
