#pragma once

#include <QProcess>
#include <QStringList>

// Processes of the system's own commands for tests that need a process id: one that runs until
// it is ended, one that ends at once.
namespace ShortProcesses {

// Starts a process that waits until it is killed (a line that never comes, or a long sleep).
inline void startWaiting(QProcess &p)
{
#ifdef Q_OS_WIN
    p.start(QStringLiteral("cmd"), {QStringLiteral("/c"), QStringLiteral("set /p line=")});
#else
    p.start(QStringLiteral("sleep"), {QStringLiteral("30")});
#endif
}

// Starts a process that ends at once.
inline void startEnding(QProcess &p)
{
#ifdef Q_OS_WIN
    p.start(QStringLiteral("cmd"), {QStringLiteral("/c"), QStringLiteral("exit 0")});
#else
    p.start(QStringLiteral("true"));
#endif
}

} // namespace ShortProcesses
