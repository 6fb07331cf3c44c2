#pragma once

#include <QStringList>

namespace dokrava {

// The names sorted by the user's locale collation with letter case ignored, one entry per name
// (names that differ only in letter case count as one; the first met is kept).
QStringList SortFieldNames(const QStringList &names);

} // namespace dokrava
