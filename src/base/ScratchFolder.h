#pragma once

#include <QString>

namespace dokrava {

// The scratch folder "temp" beside the executable holds one sub-folder per running process of
// the program (the window, each command line call), named after its process id, so one process
// never empties another's.

// This process's own scratch folder: "temp" + separator + process id, without a trailing
// separator. Created by whoever first needs it.
QString ProcessTempDir();

// Empties "temp" beside the executable of everything but the folders of other processes of the
// program that still run: this process's own folder, those of processes that ended (a killed
// run's included) and any other leftover go. The folder "temp" itself stays.
void ClearTempFolder();

// Deletes every entry of folder (hidden and read-only ones, nested folders with their content);
// an entry that cannot be deleted stays, silently. A missing folder is left alone.
void ClearTempFolder(const QString &folder);

// Removes this process's own scratch folder with its content (at the end of the process).
void RemoveProcessTempDir();

// A fresh UUID in its 38-character registry form: braces, upper-case hex in groups 8-4-4-4-12.
QString GenerateUniqueName();

// The prefix of every scratch folder of this process: its own folder under "temp" beside the
// executable + separator + "Dokrava_".
QString DefaultTempPath();

// A private scratch folder for one operation, created at construction (with missing parents)
// and removed with all its contents at destruction, best effort.
class ScratchFolder
{
public:
    // Creates DefaultTempPath() + prefix + GenerateUniqueName(); throws DokravaError on failure.
    explicit ScratchFolder(const QString &prefix);
    // Creates base + prefix + GenerateUniqueName(), base being a path prefix such as FTempPath.
    ScratchFolder(const QString &base, const QString &prefix);
    // Removes the folder and everything in it; what cannot be removed stays without an error.
    ~ScratchFolder();

    ScratchFolder(const ScratchFolder &) = delete;
    ScratchFolder &operator=(const ScratchFolder &) = delete;

    // The folder, with native separators and no trailing separator.
    QString path() const { return m_path; }
    // A path inside the folder ("/" or native separators in relative both work).
    QString filePath(const QString &relative) const;

private:
    QString m_path;
};

} // namespace dokrava
