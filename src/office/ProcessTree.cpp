#include "office/ProcessTree.h"

#include <QProcess>

#ifdef Q_OS_WIN
#include <QHash>
#include <mutex>
#include <qt_windows.h>
#include <tlhelp32.h>
#else
#include <csignal>
#include <sys/types.h>
#include <unistd.h>
#endif
#ifdef Q_OS_LINUX
#include <sys/prctl.h>
#endif

namespace dokrava {

#ifdef Q_OS_WIN
namespace {

// Each started converter runs in a job object of its own, which holds every process it starts:
// ending the job ends them all, and closing its last handle too (KILL_ON_JOB_CLOSE), so they end
// with this program even when it is killed.
std::mutex jobsMutex;
QHash<qint64, HANDLE> jobs;

HANDLE newJob()
{
    HANDLE job = CreateJobObjectW(nullptr, nullptr);
    if (!job)
        return nullptr;
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits = {};
    limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
    SetInformationJobObject(job, JobObjectExtendedLimitInformation, &limits, sizeof limits);
    return job;
}

// The process was created suspended, so it could start no child before it joined its job.
void resumeThreadsOf(DWORD pid)
{
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    if (snapshot == INVALID_HANDLE_VALUE)
        return;
    THREADENTRY32 entry = {};
    entry.dwSize = sizeof entry;
    for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry)) {
        if (entry.th32OwnerProcessID != pid)
            continue;
        if (HANDLE thread = OpenThread(THREAD_SUSPEND_RESUME, FALSE, entry.th32ThreadID)) {
            ResumeThread(thread);
            CloseHandle(thread);
        }
    }
    CloseHandle(snapshot);
}

void adopt(qint64 pid)
{
    HANDLE job = newJob();
    HANDLE process = OpenProcess(PROCESS_SET_QUOTA | PROCESS_TERMINATE, FALSE, DWORD(pid));
    // Without a job (a system that refuses it) the tree is still ended through taskkill.
    if (job && process && AssignProcessToJobObject(job, process)) {
        std::lock_guard<std::mutex> lock(jobsMutex);
        jobs.insert(pid, job);
    } else if (job) {
        CloseHandle(job);
    }
    if (process)
        CloseHandle(process);
    resumeThreadsOf(DWORD(pid));
}

// Closing the job ends what the converter left running after its own end.
void release(qint64 pid)
{
    std::lock_guard<std::mutex> lock(jobsMutex);
    if (HANDLE job = jobs.take(pid))
        CloseHandle(job);
}

} // namespace
#endif

namespace ProcessTree {

void prepare(QProcess &process)
{
#ifdef Q_OS_WIN
    process.setCreateProcessArgumentsModifier([](QProcess::CreateProcessArguments *args) {
        args->flags |= CREATE_SUSPENDED;
    });
    QObject::connect(&process, &QProcess::started, &process, [&process] {
        const qint64 pid = process.processId();
        adopt(pid);
        QObject::connect(&process, &QProcess::finished, &process, [pid] { release(pid); }, Qt::DirectConnection);
        QObject::connect(&process, &QObject::destroyed, [pid] { release(pid); });
    }, Qt::DirectConnection);
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
    {
        std::lock_guard<std::mutex> lock(jobsMutex);
        if (HANDLE job = jobs.value(pid)) {
            TerminateJobObject(job, 1);
            return;
        }
    }
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

} // namespace dokrava
