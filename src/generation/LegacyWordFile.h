#pragma once

#include "office/ConvertDocument.h"
#include "word/WordFiller.h"

#include <QString>

namespace dokrava {

// Legacy Word files (".doc"): telling them apart, and the converter's part in reading and
// writing them.

// True when the Word template at path is in the legacy format: not a ZIP package and not named ".docx".
bool IsLegacyWordFile(const QString &path);

// True for the output extensions (lower case) a legacy template's document is converted to.
bool IsLegacyWordOutput(const QString &suffix);

// The converter's name for the legacy format of an output extension ("doc:MS Word 97", "rtf").
QString LegacyWordFormat(const QString &suffix);

// Converts a legacy Word file into a .docx in folder; throws DokravaError without a converter
// ("Для шаблонов .doc нужен LibreOffice") or when the conversion fails. stop, when it turns
// true, ends a wait for a free converter profile folder.
QString ConvertToDocx(const QString &path, const QString &folder, const QString &converter,
                      int waitMs = kConversionWaitMs, const std::atomic<bool> *stop = nullptr);

} // namespace dokrava
