#include "TestFiles.h"

#include "office/ConverterProfile.h"

#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

using namespace TestFiles;

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

QTEST_GUILESS_MAIN(TestConverterProfile)
#include "tst_ConverterProfile.moc"
