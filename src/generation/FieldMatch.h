#pragma once

#include <QString>
#include <QStringList>
#include <QStringView>

namespace dokrava {

// How the name of a placeholder meets the names of the data table's columns, and which column a
// name that meets none was probably meant to be.

// Names shorter than this (in characters) get no suggestion by edit distance: two edits in a
// three-letter name leave almost nothing of it.
constexpr int kSuggestMinLength = 4;
// Names longer than this (in characters) get no suggestion by edit distance either: no one
// mistypes a name of that length, and a template or table made by a program should not make the
// check slow.
constexpr int kSuggestMaxLength = 200;
// At most this many edits (a letter added, dropped, changed, or two neighbours swapped) between
// a name and the column it probably means.
constexpr int kSuggestMaxEdits = 2;

// The name with letter case folded character by character, as the Word filler folds its search.
QString FoldedName(QStringView name);

// The edit distance between a and b: the fewest letters added, dropped, changed, or neighbours
// swapped (optimal string alignment), or limit + 1 when it is above limit. Takes time in
// proportion to the length of a times limit.
int EditDistance(QStringView a, QStringView b, int limit);

// Index in candidates of the one a placeholder named name probably means, -1 when none:
// 1. the first candidate equal to name once letter case and every blank (spaces, tabs, the Word
//    text's stand-in U+FFFF for tabs and breaks) are ignored;
// 2. otherwise the candidate closest to name within kSuggestMaxEdits edits, letter case ignored
//    and blank runs read as one space, when both have kSuggestMinLength to kSuggestMaxLength
//    characters; of equally close ones the first.
// Empty candidates are never chosen.
int ProbableName(const QString &name, const QStringList &candidates);

} // namespace dokrava
