#include "DiskFaults.h"
#include "TestFiles.h"

#include "base/DokravaError.h"
#include "base/CopyFileSafely.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

using namespace dokrava;

using namespace TestFiles;

class TestCopyFileSafely : public QObject
{
    Q_OBJECT

private slots:
    void copyIsWholeOrNothing_data();
    void copyIsWholeOrNothing();
};

void TestCopyFileSafely::copyIsWholeOrNothing_data()
{
    QTest::addColumn<QString>("fault");  // what goes wrong, or what is special
    QTest::addColumn<bool>("copied");    // target holds the source's bytes; otherwise its old ones
    QTest::newRow("new target") << "new" << true;
    QTest::newRow("earlier target replaced") << "" << true;
    QTest::newRow("read-only source") << "read-only source" << true;
    QTest::newRow("target is a link") << "link" << true;
    QTest::newRow("missing source") << "missing source" << false;
    QTest::newRow("read-only target") << "read-only target" << false;
    QTest::newRow("disk full") << "full" << false;
    QTest::newRow("sync fails") << "sync" << false;
}

void TestCopyFileSafely::copyIsWholeOrNothing()
{
    QFETCH(QString, fault);
    QFETCH(bool, copied);
    QTemporaryDir dir;
    const QByteArray bytes(200000, 'x');
    const QString source = dir.filePath(QStringLiteral("made/a.pdf"));
    QVERIFY(QDir().mkpath(dir.filePath(QStringLiteral("made"))));
    QVERIFY(QDir().mkpath(dir.filePath(QStringLiteral("docum"))));
    if (fault != QLatin1String("missing source"))
        writeBytes(source, bytes);
    if (fault == QLatin1String("read-only source"))
        QFile::setPermissions(source, QFile::ReadOwner);
    QString target = dir.filePath(QStringLiteral("docum/a.pdf"));
    if (fault != QLatin1String("new"))
        writeBytes(target, "old");
    if (fault == QLatin1String("read-only target"))
        QFile::setPermissions(target, QFile::ReadOwner);
    if (fault == QLatin1String("link")) {
        QVERIFY(QFile::link(target, dir.filePath(QStringLiteral("docum/link.pdf"))));
        target = dir.filePath(QStringLiteral("docum/link.pdf"));
    }
    QString error;
    {
        std::unique_ptr<DiskFaults::FileSizeLimit> limit;
        if (fault == QLatin1String("full"))
            limit = std::make_unique<DiskFaults::FileSizeLimit>(1000);
        DiskFaults::syncFails = fault == QLatin1String("sync");
        try {
            CopyFileSafely(source, target);
        } catch (const DokravaError &e) {
            error = e.message();
        }
        DiskFaults::syncFails = false;
    }
    QCOMPARE(error.isEmpty(), copied);
    if (!copied)
        QVERIFY2(error.contains(QDir::toNativeSeparators(target)), qPrintable(error));
    QCOMPARE(readBytes(target), copied ? bytes : QByteArray("old"));
    // Nothing half-written is left beside it, and a link stays a link.
    const QStringList expected = fault == QLatin1String("link") ? QStringList{"a.pdf", "link.pdf"} : QStringList{"a.pdf"};
    QCOMPARE(QDir(dir.filePath(QStringLiteral("docum"))).entryList(QDir::Files | QDir::Hidden), expected);
    if (fault == QLatin1String("link"))
        QVERIFY(QFileInfo(target).isSymLink());
    if (copied)
        QVERIFY(QFileInfo(target).isWritable());
}

QTEST_GUILESS_MAIN(TestCopyFileSafely)
#include "tst_CopyFileSafely.moc"
