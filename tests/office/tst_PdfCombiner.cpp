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

#include <qpdf/Buffer.hh>
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFPageObjectHelper.hh>

#include <algorithm>
#include <atomic>
#include <optional>

using namespace dokrava;

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

// The PDF at path page by page, read with qpdf that may neither repair nor warn: the data of its
// content streams ("+" between several), "name=data" of each XObject of its resources, "→n" for
// each link to page n (from 0), and the bytes of its strings /Note and /Hex (hex) and its name
// /A#20B. Sets streams to the number of streams in the file.
QStringList describe(const QString &path, int &streams)
{
    QPDF pdf;
    pdf.setSuppressWarnings(true);
    pdf.setAttemptRecovery(false);
    pdf.processFile(LibraryFileName(path).constData());
    const std::vector<QPDFObjectHandle> all = pdf.getAllObjects();
    streams = int(std::count_if(all.begin(), all.end(), [](QPDFObjectHandle o) { return o.isStream(); }));
    auto data = [](QPDFObjectHandle stream) {
        const std::shared_ptr<Buffer> bytes = stream.getStreamData();
        return QString::fromLatin1(reinterpret_cast<const char *>(bytes->getBuffer()), qsizetype(bytes->getSize()));
    };
    const std::vector<QPDFObjectHandle> &pages = pdf.getAllPages();
    QStringList described;
    for (QPDFObjectHandle page : pages) {
        QStringList contents, xobjects, links;
        QPDFObjectHandle c = page.getKey("/Contents");
        for (QPDFObjectHandle stream : c.isArray() ? c.getArrayAsVector() : std::vector<QPDFObjectHandle>{c})
            contents << data(stream);
        QPDFObjectHandle resources = QPDFPageObjectHelper(page).getAttribute("/Resources", false);
        if (resources.isDictionary() && resources.getKey("/XObject").isDictionary())
            for (auto &[name, xobject] : resources.getKey("/XObject").ditems())
                xobjects << QString::fromStdString(name.substr(1)) + QLatin1Char('=') + data(xobject);
        if (page.getKey("/Annots").isArray())
            for (QPDFObjectHandle annot : page.getKey("/Annots").aitems())
                for (size_t i = 0; i < pages.size(); ++i)
                    if (annot.getKey("/Dest").isArray() && pages[i].getObjGen() == annot.getKey("/Dest").getArrayItem(0).getObjGen())
                        links << QStringLiteral("→%1").arg(i);
        QStringList notes;
        for (const char *key : {"/Note", "/Hex"})
            if (page.getKey(key).isString())
                notes << QString::fromLatin1(QByteArray::fromStdString(page.getKey(key).getStringValue()).toHex());
        if (page.getKey("/A B").isName())
            notes << QString::fromStdString(page.getKey("/A B").getName());
        described << QStringList{contents.join(QLatin1Char('+')), xobjects.join(QLatin1Char(',')), links.join(QLatin1Char(',')),
                                 notes.join(QLatin1Char(','))}.join(QLatin1Char('|'));
    }
    return pdf.anyWarnings() ? QStringList{QStringLiteral("qpdf warned")} : described;
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
    void pagesCopiedWhole_data();
    void pagesCopiedWhole();
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

void tst_PdfCombiner::pagesCopiedWhole_data()
{
    using PdfFixture::rawStream;
    QTest::addColumn<QList<QByteArray>>("part"); // its objects, numbered from 1
    QTest::addColumn<int>("copies");
    QTest::addColumn<bool>("duplex");
    QTest::addColumn<QStringList>("pages");
    QTest::addColumn<QStringList>("described"); // as describe() tells them
    QTest::addColumn<int>("streams");
    QTest::newRow("box, turn and resources taken from the page tree, the nearest level winning")
        << QList<QByteArray>{"<< /Type /Catalog /Pages 2 0 R >>",
                             "<< /Type /Pages /Kids [ 3 0 R ] /Count 3 /MediaBox [ 0 0 300 400 ] /Rotate 90"
                             " /Resources << /XObject << /Im 7 0 R >> >> >>",
                             "<< /Type /Pages /Parent 2 0 R /Kids [ 4 0 R 5 0 R 6 0 R ] /Count 3"
                             " /Resources << /XObject << /Fm 8 0 R >> >> >>",
                             "<< /Type /Page /Parent 3 0 R /Contents 9 0 R >>",
                             "<< /Type /Page /Parent 3 0 R /Contents 10 0 R >>",
                             "<< /Type /Page /Parent 3 0 R /MediaBox [ 0 0 200 100 ] /Rotate 0 /Contents 11 0 R"
                             " /Resources << /XObject << /Im 7 0 R >> >> >>",
                             rawStream("image"), rawStream("form"), rawStream("page 1"), rawStream("page 2"),
                             rawStream("page 3")}
        << 2 << true
        << QStringList{"300x400r90", "300x400r90", "200x100", "[200x100]", "300x400r90", "300x400r90", "200x100"}
        << QStringList{"page 1|Fm=form||", "page 2|Fm=form||", "page 3|Im=image||", "|||",
                       "page 1|Fm=form||", "page 2|Fm=form||", "page 3|Im=image||"}
        << 6; // the blank pages' empty one among them
    QTest::newRow("objects shared between pages, a link between them and a loop: written once for every copy")
        << QList<QByteArray>{"<< /Type /Catalog /Pages 2 0 R >>",
                             "<< /Type /Pages /Kids [ 3 0 R 4 0 R ] /Count 2 >>",
                             "<< /Type /Page /Parent 2 0 R /MediaBox [ 0 0 500 500 ] /Resources 5 0 R /Contents 6 0 R"
                             " /Annots [ 8 0 R ] >>",
                             "<< /Type /Page /Parent 2 0 R /MediaBox [ 0 0 500 500 ] /Resources 5 0 R"
                             " /Contents [ 6 0 R 7 0 R ] >>",
                             "<< /XObject << /Fm 9 0 R >> >>", rawStream("shared"), rawStream("second"),
                             "<< /Type /Annot /Subtype /Link /Rect [ 0 0 10 10 ] /P 3 0 R /Dest [ 4 0 R /Fit ] >>",
                             rawStream("form", "/Type /XObject /Subtype /Form /BBox [ 0 0 1 1 ] /Again 9 0 R")}
        << 3 << true << QStringList{"500x500", "500x500", "500x500", "500x500", "500x500", "500x500"}
        << QStringList{"shared|Fm=form|→1|", "shared+second|Fm=form||", "shared|Fm=form|→1|",
                       "shared+second|Fm=form||", "shared|Fm=form|→1|", "shared+second|Fm=form||"}
        << 3;
    QTest::newRow("strings and names with bytes that need escapes")
        << QList<QByteArray>{"<< /Type /Catalog /Pages 2 0 R >>", "<< /Type /Pages /Kids [ 3 0 R ] /Count 1 >>",
                             "<< /Type /Page /Parent 2 0 R /MediaBox [ 0 0 100 100 ] /Contents 4 0 R"
                             " /Note (a\\)b\\(c\\\\d\\r\\n\\000\\377 \\(\\)) /Hex <00FF28295C0D0A> /A#20B /C#23D#28 /K#23#2F 1 >>",
                             rawStream(QByteArray("(\0)\n", 4))}
        << 1 << false << QStringList{"100x100"}
        << QStringList{QStringLiteral("(") + QChar(0) + QStringLiteral(")\n|||61296228635c640d0a00ff202829,00ff28295c0d0a,/C#D(")}
        << 1;
}

void tst_PdfCombiner::pagesCopiedWhole()
{
    QFETCH(QList<QByteArray>, part);
    QFETCH(int, copies);
    QFETCH(bool, duplex);
    QFETCH(QStringList, pages);
    QFETCH(QStringList, described);
    QFETCH(int, streams);
    QTemporaryDir dir;
    const QString source = dir.filePath(QStringLiteral("Док-1.pdf"));
    PdfFixture::writeRaw(source, part);
    const QString target = dir.filePath(QStringLiteral("all.pdf"));
    TCombineOptions options;
    options.copies = copies;
    options.duplex = duplex;
    const TCombineResult result = CombinePdfFiles({{source, QStringLiteral("Док-1")}}, target, options);
    QVERIFY(result.written);
    QCOMPARE(result.pages, pages.size());
    QCOMPARE(PdfFixture::pages(target), pages);
    int written = 0;
    QCOMPARE(describe(target, written), described);
    QCOMPARE(written, streams);
    QCOMPARE(PdfFixture::bookmarks(target), QStringList{"Док-1@0"});
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
    QTest::newRow("midway, two parts already in the file being written") << 2;
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
