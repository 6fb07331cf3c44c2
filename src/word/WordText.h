#pragma once

#include <QList>
#include <QString>
#include <QStringList>

namespace dokrava {

class XmlNode;

// Text operations over one WordprocessingML part (the main text, a header or a footer).
// Each paragraph is searched in the text Word shows: runs, proofing marks, bookmarks and field
// boundaries do not interrupt it, field codes and deleted text are not part of it, and the
// paragraphs of text boxes are searched on their own.

// Replaces every occurrence of find (letter case ignored) by value in all paragraphs below root;
// the value takes the run formatting of the run where the match starts. At most limit
// occurrences are replaced when limit is not negative. Returns the count.
int ReplaceInWordPart(XmlNode *root, const QString &find, const QString &value, int limit = -1);

// A replacement made ready once for many parts: the text to find folded, the value cleaned.
struct TWordReplacement
{
    QString foldedFind; // letter case folded as FoldedSearchText folds; empty when it can match nothing
    QString value;
};

// The replacement of find by value, ready for ReplaceInWordPart.
TWordReplacement PrepareWordReplacement(const QString &find, const QString &value);

// ReplaceInWordPart for a replacement made ready before.
int ReplaceInWordPart(XmlNode *root, const TWordReplacement &replacement, int limit = -1);

// The outermost paragraphs below root that hold a "[" in their text or in a paragraph inside them
// (a text box), in document order: no other paragraph can hold a placeholder.
QList<XmlNode *> ParagraphsWithBrackets(XmlNode *root);

// The text of every paragraph below root as ReplaceInWordPart searches it, letter case folded,
// each paragraph ended by a character no search matches.
QString FoldedSearchText(XmlNode *root);


// Appends to names each non-empty name written between "[" and the next "]" below root, the
// found text trimmed of blanks and control characters first; names already listed (letter case
// ignored) are skipped.
void CollectBracketedFields(const XmlNode *root, QStringList &names);

// The text of every paragraph below root as ReplaceInWordPart searches it, in document order
// (text boxes' paragraphs on their own): a tab, break or symbol stands there as U+FFFF, which is
// never part of a match.
QStringList WordParagraphTexts(const XmlNode *root);

// The value as the document can hold it: CR LF, CR and vertical tab become line feeds, tabs and
// line feeds stay, and characters that XML 1.0 forbids are dropped.
QString CleanWordValue(const QString &value);
// True when the value holds nothing CleanWordValue changes, as nearly every value does.
bool IsCleanWordValue(const QString &value);

} // namespace dokrava
