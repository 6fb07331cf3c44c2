#include "OdtFixture.h"
#include "TestFiles.h"
#include "RawZip.h"

#include "base/AppFolder.h"
#include "base/DokravaError.h"
#include "base/ScratchFolder.h"
#include "odf/TODTProcessor.h"
#include "zip/ZipReader.h"
#include "zip/ZipWriter.h"

#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QXmlStreamReader>
#include <QtTest>

using namespace dokrava;

namespace {

const QString kLetter = QStringLiteral(DOKRAVA_TEST_DATA "/odf/letter.odt");

const TFieldValues kLetterData{
    {"ФИО", "Петрова Анна Сергеевна"}, {"Должность", "Генеральному директору"}, {"Индекс", "101000"},
    {"Город", "Москва"}, {"Адрес", "ул. Мясницкая, д. 1\nкв. 12"}, {"Дата", "01.03.2024"},
    {"Организация", "ООО «Ромашка & Co»"}, {"Сумма", "15 000,00"}, {"Номер", "42/А"}};

bool wellFormed(const QByteArray &xml)
{
    QXmlStreamReader r(xml);
    while (!r.atEnd())
        r.readNext();
    return !r.hasError();
}

QStringList entriesOf(const QString &zipPath)
{
    ZipReader zip(zipPath);
    QStringList names;
    for (int i = 0; i < zip.count(); ++i)
        names.append(zip.name(i));
    return names;
}

} // namespace

class TestTODTProcessor : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void fillsLetter();
    void outputMayBeTheTemplate();
    void failureKeepsExistingOutput();
    void missingPartsAreSkipped();
    void inMemoryFillEqualsUnpackAndPack_data();
    void inMemoryFillEqualsUnpackAndPack();
    void findsLetterFields();
    void findsFieldsWithFormatsOnce();
    void zipFolderLayout();
    void unzipFolderEntriesAndBackslashes();
    void hostileTemplateWritesNothingOutside();
    void hostileFixturesRefused_data();
    void hostileFixturesRefused();
    void libreOfficeReadsFilledLetter();

private:
    QTemporaryDir *m_app = nullptr;
};

void TestTODTProcessor::init()
{
    m_app = new QTemporaryDir;
    AppFolder::setOverride(m_app->path());
}

void TestTODTProcessor::cleanup()
{
    const QDir temp(ProcessTempDir());
    QCOMPARE(temp.entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden), QStringList());
    AppFolder::setOverride(QString());
    delete m_app;
}

void TestTODTProcessor::fillsLetter()
{
    QTemporaryDir dir;
    const QString out = dir.filePath("Письмо.odt");
    TODTProcessor p;
    QCOMPARE(p.FTempPath, QDir::toNativeSeparators(m_app->path() + "/temp/" + QString::number(QCoreApplication::applicationPid())
                                                   + "/Dokrava_"));
    QVERIFY(p.ProcessODTTemplate(kLetter, out, kLetterData));

    ZipReader zip(out);
    QCOMPARE(zip.name(0), QString("mimetype"));
    QCOMPARE(zip.method(0), 0);
    // The filled parts are deflated; every other entry keeps the compression the template gave it.
    ZipReader templ(kLetter);
    for (int i = 1; i < zip.count(); ++i) {
        const bool filled = zip.name(i) == "content.xml" || zip.name(i) == "styles.xml";
        QCOMPARE(zip.method(i), filled ? 8 : templ.method(templ.indexOf(zip.name(i))));
    }
    const QStringList names = entriesOf(out);
    QCOMPARE(QSet<QString>(names.begin(), names.end()).size(), zip.count());
    const QByteArray content = zip.data(zip.indexOf("content.xml"));
    const QByteArray styles = zip.data(zip.indexOf("styles.xml"));
    QVERIFY(content.startsWith("\xEF\xBB\xBF"));
    QVERIFY(styles.startsWith("\xEF\xBB\xBF"));
    QVERIFY(wellFormed(content.mid(3)));
    QVERIFY(wellFormed(styles.mid(3)));
    const QString text = QString::fromUtf8(content);
    QVERIFY(!text.contains("[ФИО]") && !text.contains("[Организа"));
    QVERIFY(text.contains("ООО «Ромашка &amp; Co»"));
    QVERIFY(text.contains("ул. Мясницкая, д. 1<text:line-break/>кв. 12"));
    QVERIFY(QString::fromUtf8(styles).contains("Документ подготовлен для: Петрова Анна Сергеевна"));
    // Parts other than the body and styles travel unchanged.
    ZipReader original(kLetter);
    QCOMPARE(zip.data(zip.indexOf("META-INF/manifest.xml")),
             original.data(original.indexOf("META-INF/manifest.xml")));
    QCOMPARE(zip.data(zip.indexOf("meta.xml")), original.data(original.indexOf("meta.xml")));
}

void TestTODTProcessor::outputMayBeTheTemplate()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("t.odt");
    QVERIFY(QFile::copy(kLetter, path));
    TODTProcessor().ProcessODTTemplate(path, path, kLetterData);
    QVERIFY(TODTProcessor().FindVariablesInODT(path).isEmpty());
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"t.odt"});
}

void TestTODTProcessor::failureKeepsExistingOutput()
{
    QTemporaryDir dir;
    const QString broken = dir.filePath("broken.odt");
    QByteArray bytes = TestFiles::readBytes(kLetter);
    bytes.truncate(bytes.size() / 2);
    TestFiles::writeBytes(broken, bytes);
    const QString out = dir.filePath("out.odt");
    TestFiles::writeBytes(out, "previous result");
    QVERIFY_THROWS_EXCEPTION(DokravaError, TODTProcessor().ProcessODTTemplate(broken, out, kLetterData));
    QCOMPARE(TestFiles::readBytes(out), QByteArray("previous result"));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList({"broken.odt", "out.odt"}));
}

void TestTODTProcessor::missingPartsAreSkipped()
{
    QTemporaryDir dir;
    const QString in = dir.filePath("styles-only.odt");
    {
        ZipWriter zip(in);
        zip.addData("mimetype", "application/vnd.oasis.opendocument.text", ZipWriter::Stored);
        zip.addData("styles.xml", "<s>[A] [B]</s>", ZipWriter::Deflated);
        zip.close();
    }
    const QString out = dir.filePath("out.odt");
    TODTProcessor().ProcessODTTemplate(in, out, {{"A", "1"}});
    {
        // Closed before the file is written again: Windows replaces no file that is held open.
        ZipReader zip(out);
        QCOMPARE(zip.count(), 2);
        QCOMPARE(zip.data(zip.indexOf("styles.xml")), QByteArray("\xEF\xBB\xBF<s>1 [B]</s>"));
    }
    TODTProcessor().ProcessODTTemplate(in, out, {});
    ZipReader again(out);
    QCOMPARE(again.data(again.indexOf("styles.xml")), QByteArray("\xEF\xBB\xBF<s>[A] [B]</s>"));
}

void TestTODTProcessor::inMemoryFillEqualsUnpackAndPack_data()
{
    QTest::addColumn<QString>("templ");
    QTest::newRow("letter") << kLetter;
    QTest::newRow("sample letter") << QStringLiteral(DOKRAVA_TEST_DATA "/../../resources/zagotka/Письмо.odt");
}

void TestTODTProcessor::inMemoryFillEqualsUnpackAndPack()
{
    QFETCH(QString, templ);
    QTemporaryDir dir;
    const QString inMemory = dir.filePath("memory.odt");
    TODTProcessor p;
    QVERIFY(p.ProcessODTTemplate(templ, inMemory, kLetterData));
    // The same document made the way it was made before: unpacked, filled on disk, packed again.
    const QString unpacked = dir.filePath("unpacked");
    p.UnzipToFolder(templ, unpacked);
    for (const char *part : {"content.xml", "styles.xml"}) {
        const QString path = unpacked + "/" + part;
        TODTProcessor::WriteXmlPart(path, ReplaceVariables(TODTProcessor::ReadXmlPart(path), kLetterData));
    }
    const QString packed = dir.filePath("packed.odt");
    p.ZipFolder(unpacked, packed);

    ZipReader a(inMemory), b(packed);
    QCOMPARE(a.count(), b.count());
    QCOMPARE(a.name(0), QString("mimetype"));
    QCOMPARE(a.method(0), 0);
    for (int i = 0; i < b.count(); ++i) {
        const int j = a.indexOf(b.name(i));
        QVERIFY2(j >= 0, qPrintable(b.name(i)));
        QVERIFY2(a.data(j) == b.data(i), qPrintable(b.name(i)));
    }
}

void TestTODTProcessor::findsLetterFields()
{
    const QStringList expected{"Адрес", "Город", "Дата", "Должность", "Индекс", "Номер", "Организация", "Сумма", "ФИО"};
    QCOMPARE(TODTProcessor().FindVariablesInODT(kLetter), expected);
}

void TestTODTProcessor::findsFieldsWithFormatsOnce()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("formats.odt");
    OdtFixture::write(path, "[Сумма:прописью] [Сумма: рубли] [сумма:сумма] [Срок:дней] [Сумма]");
    QCOMPARE(TODTProcessor().FindVariablesInODT(path), (QStringList{"Срок:дней", "Сумма"}));
}

void TestTODTProcessor::zipFolderLayout()
{
    QTemporaryDir dir;
    const QString src = dir.filePath("src");
    QDir(src).mkpath("Pictures");
    QDir(src).mkpath("empty/inner");
    TestFiles::writeBytes(src + "/content.xml", "<c/>");
    TestFiles::writeBytes(src + "/Pictures/b.png", "PNG");
    TestFiles::writeBytes(src + "/mimetype", "application/vnd.oasis.opendocument.text");
    TestFiles::writeBytes(src + "/README", "no extension");
    const QString zipPath = dir.filePath("out.zip");
    TODTProcessor().ZipFolder(src, zipPath);
    QCOMPARE(entriesOf(zipPath), QStringList({"mimetype", "content.xml", "Pictures/b.png", "README"}));
    ZipReader zip(zipPath);
    QCOMPARE(zip.method(0), 0);
    QCOMPARE(zip.method(3), 8);

    const QString empty = dir.filePath("nothing");
    QDir().mkpath(empty);
    TODTProcessor().ZipFolder(empty, dir.filePath("empty.zip"));
    QCOMPARE(ZipReader(dir.filePath("empty.zip")).count(), 0);
}

void TestTODTProcessor::unzipFolderEntriesAndBackslashes()
{
    QTemporaryDir dir;
    const QString zipPath = dir.filePath("in.zip");
    TestFiles::writeBytes(zipPath, rawZip({storedEntry("Thumbnails\\t.png", "T"), storedEntry("Configurations2/menubar/", "")}));
    const QString folder = dir.filePath("x/y");
    TODTProcessor p;
    p.UnzipToFolder(zipPath, folder);
    QCOMPARE(TestFiles::readBytes(folder + "/Thumbnails/t.png"), QByteArray("T"));
    QVERIFY(QFileInfo(folder + "/Configurations2/menubar").isDir());
    // Packing back over the same archive: the source was read and closed first.
    p.ZipFolder(folder, zipPath);
    QCOMPARE(entriesOf(zipPath), QStringList{"Thumbnails/t.png"});
}

void TestTODTProcessor::hostileTemplateWritesNothingOutside()
{
    QTemporaryDir dir;
    const QString evil = dir.filePath("evil.odt");
    TestFiles::writeBytes(evil, rawZip({storedEntry("content.xml", "<c>[A]</c>"), storedEntry("../../../../escaped.txt", "x")}));
    const QString out = dir.filePath("out.odt");
    QVERIFY_THROWS_EXCEPTION(DokravaError, TODTProcessor().ProcessODTTemplate(evil, out, {{"A", "1"}}));
    QVERIFY_THROWS_EXCEPTION(DokravaError, TODTProcessor().FindVariablesInODT(evil));
    QVERIFY(!QFile::exists(out));
    QVERIFY(!QFile::exists(m_app->filePath("escaped.txt")));
    QVERIFY(!QFile::exists(m_app->filePath("temp/escaped.txt")));
    QVERIFY(!QFile::exists(QFileInfo(m_app->path()).absolutePath() + "/escaped.txt"));
}

void TestTODTProcessor::hostileFixturesRefused_data()
{
    QTest::addColumn<QString>("file");
    const QDir hostile(QStringLiteral(DOKRAVA_TEST_DATA "/odf/hostile"));
    for (const QString &name : hostile.entryList(QDir::Files))
        QTest::newRow(qPrintable(name)) << hostile.filePath(name);
}

void TestTODTProcessor::hostileFixturesRefused()
{
    QFETCH(QString, file);
    QTemporaryDir dir;
    const QString out = dir.filePath("out.odt");
    QVERIFY_THROWS_EXCEPTION(DokravaError, TODTProcessor().ProcessODTTemplate(file, out, {{"A", "1"}}));
    QVERIFY_THROWS_EXCEPTION(DokravaError, TODTProcessor().FindVariablesInODT(file));
    QStringList headers;
    QList<QStringList> rows;
    QVERIFY_THROWS_EXCEPTION(DokravaError, TODTProcessor().LoadODSToGrid(file, headers, rows));
    QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden), QStringList());
    QVERIFY(!QFile::exists("/tmp/dokrava-escaped.txt"));
    QVERIFY(!QFile::exists(m_app->filePath("escaped.txt")));
    QVERIFY(!QFile::exists(m_app->filePath("temp/escaped.txt")));
}

void TestTODTProcessor::libreOfficeReadsFilledLetter()
{
    const QString soffice = QStandardPaths::findExecutable("soffice");
    if (soffice.isEmpty())
        QSKIP("LibreOffice (soffice) is not installed: the filled document is not checked by it");
    QTemporaryDir dir;
    const QString odt = dir.filePath("filled.odt");
    TODTProcessor().ProcessODTTemplate(kLetter, odt, kLetterData);
    QProcess lo;
    lo.start(soffice, {"-env:UserInstallation=file://" + dir.filePath("profile"), "--headless", "--convert-to",
                       "txt:Text (encoded):UTF8", "--outdir", dir.path(), odt});
    QVERIFY(lo.waitForFinished(120000));
    const QString text = QString::fromUtf8(TestFiles::readBytes(dir.filePath("filled.txt")));
    QVERIFY2(!text.isEmpty(), "LibreOffice could not open the filled document");
    for (const auto &[field, value] : kLetterData) {
        for (const QString &line : value.split('\n'))
            QVERIFY2(text.contains(line), qPrintable(field));
    }
    QVERIFY(text.contains("ул. Мясницкая, д. 1\nкв. 12") || text.contains("ул. Мясницкая, д. 1\r\nкв. 12"));
    QVERIFY(!text.contains('['));
}

QTEST_GUILESS_MAIN(TestTODTProcessor)
#include "tst_TODTProcessor.moc"
