#pragma once

#include "base/DokravaError.h"

namespace dokrava {

// The error a template of the language throws when filled: its message names the error alone
// ("не закрыт блок [если Телефон]"), for the caller to name the template.
class TemplateLanguageFailure : public DokravaError
{
public:
    using DokravaError::DokravaError;
};

} // namespace dokrava
