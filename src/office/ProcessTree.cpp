#include "office/ProcessTree.h"

#include <QProcess>

#ifdef Q_OS_WIN
#include <QStringList>
#else
#include <csignal>
#include <sys/types.h>
#include <unistd.h>
#endif
#ifdef Q_OS_LINUX
#include <sys/prctl.h>
#endif

namespace ProcessTree {

void prepare(QProcess &process)
{
#ifdef Q_OS_WIN
    Q_UNUSED(process);
#else
    // A group of its own: the office suite's launcher starts the real converter as a child.
    process.setChildProcessModifier([] {
        ::setpgid(0, 0);
#ifdef Q_OS_LINUX
        // Ended with us when this program is killed and cannot end it itself.
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
#endif
    });
#endif
}

void killGroup(qint64 pid)
{
    if (pid <= 0)
        return;
#ifdef Q_OS_WIN
    QProcess::execute(QStringLiteral("taskkill"),
                      {QStringLiteral("/PID"), QString::number(pid), QStringLiteral("/T"), QStringLiteral("/F")});
#else
    ::kill(-pid_t(pid), SIGKILL);
#endif
}

void kill(QProcess &process)
{
    killGroup(process.processId());
    process.kill();
    process.waitForFinished(5000);
}

} // namespace ProcessTree
