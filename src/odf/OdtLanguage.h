#pragma once

#include "base/TemplateBlocks.h"
#include "odf/OdtText.h"

#include <QList>
#include <QString>

#include <memory>

namespace dokrava {

class XmlNode;

// The template language in ".odt" parts (see TemplateBlocks): the body in "content.xml", headers
// and footers in "styles.xml", where lines cannot be. A template without a word of the language
// that is no column's name is filled as it always was.

// How ".odt" parts write paragraphs, tables, lists and text.
const TBlockDialect &OdtBlockDialect();

// True when the part's text holds a placeholder that may be a word of the language whatever the
// columns: only then is the part read as a tree.
bool OdtTextMayUseLanguage(const QString &text);

// The part read as a tree; throws DokravaError naming the part when it is no well-formed XML.
std::unique_ptr<XmlNode> OdtPartTree(const QString &text, const QString &partName);

// The records of a document for the language: Group's first record names the fields.
TLanguageRecords OdtLanguageRecords(const QList<TFieldValues> &Group);

// Expands a part's tree (a copy the caller owns) for the records and gives its text; the pairs
// for the filler are appended to extra.
QString ExpandOdtPart(XmlNode *tree, const QString &partName, const TLanguageRecords &records, TFieldValues &extra);

// Appends to extra the totals of the placeholder names of a document's parts, summed over the records.
void AddOdtTotals(const QStringList &names, const TLanguageRecords &records, TFieldValues &extra);

// The totals among these placeholder names for these fields, in order, worked out once for
// AddOdtTotals().
QList<TemplateBlocks::Total> OdtTotals(const QStringList &names, const QStringList &fields);
void AddOdtTotals(const QList<TemplateBlocks::Total> &totals, const TLanguageRecords &records, TFieldValues &extra);

// The first template error of a part's tree for these fields, with the paragraph it is in.
std::optional<TTemplateLanguageError> OdtLanguageError(XmlNode *tree, const QString &partName, const QStringList &fields);

// True when a part's tree holds a word of the language for these fields.
bool OdtTreeUsesLanguage(XmlNode *tree, const QStringList &fields);

} // namespace dokrava
