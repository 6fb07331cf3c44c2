#pragma once

#include <QList>
#include <QString>
#include <QStringList>

namespace dokrava {

// What the check before a run reads of one template: the names of its placeholders by the rule
// its filler uses, and the text of its paragraphs. Each template is read once.
struct TTemplateContent
{
    // ".odt": names as the OpenDocument filler finds them in "content.xml" and "styles.xml"
    // (page headers and footers included), each exact form once, in the order met.
    // Word: names between a "[" and the next "]" of a paragraph of the main text (the last "["
    // before that "]", as the filler's search for "[name]" finds it), each once with letter case
    // ignored, in the order met; a tab or break inside stands there as U+FFFF.
    QStringList bodyFields;
    // Word only: the names in headers and footers, by the same rule, each once.
    QStringList headerFooterFields;
    // The text of every paragraph, headers and footers included; tabs, line breaks and the
    // Word text's U+FFFF read as spaces.
    QStringList paragraphs;
};

// Reads an ".odt" template. Throws DokravaError when it is no readable package, holds a hostile
// entry name, has no "content.xml", or a part is no well-formed XML.
TTemplateContent ReadOdtTemplateContent(const QString &path);

// Reads a ".docx" package (a ".doc" must be converted first). Throws DokravaError when it is no
// Word document or one of its parts is no well-formed XML.
TTemplateContent ReadWordTemplateContent(const QString &path);

// At most length characters of text around position: the whole text when it fits, otherwise a
// window with "…" where it was cut.
QString TextAround(const QString &text, qsizetype position, int length = 60);

} // namespace dokrava
