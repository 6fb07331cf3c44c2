#pragma once

#include <QString>
#include <QStringList>

namespace dokrava {

// The field names of one ".docx"/".doc" template: each text from "[" to the next "]" in the
// main text, then the headers, then the footers, trimmed of blanks and control characters,
// brackets removed, empty names left out, each name once (letter case ignored, first form kept),
// in the order met; a field used with a format ("[Сумма:прописью]") is listed under its own name.
// ".doc" files are read through the converter, which must then be given.
// Throws DokravaError ("Файл шаблона не найден." for a missing file).
QStringList FindFieldsInWord(const QString &path, const QString &converter);

} // namespace dokrava
