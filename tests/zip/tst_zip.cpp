#include "TestFiles.h"
#include "RawZip.h"

#include "base/AppFolder.h"
#include "base/DokravaError.h"
#include "base/PendingFile.h"
#include "base/ScratchFolder.h"
#include "zip/ZipReader.h"
#include "zip/ZipWriter.h"

#include <QDirIterator>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

using namespace dokrava;

namespace {

// Every file below a folder, relative names, sorted.
QStringList filesBelow(const QString &folder)
{
    QStringList out;
    QDirIterator it(folder, QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
    while (it.hasNext())
        out.append(QDir(folder).relativeFilePath(it.next()));
    out.sort();
    return out;
}

// Runs fn and returns the message of the DokravaError it throws (empty when it throws none).
template <typename Fn>
QString errorOf(Fn fn)
{
    try {
        fn();
    } catch (const DokravaError &e) {
        return e.message();
    }
    return QString();
}

void extractAll(const QString &zip, const QString &folder)
{
    ZipReader r(zip);
    for (int i = 0; i < r.count(); ++i)
        r.extractTo(i, folder);
}

} // namespace

class TestZip : public QObject
{
    Q_OBJECT

private slots:
    void roundTrip();
    void writerHeaders();
    void writerRefusesEntry65536();
    void emptyArchive();
    void commentHoldingSignature();
    void backslashNamesBecomeFolders();
    void cp437AndUnicodePath();
    void hostileNames_data();
    void hostileNames();
    void symlinksAreNeverFollowed();
    void bombDeclaredSizeRefusedAtOpen();
    void bombLyingSizeRefusedWhileInflating();
    void bombOverlappingEntries();
    void tooManyEntries();
    void truncated_data();
    void truncated();
    void crcMismatch();
    void unsupportedMethod();
    void notAZip();
    void missingFile();
    void scratchFolder();
    void pendingFile();
};

void TestZip::roundTrip()
{
    QTemporaryDir dir;
    const QString zip = dir.filePath("a.zip");
    const QDateTime stamp(QDate(2021, 6, 15), QTime(13, 45, 30));
    QByteArray big;
    for (int i = 0; i < 20000; ++i)
        big.append(QByteArray::number(i % 97) + ' ');
    {
        ZipWriter w(zip);
        w.addData("mimetype", "application/vnd.oasis.opendocument.text", ZipWriter::Stored, stamp);
        w.addData(QStringLiteral("Папка/данные.xml"), big, ZipWriter::Deflated, stamp);
        w.addData("empty.txt", QByteArray(), ZipWriter::Deflated, stamp);
        w.addData("dir/", QByteArray(), ZipWriter::Stored, stamp);
        w.close();
    }
    ZipReader r(zip);
    QCOMPARE(r.count(), 4);
    QCOMPARE(r.name(1), QStringLiteral("Папка/данные.xml"));
    QCOMPARE(r.method(0), 0);
    QCOMPARE(r.method(1), 8);
    QCOMPARE(r.data(0), QByteArray("application/vnd.oasis.opendocument.text"));
    QCOMPARE(r.data(1), big);
    QCOMPARE(r.data(2), QByteArray());
    QVERIFY(r.isDir(3));
    QVERIFY(!r.isDir(1));
    QCOMPARE(r.modified(1), stamp);
    QCOMPARE(r.indexOf(QStringLiteral("Папка/данные.xml")), 1);
    QCOMPARE(r.indexOf("nothing"), -1);

    const QString out = dir.filePath("out");
    for (int i = 0; i < r.count(); ++i)
        r.extractTo(i, out);
    QCOMPARE(TestFiles::readBytes(out + QStringLiteral("/Папка/данные.xml")), big);
    QVERIFY(QFileInfo(out + "/dir").isDir());
    QCOMPARE(QFileInfo(out + "/mimetype").lastModified(), stamp);
}

void TestZip::writerHeaders()
{
    QTemporaryDir dir;
    const QString zip = dir.filePath("h.zip");
    {
        ZipWriter w(zip);
        w.addData(QStringLiteral("ä.txt"), "x", ZipWriter::Deflated);
        w.close();
    }
    const QByteArray b = TestFiles::readBytes(zip);
    QCOMPARE(b.left(4), QByteArray("PK\x03\x04"));
    QCOMPARE(int(uchar(b[4])), 20);                  // version needed
    QCOMPARE(int(uchar(b[7])) & 0x08, 0x08);         // bit 11: UTF-8 names
    QCOMPARE(int(uchar(b[8])), 8);                   // deflate
    const qsizetype central = b.indexOf("PK\x01\x02");
    QVERIFY(central > 0);
    QCOMPARE(int(uchar(b[central + 4])), 20);        // made by 2.0
    QCOMPARE(int(uchar(b[central + 5])), 0);         // host 0
    QCOMPARE(int(uchar(b[central + 6])), 20);
    QCOMPARE(b.mid(central + 46, 6), QStringLiteral("ä.txt").toUtf8());
}

void TestZip::writerRefusesEntry65536()
{
    QTemporaryDir dir;
    ZipWriter w(dir.filePath("many.zip"));
    for (int i = 0; i < 65535; ++i)
        w.addData(QString::number(i), QByteArray(), ZipWriter::Stored);
    QVERIFY(errorOf([&] { w.addData("one-more", QByteArray(), ZipWriter::Stored); }).contains("65 535"));
    w.close();
    ZipReader r(dir.filePath("many.zip"));
    QCOMPARE(r.count(), 65535);
}

void TestZip::emptyArchive()
{
    QTemporaryDir dir;
    const QString zip = dir.filePath("e.zip");
    {
        ZipWriter w(zip);
        w.close();
    }
    QCOMPARE(QFileInfo(zip).size(), 22);
    ZipReader r(zip);
    QCOMPARE(r.count(), 0);
}

void TestZip::commentHoldingSignature()
{
    QTemporaryDir dir;
    QByteArray bytes = rawZip({storedEntry("a.txt", "A")});
    static const char kComment[] = "note PK\x05\x06 with a fake end record inside......";
    const QByteArray comment(kComment, sizeof kComment - 1);
    bytes[bytes.size() - 2] = char(comment.size());
    bytes.append(comment);
    const QString zip = dir.filePath("c.zip");
    TestFiles::writeBytes(zip, bytes);
    ZipReader r(zip);
    QCOMPARE(r.count(), 1);
    QCOMPARE(r.data(0), QByteArray("A"));
}

void TestZip::backslashNamesBecomeFolders()
{
    QTemporaryDir dir;
    const QString zip = dir.filePath("b.zip");
    TestFiles::writeBytes(zip, rawZip({storedEntry("Pictures\\a.png", "PNG"), storedEntry("x\\", "")}));
    extractAll(zip, dir.filePath("out"));
    QCOMPARE(TestFiles::readBytes(dir.filePath("out/Pictures/a.png")), QByteArray("PNG"));
    QVERIFY(QFileInfo(dir.filePath("out/x")).isDir());
}

void TestZip::cp437AndUnicodePath()
{
    QTemporaryDir dir;
    const QString zip = dir.filePath("c.zip");
    RawEntry plain = storedEntry("\x80\xa4.txt", "1"); // Ç ñ in code page 437
    plain.flags = 0;
    RawEntry unicode = storedEntry("old.txt", "2");
    unicode.flags = 0;
    const QByteArray utf8 = QStringLiteral("новое.txt").toUtf8();
    rawPut16(unicode.extra, 0x7075);
    rawPut16(unicode.extra, uint16_t(5 + utf8.size()));
    unicode.extra.append(char(1));
    rawPut32(unicode.extra, rawCrc("old.txt"));
    unicode.extra.append(utf8);
    RawEntry stale = unicode; // the field describes another name: ignored
    stale.name = "kept.txt";
    TestFiles::writeBytes(zip, rawZip({plain, unicode, stale}));
    ZipReader r(zip);
    QCOMPARE(r.name(0), QStringLiteral("Çñ.txt"));
    QCOMPARE(r.name(1), QStringLiteral("новое.txt"));
    QCOMPARE(r.name(2), QStringLiteral("kept.txt"));
}

void TestZip::hostileNames_data()
{
    QTest::addColumn<QByteArray>("name");
    QTest::newRow("parent") << QByteArray("../evil.txt");
    QTest::newRow("nested parent") << QByteArray("a/../../evil.txt");
    QTest::newRow("backslash parent") << QByteArray("a\\..\\..\\evil.txt");
    QTest::newRow("absolute") << QByteArray("/tmp/evil.txt");
    QTest::newRow("absolute backslash") << QByteArray("\\evil.txt");
    QTest::newRow("drive letter") << QByteArray("C:/evil.txt");
    QTest::newRow("drive relative") << QByteArray("C:evil.txt");
    QTest::newRow("parent folder entry") << QByteArray("../evil/");
    QTest::newRow("nothing left") << QByteArray("./");
    QTest::newRow("nul") << QByteArray("a\0b", 3);
}

void TestZip::hostileNames()
{
    QFETCH(QByteArray, name);
    QTemporaryDir dir;
    const QString zip = dir.filePath("h.zip");
    TestFiles::writeBytes(zip, rawZip({storedEntry("good.txt", "ok"), storedEntry(name, "evil")}));
    const QString inside = dir.filePath("deep/er/out");
    const QString message = errorOf([&] { extractAll(zip, inside); });
    QVERIFY2(message.contains(QStringLiteral("недопустимым именем")), qPrintable(message));
    QCOMPARE(filesBelow(dir.path()), QStringList({"deep/er/out/good.txt", "h.zip"}));
}

void TestZip::symlinksAreNeverFollowed()
{
    QTemporaryDir dir;
    QDir(dir.path()).mkpath("outside");
    QDir(dir.path()).mkpath("out");
    TestFiles::writeBytes(dir.filePath("outside/target.txt"), "precious");
    QVERIFY(QFile::link(dir.filePath("outside"), dir.filePath("out/linkdir")));
    QVERIFY(QFile::link(dir.filePath("outside/target.txt"), dir.filePath("out/linkfile")));
    const QString zip = dir.filePath("s.zip");
    TestFiles::writeBytes(zip, rawZip({storedEntry("linkfile", "replaced"), storedEntry("linkdir/x.txt", "evil")}));
    ZipReader r(zip);
    r.extractTo(0, dir.filePath("out"));
    QVERIFY(!QFileInfo(dir.filePath("out/linkfile")).isSymLink());
    QCOMPARE(TestFiles::readBytes(dir.filePath("out/linkfile")), QByteArray("replaced"));
    QCOMPARE(TestFiles::readBytes(dir.filePath("outside/target.txt")), QByteArray("precious"));
    QVERIFY(!errorOf([&] { r.extractTo(1, dir.filePath("out")); }).isEmpty());
    QVERIFY(!QFile::exists(dir.filePath("outside/x.txt")));
}

void TestZip::bombDeclaredSizeRefusedAtOpen()
{
    QTemporaryDir dir;
    const qint64 size = 200LL << 20;
    RawEntry e;
    e.name = "content.xml";
    e.method = 8;
    e.payload = deflatedZeros(size);
    e.crc = zerosCrc(size);
    e.size = uint32_t(size);
    const QString zip = dir.filePath("bomb.zip");
    TestFiles::writeBytes(zip, rawZip({e}));
    const QString message = errorOf([&] { ZipReader r(zip); });
    QVERIFY2(message.contains(QStringLiteral("слишком большой объём")), qPrintable(message));
}

void TestZip::bombLyingSizeRefusedWhileInflating()
{
    QTemporaryDir dir;
    const qint64 size = 200LL << 20;
    RawEntry e;
    e.name = "content.xml";
    e.method = 8;
    e.payload = deflatedZeros(size);
    e.crc = zerosCrc(size);
    e.size = 1000; // the header lies
    const QString zip = dir.filePath("liar.zip");
    TestFiles::writeBytes(zip, rawZip({e}));
    ZipReader r(zip);
    QVERIFY(!errorOf([&] { r.data(0); }).isEmpty());
    QVERIFY(!errorOf([&] { r.extractTo(0, dir.filePath("out")); }).isEmpty());
    QVERIFY(!QFile::exists(dir.filePath("out/content.xml"))); // the partial file is removed
}

void TestZip::bombOverlappingEntries()
{
    // Many central entries share one local entry: each is honest, the sum is not.
    QTemporaryDir dir;
    const qint64 size = 30LL << 20;
    RawEntry e;
    e.name = "a";
    e.method = 8;
    e.payload = deflatedZeros(size);
    e.crc = zerosCrc(size);
    e.size = uint32_t(size);
    QList<RawEntry> entries{e};
    for (int i = 0; i < 3; ++i) {
        RawEntry copy = e;
        copy.name = QByteArray::number(i);
        copy.sharePayloadOf = 0;
        entries.append(copy);
    }
    const QString zip = dir.filePath("overlap.zip");
    TestFiles::writeBytes(zip, rawZip(entries));
    QVERIFY(errorOf([&] { ZipReader r(zip); }).contains(QStringLiteral("слишком большой объём")));
}

void TestZip::tooManyEntries()
{
    QTemporaryDir dir;
    QList<RawEntry> entries;
    for (int i = 0; i < 65536; ++i)
        entries.append(storedEntry(QByteArray::number(i), QByteArray()));
    const QString zip = dir.filePath("many.zip");
    TestFiles::writeBytes(zip, rawZip(entries));
    QVERIFY(errorOf([&] { ZipReader r(zip); }).contains(QStringLiteral("больше 65 535 записей")));
}

void TestZip::truncated_data()
{
    QTest::addColumn<int>("keep");
    QTest::newRow("nothing") << 0;
    QTest::newRow("inside local header") << 10;
    QTest::newRow("inside data") << 200;
    QTest::newRow("inside central directory") << -40;
    QTest::newRow("end record cut") << -5;
}

void TestZip::truncated()
{
    QFETCH(int, keep);
    QTemporaryDir dir;
    const QString zip = dir.filePath("t.zip");
    QByteArray data;
    for (int i = 0; i < 5000; ++i)
        data.append(char(i * 7919 % 251));
    {
        ZipWriter w(zip);
        w.addData("a.bin", data, ZipWriter::Deflated);
        w.close();
    }
    QByteArray bytes = TestFiles::readBytes(zip);
    bytes.truncate(keep >= 0 ? keep : bytes.size() + keep);
    TestFiles::writeBytes(zip, bytes);
    QVERIFY(!errorOf([&] { extractAll(zip, dir.filePath("out")); }).isEmpty());
    QVERIFY(filesBelow(dir.filePath("out")).isEmpty());
}

void TestZip::crcMismatch()
{
    QTemporaryDir dir;
    const QString zip = dir.filePath("crc.zip");
    QByteArray bytes = rawZip({storedEntry("a.txt", "hello world")});
    bytes[30 + 5 + 3] = 'X';
    TestFiles::writeBytes(zip, bytes);
    ZipReader r(zip);
    QVERIFY(errorOf([&] { r.data(0); }).contains(QStringLiteral("контрольной сумме")));
    QVERIFY(!errorOf([&] { r.extractTo(0, dir.filePath("out")); }).isEmpty());
    QVERIFY(!QFile::exists(dir.filePath("out/a.txt")));
}

void TestZip::unsupportedMethod()
{
    QTemporaryDir dir;
    RawEntry e = storedEntry("a.txt", "abc");
    e.method = 12;
    const QString zip = dir.filePath("m.zip");
    TestFiles::writeBytes(zip, rawZip({e}));
    ZipReader r(zip);
    QVERIFY(errorOf([&] { r.data(0); }).contains(QStringLiteral("неподдерживаемым методом 12")));
}

void TestZip::notAZip()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("text.odt");
    TestFiles::writeBytes(path, "just some text, not an archive at all");
    const QString message = errorOf([&] { ZipReader r(path); });
    QVERIFY2(message.contains(QStringLiteral("не является архивом ZIP")), qPrintable(message));
    QVERIFY(message.contains(QDir::toNativeSeparators(path)));
}

void TestZip::missingFile()
{
    QTemporaryDir dir;
    QVERIFY(errorOf([&] { ZipReader r(dir.filePath("none.zip")); }).contains(QStringLiteral("не найден")));
}

void TestZip::scratchFolder()
{
    QTemporaryDir app;
    AppFolder::setOverride(app.path());
    QString path;
    {
        ScratchFolder folder(QStringLiteral("ODT_"));
        path = folder.path();
        QVERIFY(QFileInfo(path).isDir());
        // One folder per process under "temp", so two running instances never empty each other's.
        const QString expectedStart = QDir::toNativeSeparators(
            app.path() + "/temp/" + QString::number(QCoreApplication::applicationPid()) + "/Dokrava_ODT_");
        QVERIFY2(path.startsWith(expectedStart), qPrintable(path));
        const QString unique = path.mid(expectedStart.size());
        QVERIFY(QRegularExpression("^\\{[0-9A-F]{8}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{12}\\}$")
                    .match(unique)
                    .hasMatch());
        QDir(path).mkpath("a/b");
        TestFiles::writeBytes(folder.filePath("a/b/c.txt"), "x");
    }
    QVERIFY(!QFileInfo::exists(path));
    QVERIFY(QFileInfo(app.filePath("temp")).isDir());
    QVERIFY(GenerateUniqueName() != GenerateUniqueName());
    AppFolder::setOverride(QString());
}

void TestZip::pendingFile()
{
    QTemporaryDir dir;
    const QString target = dir.filePath("doc.odt");
    TestFiles::writeBytes(target, "old");
    {
        PendingFile pending(target);
        TestFiles::writeBytes(pending.path(), "half");
        // destroyed without commit: the old file stays, the partial one goes
    }
    QCOMPARE(filesBelow(dir.path()), QStringList({"doc.odt"}));
    QCOMPARE(TestFiles::readBytes(target), QByteArray("old"));
    {
        PendingFile pending(target);
        TestFiles::writeBytes(pending.path(), "new");
        pending.commit();
    }
    QCOMPARE(filesBelow(dir.path()), QStringList({"doc.odt"}));
    QCOMPARE(TestFiles::readBytes(target), QByteArray("new"));
}

QTEST_GUILESS_MAIN(TestZip)
#include "tst_zip.moc"
