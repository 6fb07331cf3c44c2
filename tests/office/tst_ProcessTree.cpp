// Ending a converter ends the programs it started too (a process group on Linux, a job object on
// Windows). The program under test is this test program itself, started as "--child", which
// starts itself again as "--grandchild" and writes that one's process id to a file.
#include "base/ProcessState.h"
#include "office/ProcessTree.h"

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

using namespace dokrava;

class tst_ProcessTree : public QObject
{
    Q_OBJECT
private slots:
    void killEndsTheGrandchild_data();
    void killEndsTheGrandchild();
};

namespace {

// The middle program: starts the grandchild, tells its id, then waits to be ended.
int runChild(const QString &pidFile)
{
    QProcess grandchild;
    grandchild.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--grandchild")});
    if (!grandchild.waitForStarted())
        return 1;
    QFile file(pidFile);
    if (!file.open(QIODevice::WriteOnly))
        return 1;
    file.write(QByteArray::number(grandchild.processId()));
    file.close();
    QThread::sleep(60);
    return 0;
}

qint64 waitForPid(const QString &pidFile)
{
    for (int i = 0; i < 200; ++i) {
        QFile file(pidFile);
        if (file.open(QIODevice::ReadOnly)) {
            const qint64 pid = file.readAll().toLongLong();
            if (pid > 0)
                return pid;
        }
        QThread::msleep(50);
    }
    return 0;
}

} // namespace

void tst_ProcessTree::killEndsTheGrandchild_data()
{
    QTest::addColumn<bool>("byGroup");
    QTest::newRow("kill, from the starting thread") << false;
    QTest::newRow("killGroup, as a cancel from another thread does") << true;
}

void tst_ProcessTree::killEndsTheGrandchild()
{
    QFETCH(bool, byGroup);
    QTemporaryDir dir;
    const QString pidFile = dir.filePath(QStringLiteral("grandchild.pid"));
    QProcess child;
    ProcessTree::prepare(child);
    child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--child"), pidFile});
    QVERIFY(child.waitForStarted());
    const qint64 grandchild = waitForPid(pidFile);
    QVERIFY2(grandchild > 0, "the child started no grandchild");
    QVERIFY(ProcessState::isRunning(grandchild));
    if (byGroup) {
        ProcessTree::killGroup(child.processId());
        QVERIFY(child.waitForFinished(5000));
    } else {
        ProcessTree::kill(child);
    }
    QCOMPARE(child.state(), QProcess::NotRunning);
    QTRY_VERIFY_WITH_TIMEOUT(!ProcessState::isRunning(grandchild), 5000);
}

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.value(1) == QLatin1String("--child"))
        return runChild(args.value(2));
    if (args.value(1) == QLatin1String("--grandchild")) {
        QThread::sleep(60);
        return 0;
    }
    tst_ProcessTree test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_ProcessTree.moc"
