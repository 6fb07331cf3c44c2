#pragma once

#include "base/WordForms.h"

#include <QList>
#include <QString>

#include <optional>

namespace dokrava {

// A person's name as a value writes it: "Фамилия Имя Отчество", "Фамилия Имя", "Имя Отчество
// Фамилия", a surname with initials ("Иванов И. И.", "И. И. Иванов"), and patronymics with
// "оглы"/"кызы" ("Алиев Рашид Гусейн оглы", whose father's name and particle never change).
class PersonName
{
public:
    // The name the value writes: two or three words (a fourth "оглы", "улы", "уулу", "кызы" or
    // "гызы"), each a capitalised Russian word (hyphens allowed) or initials; nothing otherwise.
    static std::optional<PersonName> read(const QString &value);

    // The gender the name tells: the particle "оглы"/"кызы", else the patronymic (-ич, -на), else
    // the first name as the list of first names knows it, else the surname's ending; Unknown when
    // none tells it or two of them disagree.
    Gender gender() const;

    // The name in the case, each word in its own letter case and everything between the words as
    // written; nothing when the gender or the form of a word cannot be told.
    std::optional<QString> declined(GrammaticalCase grammaticalCase) const;

private:
    struct Word
    {
        qsizetype start = 0;
        QString text;
    };
    QString m_value;
    QList<Word> m_words;
    int m_surname = -1;    // index in m_words
    int m_first = -1;      // -1 when absent or an initial
    int m_patronymic = -1; // -1 when absent or an initial
    Gender m_particleGender = Gender::Unknown; // "оглы" and the like: the father's name stays
};

// The gender a surname's ending tells (-ов, -ин, -ский, -ой… a man; -ова, -ина, -ская, -ая… a
// woman); each part of a double surname is asked, the last first.
Gender SurnameGender(const QString &surname);

// True when the word ends as surnames that tell a gender do (-ов, -ова, -ин, -ина, -ский, -ская…).
bool LooksLikeSurname(const QString &word);

// A first name in the case for a person of the gender, or nothing when its form cannot be told.
std::optional<QString> DeclineFirstName(const QString &word, Gender gender, GrammaticalCase grammaticalCase);

} // namespace dokrava
