#pragma once

#include <QString>

namespace dokrava {

// The kind of a template, told by its file name's extension (letter case ignored): the one place
// that decides whether a template is an OpenDocument text, a Word package or a legacy Word file.
enum class TemplateKind {
    None, // no template: any other extension ("x.odtx", "x.rtf")
    Odt,  // ".odt": filled by the OpenDocument filler, field names matched exactly
    Docx, // ".docx": a Word package, field names matched ignoring letter case
    Doc,  // ".doc": legacy Word, read through the converter unless it is a package after all
};

// The kind that fileName's extension names; fileName may carry folders.
TemplateKind TemplateKindOf(const QString &fileName);

// True for ".docx" and ".doc": the Word filler's templates.
bool IsWordKind(TemplateKind kind);

} // namespace dokrava
