#pragma once

#include "base/TemplateBlocks.h"
#include "word/WordFiller.h"

#include <QStringList>

#include <optional>

namespace dokrava {

class DocxDocument;

// The template language in Word documents (see TemplateBlocks): the main text, and headers and
// footers when they are filled, where lines cannot be. Field names ignore letter case.

// How Word parts write paragraphs, tables and text.
const TBlockDialect &WordBlockDialect();

// The names the language takes as fields: the columns, then the personal fields.
QStringList WordLanguageFields(const TWordFields &fields);

// The records of the fields' group for the language: the columns' values, then the personal fields'.
TLanguageRecords WordLanguageRecords(const TWordFields &fields);

// The parts of the document the language works in for these fields: the main text, then the
// headers and footers when they are filled.
QStringList WordLanguageParts(DocxDocument &doc, const TWordFields &fields);

// True when a part the fields fill holds a word of the language that is no field's name.
bool WordUsesLanguage(DocxDocument &doc, const TWordFields &fields);

// The first template error of the language in the parts the fields fill.
std::optional<TTemplateLanguageError> WordLanguageError(DocxDocument &doc, const TWordFields &fields);

// What grouping needs of the parts the fields fill (see TemplateBlocks::Use).
TemplateBlocks::Use WordLanguageUse(DocxDocument &doc, const TWordFields &fields);

// Expands the parts for the fields' group (TWordFields::group) when they use the language, and
// gives the fields to fill them with: the columns, then the values the language made (line fields
// under names no column can have, totals) as columns of their own.
TWordFields ExpandWordLanguage(DocxDocument &doc, const TWordFields &fields);

// The fields with the values the language made as columns of their own, after the columns, for
// one document (no group).
TWordFields WordFieldsWith(const TWordFields &fields, const QList<QPair<QString, QString>> &extra);

} // namespace dokrava
