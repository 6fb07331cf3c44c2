#pragma once

#include <QString>

#include <initializer_list>
#include <optional>

namespace dokrava {

// The grammatical cases a value can be put in; the nominative is the value as written.
enum class GrammaticalCase {
    Genitive,      // родительный: кого?
    Dative,        // дательный: кому?
    Accusative,    // винительный: кого?
    Instrumental,  // творительный: кем?
    Prepositional, // предложный: о ком?
};

// A person's grammatical gender, as far as it can be told.
enum class Gender {
    Unknown,
    Male,
    Female,
};

// How a word changes from case to case: which letters of its nominative end are dropped and what
// ending each case adds to the rest.
enum class Paradigm {
    Indeclinable,    // Шевченко, Гладких, Мари
    MasculineHard,   // Иван, директор: -а -у -а -ом -е
    MasculineHushing,// Алексеевич, товарищ: -а -у -а -ем -е
    MasculineSoft,   // Игорь, Андрей, заместитель: -я -ю -я -ем -е
    MasculineSoftStressed, // секретарь: -я -ю -я -ём -е
    MasculineIj,     // Юрий: -я -ю -я -ем -и
    FeminineA,       // Елена, Никита: -ы -е -у -ой -е
    FeminineAVelar,  // Ольга, Лука: -и -е -у -ой -е
    FeminineAHushing,// Наташа: -и -е -у -ей -е
    FeminineATse,    // Синица, продавщица: -ы -е -у -ей -е
    FeminineYa,      // Ася, Зозуля: -и -е -ю -ей -е
    FeminineYaStressed, // Илья: -и -е -ю -ёй -е
    FeminineIya,     // Мария, Берия: -и -и -ю -ей -и
    FeminineSoft,    // Любовь: -и -и -ь -ью -и
    Neuter,          // лицо: -а -у -о -ом -е
    PossessiveMasculine, // Иванов, Пушкин: -а -у -а -ым -е
    PossessiveFeminine,  // Иванова, Пушкина: -ой -ой -у -ой -ой
    AdjectiveMasculineHard,  // Толстой, главный: -ого -ому -ого -ым -ом
    AdjectiveMasculineVelar, // Полянский, Горький, Большой: -ого -ому -ого -им -ом
    AdjectiveMasculineSoft,  // ведущий, Крайний: -его -ему -его -им -ем
    AdjectiveFeminineHard,   // главная, Полянская: -ой -ой -ую -ой -ой
    AdjectiveFeminineHushing,// ведущая: -ей -ей -ую -ей -ей
    AdjectiveFeminineSoft,   // Крайняя: -ей -ей -юю -ей -ей
    AdjectiveNeuterHard,     // доверенное: -ого -ому -ое -ым -ом
    AdjectiveNeuterSoft,     // будущее: -его -ему -ее -им -ем
};

// The form of a word in lower case (its nominative given in lower case) in the case.
QString DeclineWord(const QString &lower, Paradigm paradigm, GrammaticalCase grammaticalCase);

// The lower case form given the letter case of the source word: a word written in capitals
// gives capitals, otherwise each letter takes the case of the source word's letter at its place.
QString WithLetterCaseOf(const QString &original, const QString &lower);

// The paradigm of a noun-like word ending in "-а" after a consonant or in "-я" (Ольга, Наташа,
// Синица, Никита, Ася, Мария), folded as FoldedRussian folds it; nothing for any other ending.
std::optional<Paradigm> FirstDeclensionParadigm(const QString &folded);

// The paradigm of a feminine adjective-like word of four letters or more ending in "-ая" or
// "-яя" (главная, ведущая, Полянская, Крайняя), folded; nothing otherwise.
std::optional<Paradigm> FeminineAdjectiveParadigm(const QString &folded);

// True when the word ends with one of the endings.
bool EndsWithAny(const QString &word, std::initializer_list<const char16_t *> endings);

// True for the Russian vowels, "ё" and "э" included (lower case).
bool IsRussianVowel(QChar c);

// True for "г", "к", "х" (lower case), after which "ы" is written "и".
bool IsVelar(QChar c);

// True for "ж", "ш", "ч", "щ" and "ц" (lower case), after which an unstressed "о" is written "е".
bool IsHushing(QChar c);

// True when every character of the word is a Cyrillic letter of Russian.
bool IsRussianWord(const QString &word);

// The word in lower case with "ё" read as "е", for comparing endings and looking names up.
QString FoldedRussian(const QString &word);

} // namespace dokrava
