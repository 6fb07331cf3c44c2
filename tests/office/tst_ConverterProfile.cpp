#include "TestFiles.h"

#include "base/AppFolder.h"
#include "base/DokravaError.h"
#include "office/ConverterProfile.h"

#include <QDir>
#include <QElapsedTimer>
#include <QLockFile>
#include <QTemporaryDir>
#include <QtTest>

#include <vector>

#ifdef Q_OS_WIN
#include <qt_windows.h>
#endif

using namespace dokrava;

using namespace TestFiles;

namespace {

// Sets the modification time of a lock file another holder keeps open: Windows lets that holder
// refuse others a share of the data, never a change of the times.
bool setModified(const QString &path, const QDateTime &when)
{
#ifdef Q_OS_WIN
    const HANDLE h = CreateFileW(reinterpret_cast<const wchar_t *>(QDir::toNativeSeparators(path).utf16()),
                                 FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                 nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return false;
    // FILETIME counts 100 ns steps from 1601-01-01.
    const quint64 ticks = quint64(when.toMSecsSinceEpoch() + 11644473600000LL) * 10000;
    const FILETIME time{DWORD(ticks & 0xFFFFFFFFu), DWORD(ticks >> 32)};
    const bool ok = SetFileTime(h, nullptr, nullptr, &time);
    CloseHandle(h);
    return ok;
#else
    QFile file(path);
    return file.open(QIODevice::ReadWrite) && file.setFileTime(when, QFileDevice::FileModificationTime);
#endif
}

} // namespace

namespace {

const QByteArray kSeen = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                         "<oor:items xmlns:oor=\"http://openoffice.org/2001/registry\">\n"
                         "<item oor:path=\"/org.openoffice.Setup/Product\"><prop oor:name=\"ooSetupLastVersion\" "
                         "oor:op=\"fuse\"><value>7.4</value></prop></item>\n"
                         "</oor:items>\n";

QByteArray fixture(const char *name)
{
    return readBytes(QStringLiteral(DOKRAVA_TEST_DATA "/office/") + QLatin1String(name));
}

} // namespace

class TestConverterProfile : public QObject
{
    Q_OBJECT

private slots:
    void profileIsMarkedAsHavingSeenEveryVersion_data();
    void profileIsMarkedAsHavingSeenEveryVersion();
    void oneConverterPerProfileFolder_data();
    void oneConverterPerProfileFolder();
};

void TestConverterProfile::profileIsMarkedAsHavingSeenEveryVersion_data()
{
    QTest::addColumn<QByteArray>("before"); // null: no profile yet
    QTest::addColumn<bool>("marked");       // the item is added; otherwise the file stays as it was
    QTest::newRow("new profile") << QByteArray() << true;
    QTest::newRow("profile the suite made")
        << fixture("converter_profile_that_reruns_self_tests_at_every_start.xcu") << true;
    QTest::newRow("profile that has seen a version") << kSeen << false;
    QTest::newRow("damaged settings") << QByteArray("<oor:items><item oor:path=\"/x\">") << false;
    QTest::newRow("settings without items") << QByteArray("<oor:items/>") << false;
}

void TestConverterProfile::profileIsMarkedAsHavingSeenEveryVersion()
{
    QFETCH(QByteArray, before);
    QFETCH(bool, marked);
    QTemporaryDir dir;
    const QString settings = dir.filePath(QStringLiteral("profile/user/registrymodifications.xcu"));
    if (!before.isNull()) {
        QVERIFY(QDir().mkpath(dir.filePath(QStringLiteral("profile/user"))));
        writeBytes(settings, before);
    }
    PrepareConverterProfile(dir.filePath(QStringLiteral("profile")));
    const QByteArray after = readBytes(settings);
    if (!marked) {
        QCOMPARE(after, before);
        return;
    }
    QCOMPARE(after.count("oor:name=\"ooSetupLastVersion\""), 1);
    QVERIFY(after.contains("<value>9999.9</value>"));
    // What the suite wrote stays, and the file stays one document.
    for (const QByteArray &line : before.split('\n'))
        if (line.startsWith("<item"))
            QVERIFY2(after.contains(line), line.constData());
    QVERIFY(after.trimmed().endsWith("</oor:items>"));
    QCOMPARE(after.count("</oor:items>"), 1);
    // Once marked, a profile is left alone.
    PrepareConverterProfile(dir.filePath(QStringLiteral("profile")));
    QCOMPARE(readBytes(settings), after);
}

void TestConverterProfile::oneConverterPerProfileFolder_data()
{
    QTest::addColumn<int>("held");        // folders 0 .. held-1 are held by other converters
    QTest::addColumn<int>("heldForMin");  // ... taken that many minutes ago
    QTest::addColumn<bool>("rootIsFile"); // "lo_profiles" is a file: no folder can be made
    QTest::addColumn<bool>("cancel");     // the wait is cancelled
    QTest::addColumn<QString>("taken");   // the folder taken; empty: none
    QTest::addColumn<QString>("error");   // the start of the message thrown; empty: none
    QTest::newRow("free") << 0 << 0 << false << false << "0" << "";
    QTest::newRow("first one held") << 1 << 0 << false << false << "1" << "";
    // A long batch of another copy of the program keeps its folder.
    QTest::newRow("held for an hour") << 2 << 60 << false << false << "2" << "";
    QTest::newRow("every one held, wait runs out")
        << ConverterProfile::kSlots << 0 << false << false << "" << "Все папки профилей LibreOffice";
    QTest::newRow("every one held, wait cancelled") << ConverterProfile::kSlots << 0 << false << true << "" << "";
    QTest::newRow("no folder can be made")
        << 0 << 0 << true << false << "" << "Не удалось подготовить папку профиля LibreOffice";
}

void TestConverterProfile::oneConverterPerProfileFolder()
{
    QFETCH(int, held);
    QFETCH(int, heldForMin);
    QFETCH(bool, rootIsFile);
    QFETCH(bool, cancel);
    QFETCH(QString, taken);
    QFETCH(QString, error);
    QTemporaryDir dir;
    AppFolder::setOverride(dir.path());
    const QString root = dir.filePath(QStringLiteral("lo_profiles"));
    if (rootIsFile)
        writeBytes(root, "not a folder");
    else
        QVERIFY(QDir().mkpath(root));
    std::vector<std::unique_ptr<QLockFile>> others;
    for (int k = 0; k < held; ++k) {
        const QString lockPath = root + QStringLiteral("/%1.lock").arg(k);
        others.push_back(std::make_unique<QLockFile>(lockPath));
        QVERIFY(others.back()->tryLock(0));
        QVERIFY(setModified(lockPath, QDateTime::currentDateTimeUtc().addSecs(-60 * heldForMin)));
    }
    QElapsedTimer clock;
    clock.start();
    // A wait that is cancelled would otherwise run its whole minute.
    const int waitMs = cancel ? 60000 : 400;
    QString thrown;
    std::unique_ptr<ConverterProfile> profile;
    try {
        profile = ConverterProfile::take(waitMs, [&] { return cancel && clock.elapsed() > 200; });
    } catch (const DokravaError &e) {
        thrown = e.message();
    }
    AppFolder::setOverride(QString());
    QVERIFY2(error.isEmpty() ? thrown.isEmpty() : thrown.startsWith(error), qPrintable(thrown));
    QVERIFY(clock.elapsed() < 10000);
    QCOMPARE(profile ? QDir(root).relativeFilePath(profile->folder()) : QString(), taken);
    if (!profile)
        return;
    QVERIFY(QFileInfo::exists(profile->folder() + QStringLiteral("/user/registrymodifications.xcu")));
    // Held until released, then free for the next converter.
    QLockFile again(profile->folder() + QStringLiteral(".lock"));
    QVERIFY(!again.tryLock(0));
    profile.reset();
    QVERIFY(again.tryLock(0));
}

QTEST_GUILESS_MAIN(TestConverterProfile)
#include "tst_ConverterProfile.moc"
