#pragma once

#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>

namespace dokrava {

// Text functions of the .odt filler and field scan. They work on the text of one XML part,
// markup included, and never parse it as a tree: a placeholder is a "]" and the last "[" before
// it, wholly in text content (not across two paragraphs) or wholly in one attribute value.

// Field name -> value pairs, applied in list order (the data table's column order).
using TFieldValues = QList<QPair<QString, QString>>;

// The text without markup ("<" ... ">" dropped), trimmed of characters with codes up to 32.
QString StripTags(const QString &Text);

// The five predefined references (&amp; &lt; &gt; &quot; &apos;) turned back into characters in
// one pass from left to right; any other "&" stays as it is.
QString DecodeXmlReferences(const QString &Text);

// The name a placeholder's inner text stands for: markup dropped, references resolved, trimmed.
QString PlaceholderName(const QString &Inner);

// The text without the characters XML 1.0 forbids (controls other than tab, LF, CR; U+FFFE,
// U+FFFF; unpaired surrogates).
QString DropForbiddenXmlChars(const QString &Text);

// A plain value as OpenDocument text content: forbidden characters dropped, escaped, line ends
// as <text:line-break/>, tabs as <text:tab/>, runs of spaces kept with <text:s/>.
QString OdfTextContent(const QString &Value);

// Text with every placeholder named Field replaced by Value (already escaped). Markup between
// the brackets that is not balanced by itself is kept after the value, so the part stays
// well-formed; in text content line ends and tabs of Value become ODF elements.
QString ReplaceVariable(const QString &Text, const QString &Field, const QString &Value);

// The text that takes a placeholder's place for a value already escaped: text content (line
// ends, tabs and runs of spaces as ODF elements), or attribute content when InTag.
QString PlaceholderValue(const QString &EscapedValue, bool InTag);

// PlaceholderValue(XmlEscaped(Value, XmlEscapeFor::Markup), InTag) as UTF-8, found at once for the many values that
// need neither escaping nor elements.
QByteArray PlaceholderBytes(const QString &Value, bool InTag);

// One placeholder ReplaceVariable would fill, found in a single pass over a part's text.
struct TPlaceholderSpan
{
    qsizetype open = 0;  // position of "["
    qsizetype close = 0; // position of the first "]" after it
    bool inTag = false;  // inside a tag (an attribute value)
    QString name;        // PlaceholderName of the text between
    QString keptTags;    // markup between the brackets that stays after the value
};

// Every placeholder of Text that a replacement may fill, in order.
QList<TPlaceholderSpan> FindPlaceholders(const QString &Text);

// Text with all pairs of Data applied in order, each value escaped first. A placeholder
// "[Поле:формат]" whose whole name is no pair's takes the value of the pair "Поле" written in the
// format (see FieldFormat.h); an unknown format or a value that does not fit leaves it as it is.
QString ReplaceVariables(const QString &Text, const TFieldValues &Data);

// Appends the name of every placeholder of Text (non-empty names only, in order met).
void CollectVariables(const QString &Text, QStringList &List);

} // namespace dokrava
