#pragma once

#include "base/WordForms.h"

#include <QString>

namespace dokrava {

// A common first name: its gender and, where the name drops or changes a vowel before an ending
// ("Павел" — "Павла", "Пётр" — "Петра"), the stem the endings follow.
struct FirstName
{
    Gender gender = Gender::Unknown;
    QString stem; // lower case; empty when the endings follow the nominative
};

// The first name as the list of common first names knows it (letter case ignored, "ё" as "е");
// Gender::Unknown when the list does not hold it. Names given to both men and women ("Саша",
// "Женя") are not listed, so they never decide a gender.
FirstName FindFirstName(const QString &word);

} // namespace dokrava
