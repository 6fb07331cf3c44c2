#pragma once

#include <QString>

namespace dokrava {

// A template error of the language: the message and the paragraph it was found in.
struct TTemplateLanguageError
{
    QString message;   // "не закрыт блок [если Телефон]"
    QString paragraph; // the paragraph's text
};

} // namespace dokrava
