#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

class QFileDevice;

namespace dokrava {

// The one way this program replaces a file: the new content is written beside the target, reaches
// the disk, and then replaces the target in one step, so a failed or interrupted write never
// leaves a half-written file under the target's name and keeps the old one. A target that is a
// symbolic link stays one: the file it points to is replaced.
class PendingFile
{
public:
    // Picks a fresh temporary name in the folder of the file that target names (its links
    // followed); nothing is created yet.
    explicit PendingFile(const QString &target);
    // Removes the temporary file unless commit() has moved it.
    ~PendingFile();

    PendingFile(const PendingFile &) = delete;
    PendingFile &operator=(const PendingFile &) = delete;

    // Where to write the new contents.
    QString path() const { return m_temp; }
    // The final name, as the caller gave it (the name shown to the user).
    QString target() const { return m_target; }
    // The file the target names once its links are followed, as found when this was made: the
    // file commit() replaces.
    QString realTarget() const { return m_real; }
    // Forces what was written onto the disk now (the slow part of a commit, which a worker
    // thread may take); throws DokravaError naming the target on failure.
    void sync();
    // Says that what was written is on the disk already, made so by one flush for many files
    // (SyncFilesTogether): commit() then syncs nothing more.
    void markSynced() { m_synced = true; }
    // True once what was written is on the disk (sync or markSynced).
    bool isSynced() const { return m_synced; }
    // Moves the written file over the target (replacing it); throws DokravaError on failure.
    void commit();

private:
    QString m_target;
    QString m_real;
    QString m_temp;
    bool m_committed = false;
    bool m_synced = false;
};

// The file that path names once symbolic links are followed (path itself when it is no link,
// or when the links go round in a circle).
QString FollowLinks(const QString &path);

// Forces the data of the file at path onto the disk (fsync; FlushFileBuffers on Windows); false when the
// file cannot be opened for writing or the system reports a failure.
bool SyncToDisk(const QString &path);

// Forces the data of the files at paths, and the names given before in folders, onto the disk
// in one flush per file system they lie on (syncfs on Linux), or, where the system has no such
// call, each file's own sync and each folder's; false when a flush fails or a file cannot be
// reached.
bool SyncFilesTogether(const QStringList &paths, const QStringList &folders = {});

// Forces the entries of folder (names just given to files there) onto the disk; false on
// failure. Where folders cannot be synced (Windows, which keeps names with their files) true.
bool SyncFolder(const QString &folder);

// Moves source over target in one step, replacing it and keeping its permissions. The data of
// source reaches the disk first (unless synced says it did already), and a target that is a symbolic link is followed, so the link
// keeps pointing to the new content. On failure removes source and throws DokravaError naming
// target.
void ReplaceFileWith(const QString &source, const QString &target, bool synced = false);

// Removes, in folder and below, the temporary files of pending files whose writing process no
// longer runs (a run that was killed); returns how many went. Those of running processes stay.
int RemoveAbandonedPendingFiles(const QString &folder);

// Removes, beside the file that target names (its links followed), the temporary files that
// this computer's pending files for it left when their process ended midway (a save that was
// killed); returns how many went. Those of running processes, of other files and of other
// computers sharing the folder stay.
int RemoveAbandonedPendingFilesOf(const QString &target);

// Throws DokravaError naming the target when it exists and may not be written (read-only by its
// permission bits, for an administrator too).
void CheckWritable(const QString &target);

// Writes every byte of data to the open file, again after a short write, and flushes it; false
// on failure, with the cause in file's error (a short write alone would name none).
bool WriteWhole(QFileDevice &file, const QByteArray &data);

// Writes data as the new content of target through a PendingFile (refused for a read-only target).
// Every failure throws DokravaError naming target and leaves target as it was.
void WriteFileSafely(const QString &target, const QByteArray &data);

} // namespace dokrava
