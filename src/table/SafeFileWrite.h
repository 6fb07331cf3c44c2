#pragma once

#include <QByteArray>
#include <QString>

// Writing a data file without ever leaving a half-written one under its name: the new content
// goes to a sibling file, reaches the disk, and then replaces the target in one step. A target
// that is a symbolic link stays one; the file it points to gets the new content.
namespace SafeFileWrite {

// A new, unused file name with the target's extension, in the folder of the file the target
// names (its links followed).
QString siblingTempPath(const QString &target);

// Throws DokravaError naming the target when it exists and may not be written.
void checkWritable(const QString &target);

// Moves source over target in one step (replacing it); throws DokravaError naming the target
// and removes source when that fails.
void replaceFile(const QString &source, const QString &target);

// Writes data beside target and moves it over target (refused for a read-only target). Every
// failure throws DokravaError naming target and leaves target as it was.
void writeFile(const QString &target, const QByteArray &data);

} // namespace SafeFileWrite
