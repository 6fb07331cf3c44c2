#include "base/WordForms.h"

#include <array>

namespace dokrava {

namespace {

struct Endings
{
    int dropped; // letters taken off the nominative before an ending is added
    std::array<const char16_t *, 5> endings; // genitive, dative, accusative, instrumental, prepositional
};

Endings endingsOf(Paradigm paradigm)
{
    switch (paradigm) {
    case Paradigm::Indeclinable: return {0, {u"", u"", u"", u"", u""}};
    case Paradigm::MasculineHard: return {0, {u"а", u"у", u"а", u"ом", u"е"}};
    case Paradigm::MasculineHushing: return {0, {u"а", u"у", u"а", u"ем", u"е"}};
    case Paradigm::MasculineSoft: return {1, {u"я", u"ю", u"я", u"ем", u"е"}};
    case Paradigm::MasculineSoftStressed: return {1, {u"я", u"ю", u"я", u"ём", u"е"}};
    case Paradigm::MasculineIj: return {1, {u"я", u"ю", u"я", u"ем", u"и"}};
    case Paradigm::FeminineA: return {1, {u"ы", u"е", u"у", u"ой", u"е"}};
    case Paradigm::FeminineAVelar: return {1, {u"и", u"е", u"у", u"ой", u"е"}};
    case Paradigm::FeminineAHushing: return {1, {u"и", u"е", u"у", u"ей", u"е"}};
    case Paradigm::FeminineATse: return {1, {u"ы", u"е", u"у", u"ей", u"е"}};
    case Paradigm::FeminineYa: return {1, {u"и", u"е", u"ю", u"ей", u"е"}};
    case Paradigm::FeminineYaStressed: return {1, {u"и", u"е", u"ю", u"ёй", u"е"}};
    case Paradigm::FeminineIya: return {1, {u"и", u"и", u"ю", u"ей", u"и"}};
    case Paradigm::FeminineSoft: return {1, {u"и", u"и", u"ь", u"ью", u"и"}};
    case Paradigm::Neuter: return {1, {u"а", u"у", u"о", u"ом", u"е"}};
    case Paradigm::PossessiveMasculine: return {0, {u"а", u"у", u"а", u"ым", u"е"}};
    case Paradigm::PossessiveFeminine: return {1, {u"ой", u"ой", u"у", u"ой", u"ой"}};
    case Paradigm::AdjectiveMasculineHard: return {2, {u"ого", u"ому", u"ого", u"ым", u"ом"}};
    case Paradigm::AdjectiveMasculineVelar: return {2, {u"ого", u"ому", u"ого", u"им", u"ом"}};
    case Paradigm::AdjectiveMasculineSoft: return {2, {u"его", u"ему", u"его", u"им", u"ем"}};
    case Paradigm::AdjectiveFeminineHard: return {2, {u"ой", u"ой", u"ую", u"ой", u"ой"}};
    case Paradigm::AdjectiveFeminineHushing: return {2, {u"ей", u"ей", u"ую", u"ей", u"ей"}};
    case Paradigm::AdjectiveFeminineSoft: return {2, {u"ей", u"ей", u"юю", u"ей", u"ей"}};
    case Paradigm::AdjectiveNeuterHard: return {2, {u"ого", u"ому", u"ое", u"ым", u"ом"}};
    case Paradigm::AdjectiveNeuterSoft: return {2, {u"его", u"ему", u"ее", u"им", u"ем"}};
    }
    return {0, {u"", u"", u"", u"", u""}};
}

bool isUpperWord(const QString &word)
{
    int letters = 0;
    for (QChar c : word) {
        if (!c.isLetter())
            continue;
        if (!c.isUpper())
            return false;
        ++letters;
    }
    // One capital letter is a capitalised word, not one written in capitals.
    return letters > 1;
}

} // namespace

QString DeclineWord(const QString &lower, Paradigm paradigm, GrammaticalCase grammaticalCase)
{
    const Endings e = endingsOf(paradigm);
    if (paradigm == Paradigm::Indeclinable || lower.size() <= e.dropped)
        return lower;
    return lower.left(lower.size() - e.dropped) + QString::fromUtf16(e.endings[size_t(grammaticalCase)]);
}

QString WithLetterCaseOf(const QString &original, const QString &lower)
{
    if (isUpperWord(original))
        return lower.toUpper();
    QString out = lower;
    const qsizetype common = std::min(original.size(), out.size());
    for (qsizetype k = 0; k < common; ++k)
        if (original[k].isUpper())
            out[k] = out[k].toUpper();
    return out;
}

std::optional<Paradigm> FirstDeclensionParadigm(const QString &folded)
{
    const QChar before = folded.size() > 1 ? folded[folded.size() - 2] : QChar();
    if (folded.endsWith(u'а')) {
        if (IsRussianVowel(before))
            return std::nullopt;
        if (IsVelar(before))
            return Paradigm::FeminineAVelar;
        if (before == u'ц')
            return Paradigm::FeminineATse;
        return IsHushing(before) ? Paradigm::FeminineAHushing : Paradigm::FeminineA;
    }
    if (folded.endsWith(u"ия"))
        return Paradigm::FeminineIya;
    if (folded.endsWith(u'я'))
        return Paradigm::FeminineYa;
    return std::nullopt;
}

std::optional<Paradigm> FeminineAdjectiveParadigm(const QString &folded)
{
    const qsizetype n = folded.size();
    if (n < 4)
        return std::nullopt;
    if (folded.endsWith(u"ая"))
        return IsHushing(folded[n - 3]) && folded[n - 3] != u'ц' ? Paradigm::AdjectiveFeminineHushing
                                                                  : Paradigm::AdjectiveFeminineHard;
    if (folded.endsWith(u"яя"))
        return Paradigm::AdjectiveFeminineSoft;
    return std::nullopt;
}

bool EndsWithAny(const QString &word, std::initializer_list<const char16_t *> endings)
{
    for (const char16_t *ending : endings)
        if (word.endsWith(QStringView(ending)))
            return true;
    return false;
}

bool IsRussianVowel(QChar c)
{
    return QStringView(u"аеёиоуыэюя").contains(c);
}

bool IsVelar(QChar c)
{
    return QStringView(u"гкх").contains(c);
}

bool IsHushing(QChar c)
{
    return QStringView(u"жшчщц").contains(c);
}

bool IsRussianWord(const QString &word)
{
    if (word.isEmpty())
        return false;
    for (QChar c : word) {
        const QChar l = c.toLower();
        if (!((l >= QChar(0x0430) && l <= QChar(0x044F)) || l == QChar(0x0451)))
            return false;
    }
    return true;
}

QString FoldedRussian(const QString &word)
{
    QString out = word.toLower();
    out.replace(QChar(0x0451), QChar(0x0435));
    return out;
}

} // namespace dokrava
