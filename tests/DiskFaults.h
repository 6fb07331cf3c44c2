#pragma once

// Disk faults for tests of safe writes: a file-size limit that makes writes fail, a write that
// fails as a full disk or a refused one makes it fail, and a sync to disk that fails. Include it
// in one source file of a test program only: it replaces the C library's fsync(), syncfs() and
// write() for the whole program.

#include <QtGlobal>

#include <atomic>

#ifdef Q_OS_LINUX
#include <cerrno>
#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace DiskFaults {

// While true, every fsync() and syncfs() fails as a failing disk makes it fail.
inline std::atomic<bool> syncFails{false};

// While not 0, every write() to a regular file fails with this error code (ENOSPC for a full
// disk, EACCES for a refused write).
inline std::atomic<int> writeFails{0};

// When set, heard with the descriptor of every fsync() that succeeded, and with that of every
// syncfs() before it flushes: what a test needs to follow which bytes have reached the disk.
inline std::atomic<void (*)(int)> onFsync{nullptr};
inline std::atomic<void (*)(int)> onSyncfs{nullptr};

// Makes writes fail with code while it lives.
class WriteFault
{
public:
    explicit WriteFault(int code) { writeFails = code; }
    ~WriteFault() { writeFails = 0; }
    WriteFault(const WriteFault &) = delete;
    WriteFault &operator=(const WriteFault &) = delete;
};

// Limits the size of the files this process writes until destroyed; a write past it fails.
class FileSizeLimit
{
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        getrlimit(RLIMIT_FSIZE, &m_old);
        m_oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit small = m_old;
        small.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &small);
    }
    ~FileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &m_old);
        std::signal(SIGXFSZ, m_oldHandler);
    }
    FileSizeLimit(const FileSizeLimit &) = delete;
    FileSizeLimit &operator=(const FileSizeLimit &) = delete;

private:
    rlimit m_old{};
    void (*m_oldHandler)(int) = nullptr;
};

} // namespace DiskFaults

extern "C" int fsync(int fd)
{
    if (DiskFaults::syncFails) {
        errno = EIO;
        return -1;
    }
    const int result = int(syscall(SYS_fsync, fd));
    if (const auto heard = DiskFaults::onFsync.load(); heard && result == 0)
        heard(fd);
    return result;
}

extern "C" int syncfs(int fd)
{
    if (DiskFaults::syncFails) {
        errno = EIO;
        return -1;
    }
    if (const auto heard = DiskFaults::onSyncfs.load())
        heard(fd);
    return int(syscall(SYS_syncfs, fd));
}

extern "C" ssize_t write(int fd, const void *buf, size_t n)
{
    struct stat st;
    if (const int code = DiskFaults::writeFails; code != 0 && fstat(fd, &st) == 0 && S_ISREG(st.st_mode)) {
        errno = code;
        return -1;
    }
    return ssize_t(syscall(SYS_write, fd, buf, n));
}
#endif
