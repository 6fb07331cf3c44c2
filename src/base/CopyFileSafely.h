#pragma once

#include <QString>

namespace dokrava {

// Copies the file source as the new content of target through a PendingFile (refused for a
// read-only target): the copy reaches the disk under a temporary name before it takes target's,
// so target is either as it was or a whole copy; a target that is a symbolic link stays one.
// Every failure throws DokravaError naming target and leaves target as it was.
void CopyFileSafely(const QString &source, const QString &target);

} // namespace dokrava
