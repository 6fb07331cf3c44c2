// Converter detection over given candidate lists and the emptying of the scratch folder.
#include "ShortProcesses.h"
#include "base/AppFolder.h"
#include "base/ScratchFolder.h"
#include "office/OfficeSuite.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

using namespace dokrava;

namespace {

void touch(const QString &path)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("x");
}

QStringList entriesOf(const QString &folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
}

} // namespace

class tst_ShellCore : public QObject
{
    Q_OBJECT

private slots:
    void findLOPath_data();
    void findLOPath();
    void defaultCandidatesForThisPlatform();
    void clearTempFolderRemovesEverything();
    void clearTempFolderLeavesLinkedFoldersAlone();
    void clearTempFolderUsesAppFolder();
    void clearTempFolderKeepsOtherRunningProcesses();
};

void tst_ShellCore::findLOPath_data()
{
    // Candidate names and which of them exist as files ("d" marks one that exists as a folder).
    QTest::addColumn<QStringList>("candidates");
    QTest::addColumn<QStringList>("present");
    QTest::addColumn<QString>("expected");
    const QStringList four = {"lo64", "lo32", "oo64", "oo32"};
    QTest::newRow("all present: first wins") << four << four << "lo64";
    QTest::newRow("only the last") << four << QStringList{"oo32"} << "oo32";
    QTest::newRow("second and fourth") << four << QStringList{"lo32", "oo32"} << "lo32";
    QTest::newRow("none") << four << QStringList{} << "";
    QTest::newRow("a folder is no converter") << four << QStringList{"d:lo64", "oo64"} << "oo64";
    QTest::newRow("elsewhere is not found") << four << QStringList{"other"} << "";
    QTest::newRow("empty list") << QStringList{} << QStringList{"lo64"} << "";
}

void tst_ShellCore::findLOPath()
{
    QFETCH(QStringList, candidates);
    QFETCH(QStringList, present);
    QFETCH(QString, expected);
    QTemporaryDir dir;
    for (const QString &name : present) {
        if (name.startsWith("d:"))
            QVERIFY(QDir(dir.path()).mkpath(name.mid(2)));
        else
            touch(dir.filePath(name));
    }
    QStringList paths;
    for (const QString &name : candidates)
        paths << dir.filePath(name);
    QString path = "stale";
    const bool found = FindLOPath(path, paths);
    QCOMPARE(found, !expected.isEmpty());
    QCOMPARE(path, expected.isEmpty() ? QString() : dir.filePath(expected));
}

void tst_ShellCore::defaultCandidatesForThisPlatform()
{
    const QStringList list = DefaultLOCandidates();
#if defined(Q_OS_WIN)
    // The 64-bit program folder first, whatever drive and language the system has.
    QCOMPARE(list.first(), qEnvironmentVariable("ProgramW6432", qEnvironmentVariable("ProgramFiles"))
                               + "\\LibreOffice\\program\\soffice.exe");
    QVERIFY(list.contains("C:\\Program Files (x86)\\LibreOffice\\program\\soffice.exe", Qt::CaseInsensitive));
    QCOMPARE(list.last(), "C:\\Program Files (x86)\\OpenOffice 4\\program\\soffice.exe");
#elif defined(Q_OS_MACOS)
    QCOMPARE(list, QStringList{"/Applications/LibreOffice.app/Contents/MacOS/soffice"});
#else
    QCOMPARE(list, (QStringList{"/usr/bin/soffice", "/usr/lib/libreoffice/program/soffice",
                                "/opt/libreoffice/program/soffice", "/snap/bin/libreoffice"}));
#endif
}

void tst_ShellCore::clearTempFolderRemovesEverything()
{
    QTemporaryDir dir;
    const QString temp = dir.filePath("temp");
    touch(temp + "/plain.txt");
    touch(temp + "/.hidden");
    touch(temp + "/{4F1D}/content.xml");
    touch(temp + "/{4F1D}/META-INF/.manifest");
    touch(temp + "/.hiddenfolder/deep/deeper/file");
    touch(temp + "/readonly.txt");
    QFile::setPermissions(temp + "/readonly.txt", QFileDevice::ReadOwner);
    QVERIFY(QDir(temp).mkpath("empty folder"));

    ClearTempFolder(temp);
    QVERIFY(QFileInfo(temp).isDir());
    QCOMPARE(entriesOf(temp), QStringList());
}

void tst_ShellCore::clearTempFolderLeavesLinkedFoldersAlone()
{
    QTemporaryDir dir;
    const QString temp = dir.filePath("temp");
    const QString outside = dir.filePath("outside");
    touch(outside + "/keep.txt");
    QVERIFY(QDir().mkpath(temp));
    if (!QFile::link(outside, temp + "/link"))
        QSKIP("No symbolic links here");
    ClearTempFolder(temp);
    QCOMPARE(entriesOf(temp), QStringList());
    QVERIFY(QFile::exists(outside + "/keep.txt"));
}

void tst_ShellCore::clearTempFolderUsesAppFolder()
{
    QTemporaryDir dir;
    AppFolder::setOverride(dir.path());
    touch(dir.filePath("temp/a/b.txt"));
    touch(dir.filePath("settings.ini"));
    ClearTempFolder();
    QCOMPARE(entriesOf(dir.filePath("temp")), QStringList());
    QVERIFY(QFile::exists(dir.filePath("settings.ini")));
    AppFolder::setOverride(QString());
}

void tst_ShellCore::clearTempFolderKeepsOtherRunningProcesses()
{
    QTemporaryDir dir;
    AppFolder::setOverride(dir.path());
    QProcess running;
    QProcess ended;
    ShortProcesses::startWaiting(running);
    ShortProcesses::startEnding(ended);
    QVERIFY(running.waitForStarted());
    QVERIFY(ended.waitForFinished());
    const QString live = QString::number(running.processId());
    const QString dead = QString::number(ended.processId());
    touch(dir.filePath("temp/" + live + "/Dokrava_ODT_{1}/content.xml"));
    touch(dir.filePath("temp/" + dead + "/lo_profile/user/registrymodifications.xcu"));
    touch(ProcessTempDir() + "/Dokrava_DOC_{2}/a.docx");
    touch(dir.filePath("temp/old.odt"));
    ClearTempFolder();
    QCOMPARE(entriesOf(dir.filePath("temp")), QStringList{live});
    QCOMPARE(entriesOf(dir.filePath("temp/" + live)), QStringList{"Dokrava_ODT_{1}"});
    running.kill();
    running.waitForFinished();
    AppFolder::setOverride(QString());
}

QTEST_GUILESS_MAIN(tst_ShellCore)
#include "tst_ShellCore.moc"
