#pragma once

#include <QString>

namespace dokrava {

// Judging a file that the office suite's converter wrote: a converter killed halfway, or one
// that failed after it had started writing, leaves a file that exists but is no document.
namespace ConvertedFile {

// True when the file at path is a complete file of the kind its extension names: a PDF starts
// with "%PDF-" and has "%%EOF" in its last 1 KiB; ".docx", ".xlsx", ".odt" and ".ods" open with
// the ZIP reader; ".xls" opens with libfreexl; ".doc" carries the compound-file signature. A file
// of any other kind only has to be non-empty.
bool isComplete(const QString &path);

// The name the converter gives the file it makes from source in format (the converter's target,
// "pdf" or "doc:MS Word 97"): the source's name with the format's extension.
QString name(const QString &source, const QString &format);

// True when the file at path starts with "%PDF-" and has "%%EOF" in its last 1 KiB, whatever its
// name.
bool isCompletePdf(const QString &path);

} // namespace ConvertedFile

} // namespace dokrava
