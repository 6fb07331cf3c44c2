#pragma once

#include <QString>
#include <string>

namespace dokrava {

// Windows limits a path given to its file functions to 260 characters (248 for a folder) unless it
// is written in the \\?\ form, which the system passes on unchanged. These turn the program's paths
// into that form where the limit would bite; the rules are plain text, the same on every system.

// The path with backslashes; an absolute path ("C:\…", "\\server\share\…") of 248 characters or
// more in the \\?\ form ("\\?\C:\…", "\\?\UNC\server\share\…"), "." and ".." resolved and doubled
// separators joined, since that form is not normalised by the system. A relative path, a short one
// and one already in that form stay as they are, but for the separators.
QString LongPathForm(const QString &path);

// LongPathForm as the UTF-16 string the wide Windows functions take.
std::wstring WidePath(const QString &path);

} // namespace dokrava
