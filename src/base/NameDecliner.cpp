#include "base/NameDecliner.h"

#include "base/FirstNames.h"

#include <QRegularExpression>

namespace dokrava {

namespace {

// The gender a particle after the father's name tells; Unknown for any other word.
Gender particleGender(const QString &word)
{
    const QString folded = FoldedRussian(word);
    if (folded == u"оглы" || folded == u"улы" || folded == u"уулу")
        return Gender::Male;
    if (folded == u"кызы" || folded == u"гызы")
        return Gender::Female;
    return Gender::Unknown;
}

bool isInitials(const QString &word)
{
    static const QRegularExpression initials(QStringLiteral("^(?:\\p{Lu}\\.(?:-\\p{Lu}\\.)?)+$"));
    return initials.match(word).hasMatch();
}

// "Иванов", "Римский-Корсаков", "ИВАНОВА": Russian letters in hyphenated parts, a capital first.
bool isNameWord(const QString &word)
{
    if (word.isEmpty() || !word[0].isUpper())
        return false;
    for (const QString &part : word.split(QLatin1Char('-')))
        if (!IsRussianWord(part))
            return false;
    return true;
}

Gender patronymicGender(const QString &word)
{
    const QString folded = FoldedRussian(word);
    if (folded.size() > 3 && folded.endsWith(u"ич"))
        return Gender::Male;
    if (folded.size() > 4 && EndsWithAny(folded, {u"вна", u"чна"}))
        return Gender::Female;
    return Gender::Unknown;
}

// How a noun-like word ending in "-а" or "-я" declines (Шишка, Зозуля, Берия, Никита, Мария).
std::optional<Paradigm> firstDeclension(const QString &folded)
{
    if (folded.size() > 1 && folded.endsWith(u'а') && IsRussianVowel(folded[folded.size() - 2]))
        return Paradigm::Indeclinable; // Гарсиа, Моруа, Ноа
    return FirstDeclensionParadigm(folded);
}

// A man's noun-like word ending in a consonant, "-ь" or "-й".
std::optional<Paradigm> secondDeclension(const QString &folded)
{
    const QChar last = folded.back();
    if (last == u'ь' || last == u'й')
        return Paradigm::MasculineSoft;
    if (IsRussianVowel(last))
        return std::nullopt;
    return IsHushing(last) ? Paradigm::MasculineHushing : Paradigm::MasculineHard;
}

std::optional<Paradigm> maleSurnameParadigm(const QString &f)
{
    const qsizetype n = f.size();
    if (n >= 4 && EndsWithAny(f, {u"ов", u"ев", u"ин", u"ын"}))
        return Paradigm::PossessiveMasculine;
    if (n >= 4 && f.endsWith(u"ый"))
        return Paradigm::AdjectiveMasculineHard;
    // "Толстой", "Полянский"; a short word is a noun ("Цой" — "Цоя").
    if (n >= 5 && (f.endsWith(u"ой") || f.endsWith(u"ий"))) {
        const QChar before = f[n - 3];
        if (IsVelar(before) || (f.endsWith(u"ой") && IsHushing(before)))
            return Paradigm::AdjectiveMasculineVelar;
        if (f.endsWith(u"ой"))
            return Paradigm::AdjectiveMasculineHard;
        if (IsHushing(before) || before == u'н')
            return Paradigm::AdjectiveMasculineSoft;
        return Paradigm::MasculineIj;
    }
    if (const std::optional<Paradigm> p = firstDeclension(f))
        return p;
    return secondDeclension(f);
}

std::optional<Paradigm> femaleSurnameParadigm(const QString &f)
{
    const qsizetype n = f.size();
    if (n >= 5 && EndsWithAny(f, {u"ова", u"ева", u"ина", u"ына"}))
        return Paradigm::PossessiveFeminine;
    if (const std::optional<Paradigm> p = FeminineAdjectiveParadigm(f))
        return p;
    if (const std::optional<Paradigm> p = firstDeclension(f))
        return p;
    return Paradigm::Indeclinable; // a consonant, "-ь", "-й": a woman's surname keeps its form
}

// One part of a surname in the case; nothing when the rules do not know the word.
std::optional<QString> declineSurnamePart(const QString &part, Gender gender, GrammaticalCase c)
{
    if (part.size() < 2 || !IsRussianWord(part))
        return std::nullopt;
    const QString lower = part.toLower();
    const QString f = FoldedRussian(part);
    // Surnames that never decline: -их/-ых, and those ending in a vowel other than "-а"/"-я"
    // (-ко, -енко, -аго, -яго, -о, -е, -и, -у, -ю, -э, -ы).
    if (EndsWithAny(f, {u"их", u"ых"}) || QStringView(u"оеиуюэы").contains(f.back()))
        return part;
    const std::optional<Paradigm> p = gender == Gender::Male ? maleSurnameParadigm(f) : femaleSurnameParadigm(f);
    if (!p)
        return std::nullopt;
    return WithLetterCaseOf(part, DeclineWord(lower, *p, c));
}

std::optional<QString> declineSurname(const QString &word, Gender gender, GrammaticalCase c)
{
    QStringList parts = word.split(QLatin1Char('-'));
    for (QString &part : parts) {
        const std::optional<QString> declined = declineSurnamePart(part, gender, c);
        if (!declined)
            return std::nullopt;
        part = *declined;
    }
    return parts.join(QLatin1Char('-'));
}

std::optional<QString> declinePatronymic(const QString &word, Gender gender, GrammaticalCase c)
{
    if (patronymicGender(word) != gender)
        return std::nullopt;
    const QString f = FoldedRussian(word);
    Paradigm p = Paradigm::FeminineA;
    if (gender == Gender::Male) {
        // Ильич, Кузьмич, Фомич, Лукич carry the stress on the ending: "Ильичом".
        static const QStringList stressed{QStringLiteral("ильич"), QStringLiteral("кузьмич"),
                                          QStringLiteral("фомич"), QStringLiteral("лукич")};
        p = stressed.contains(f) ? Paradigm::MasculineHard : Paradigm::MasculineHushing;
    }
    return WithLetterCaseOf(word, DeclineWord(word.toLower(), p, c));
}

std::optional<Paradigm> firstNameParadigm(const QString &f, Gender gender)
{
    if (f == u"илья")
        return Paradigm::FeminineYaStressed;
    if (const std::optional<Paradigm> p = firstDeclension(f))
        return p;
    if (gender == Gender::Female) // Любовь, Нинель; Ирэн, Мари keep their form
        return f.endsWith(u'ь') ? Paradigm::FeminineSoft : Paradigm::Indeclinable;
    if (f.endsWith(u"ий"))
        return Paradigm::MasculineIj;
    return secondDeclension(f).value_or(Paradigm::Indeclinable); // Отто, Хосе keep their form
}

} // namespace

std::optional<PersonName> PersonName::read(const QString &value)
{
    PersonName name;
    name.m_value = value;
    static const QRegularExpression blanks(QStringLiteral("\\S+"));
    for (auto it = blanks.globalMatch(value); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        name.m_words.append({m.capturedStart(), m.captured()});
    }
    qsizetype count = name.m_words.size();
    if (count >= 3)
        name.m_particleGender = particleGender(name.m_words.last().text);
    if (name.m_particleGender != Gender::Unknown)
        --count; // the particle stays as written
    if (count < 2 || count > 3)
        return std::nullopt;
    QList<bool> initial;
    for (qsizetype k = 0; k < count; ++k) {
        const QString &w = name.m_words[k].text;
        initial.append(isInitials(w));
        if (!initial.last() && !isNameWord(w))
            return std::nullopt;
    }
    if (initial[0]) { // "И. И. Иванов": initials, then the surname
        for (qsizetype k = 0; k + 1 < count; ++k)
            if (!initial[k])
                return std::nullopt;
        if (initial[count - 1] || name.m_particleGender != Gender::Unknown)
            return std::nullopt;
        name.m_surname = int(count - 1);
        return name;
    }
    name.m_surname = 0;
    name.m_first = initial[1] ? -1 : 1;
    if (count == 3) {
        name.m_patronymic = initial[2] || name.m_particleGender != Gender::Unknown ? -1 : 2;
        if (initial[1] && !initial[2])
            return std::nullopt; // "Иванов И. Иванович"
        // "Пётр Алексеевич Сидоров": the patronymic second, the surname last.
        if (name.m_first >= 0 && name.m_patronymic >= 0 && patronymicGender(name.m_words[1].text) != Gender::Unknown
            && patronymicGender(name.m_words[2].text) == Gender::Unknown) {
            name.m_first = 0;
            name.m_patronymic = 1;
            name.m_surname = 2;
        }
    }
    return name;
}

Gender PersonName::gender() const
{
    QList<Gender> signs{m_particleGender};
    if (m_patronymic >= 0)
        signs.append(patronymicGender(m_words[m_patronymic].text));
    if (m_first >= 0)
        signs.append(FindFirstName(m_words[m_first].text).gender);
    signs.append(SurnameGender(m_words[m_surname].text));
    Gender found = Gender::Unknown;
    for (const Gender sign : std::as_const(signs)) {
        if (sign == Gender::Unknown)
            continue;
        if (found == Gender::Unknown)
            found = sign;
        else if (sign != found)
            return Gender::Unknown; // the words disagree ("Иванова Мария Петрович"): nothing is guessed
    }
    return found;
}

std::optional<QString> PersonName::declined(GrammaticalCase grammaticalCase) const
{
    const Gender g = gender();
    if (g == Gender::Unknown)
        return std::nullopt;
    QString out = m_value;
    // Words are replaced from the last, so the positions of those before stay right.
    for (int k = int(m_words.size()) - 1; k >= 0; --k) {
        const QString &word = m_words[k].text;
        std::optional<QString> form = word;
        if (k == m_surname)
            form = declineSurname(word, g, grammaticalCase);
        else if (k == m_first)
            form = DeclineFirstName(word, g, grammaticalCase);
        else if (k == m_patronymic)
            form = declinePatronymic(word, g, grammaticalCase);
        if (!form)
            return std::nullopt;
        out.replace(m_words[k].start, word.size(), *form);
    }
    return out;
}

Gender SurnameGender(const QString &surname)
{
    const QStringList parts = FoldedRussian(surname).split(QLatin1Char('-'));
    for (qsizetype k = parts.size(); k-- > 0;) {
        const QString &f = parts[k];
        if (f.size() >= 5 && EndsWithAny(f, {u"ова", u"ева", u"ина", u"ына", u"ская", u"цкая"}))
            return Gender::Female;
        if (f.size() >= 4 && EndsWithAny(f, {u"ов", u"ев", u"ин", u"ын", u"ый"}))
            return Gender::Male;
        if (f.size() >= 5 && EndsWithAny(f, {u"ий", u"ой"}))
            return Gender::Male;
        if (f.size() >= 4 && EndsWithAny(f, {u"ая", u"яя"}))
            return Gender::Female;
    }
    return Gender::Unknown;
}

bool LooksLikeSurname(const QString &word)
{
    const QString f = FoldedRussian(word);
    return f.size() >= 4 && FindFirstName(f).gender == Gender::Unknown
           && EndsWithAny(f, {u"ов", u"ев", u"ин", u"ын", u"ова", u"ева", u"ина", u"ына", u"ский", u"цкий",
                              u"ская", u"цкая"});
}

std::optional<QString> DeclineFirstName(const QString &word, Gender gender, GrammaticalCase grammaticalCase)
{
    if (gender == Gender::Unknown || word.size() < 2 || !isNameWord(word))
        return std::nullopt;
    QStringList parts = word.split(QLatin1Char('-')); // Анна-Мария
    for (QString &part : parts) {
        const QString f = FoldedRussian(part);
        const FirstName known = FindFirstName(f);
        const std::optional<Paradigm> p = firstNameParadigm(f, gender);
        if (!p)
            return std::nullopt;
        const QString form = known.stem.isEmpty() ? DeclineWord(part.toLower(), *p, grammaticalCase)
                                                  : DeclineWord(known.stem, Paradigm::MasculineHard, grammaticalCase);
        part = WithLetterCaseOf(part, form);
    }
    return parts.join(QLatin1Char('-'));
}

} // namespace dokrava
