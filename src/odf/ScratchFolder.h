#pragma once

#include <QString>

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
