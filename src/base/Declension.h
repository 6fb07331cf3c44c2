#pragma once

#include "base/WordForms.h"

#include <QString>

namespace dokrava {

// A value in a case: a person's name by the rules of names, anything else as a phrase (a
// position). told is false when the gender or the form cannot be told; text is then the value
// as written.
struct DeclinedValue
{
    QString text;
    bool told = true;
};

// The value in the case. A person's name (see PersonName) declines each of its words; one word
// that is a known first name declines as one; one word that looks like a surname alone cannot be
// told (its gender is unknown); any other value declines as a phrase (see DeclinePhrase).
DeclinedValue DeclineValue(const QString &value, GrammaticalCase grammaticalCase);

// The gender a value tells: "м", "муж", "мужской", "ж", "жен", "женский" (letter case ignored, a
// final point allowed) are genders themselves; a person's name tells it by PersonName::gender();
// one word that is a known first name by the list. Gender::Unknown otherwise.
Gender GenderOfValue(const QString &value);

} // namespace dokrava
