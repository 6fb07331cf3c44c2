#include "base/Declension.h"

#include "base/FirstNames.h"
#include "base/NameDecliner.h"
#include "base/PhraseDecliner.h"

namespace dokrava {

namespace {

// The value's only word, trimmed, when it is one capitalised word; empty otherwise.
QString capitalisedWord(const QString &value)
{
    const QString word = value.simplified();
    return !word.isEmpty() && word[0].isUpper() && !word.contains(QLatin1Char(' ')) ? word : QString();
}

} // namespace

DeclinedValue DeclineValue(const QString &value, GrammaticalCase grammaticalCase)
{
    if (const std::optional<PersonName> name = PersonName::read(value)) {
        const std::optional<QString> declined = name->declined(grammaticalCase);
        return declined ? DeclinedValue{*declined, true} : DeclinedValue{value, false};
    }
    const QString word = capitalisedWord(value);
    if (!word.isEmpty()) {
        const Gender gender = FindFirstName(word).gender;
        if (gender != Gender::Unknown) {
            const std::optional<QString> declined = DeclineFirstName(word, gender, grammaticalCase);
            if (declined)
                return {QString(value).replace(word, *declined), true};
        }
        // "Иванова" alone may be a man's genitive or a woman's name: nothing to go by.
        if (LooksLikeSurname(word))
            return {value, false};
    }
    const std::optional<QString> phrase = DeclinePhrase(value, grammaticalCase);
    return phrase ? DeclinedValue{*phrase, true} : DeclinedValue{value, false};
}

Gender GenderOfValue(const QString &value)
{
    QString folded = value.trimmed().toLower();
    if (folded.endsWith(QLatin1Char('.')))
        folded.chop(1);
    if (folded == u"м" || folded == u"муж" || folded == u"мужской")
        return Gender::Male;
    if (folded == u"ж" || folded == u"жен" || folded == u"женский")
        return Gender::Female;
    if (const std::optional<PersonName> name = PersonName::read(value))
        return name->gender();
    const QString word = capitalisedWord(value);
    return word.isEmpty() ? Gender::Unknown : FindFirstName(word).gender;
}

} // namespace dokrava
