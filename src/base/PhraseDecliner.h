#pragma once

#include "base/WordForms.h"

#include <QString>

#include <optional>

namespace dokrava {

// A phrase naming a position or a role ("заместитель директора по финансам", "главный
// инженер-технолог", "ведущая медицинская сестра") in the case: the words are declined up to and
// including the first noun, the adjectives before it agreeing with it, and the rest is kept as
// written ("заместителя директора по финансам"). A phrase with no noun declines its adjectives
// ("управляющий делами" — "управляющего делами"). Positions name people, so a masculine noun's
// accusative is its genitive. Each word keeps its letter case. Nothing when no word can be
// declined: the phrase starts with a number, an abbreviation, a foreign word or a word that does
// not change ("и.о. директора", "ООО", "атташе").
std::optional<QString> DeclinePhrase(const QString &phrase, GrammaticalCase grammaticalCase);

} // namespace dokrava
