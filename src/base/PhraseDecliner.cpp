#include "base/PhraseDecliner.h"

#include <QList>
#include <QRegularExpression>

namespace dokrava {

namespace {

bool listed(const QString &word, std::initializer_list<const char16_t *> words)
{
    for (const char16_t *w : words)
        if (word == QStringView(w))
            return true;
    return false;
}

// An adjective's paradigm from its own ending (главный, ведущий, главная, доверенное…).
std::optional<Paradigm> adjectiveParadigm(const QString &f)
{
    const qsizetype n = f.size();
    if (n < 4)
        return std::nullopt;
    const QChar before = f[n - 3];
    const bool velar = IsVelar(before), hushing = IsHushing(before) && before != u'ц';
    if (f.endsWith(u"ый"))
        return Paradigm::AdjectiveMasculineHard;
    if (f.endsWith(u"ой"))
        return velar || hushing ? Paradigm::AdjectiveMasculineVelar : Paradigm::AdjectiveMasculineHard;
    if (f.endsWith(u"ий"))
        return velar ? Paradigm::AdjectiveMasculineVelar : Paradigm::AdjectiveMasculineSoft;
    if (const std::optional<Paradigm> p = FeminineAdjectiveParadigm(f))
        return p;
    if (f.endsWith(u"ое"))
        return Paradigm::AdjectiveNeuterHard;
    if (f.endsWith(u"ее"))
        return Paradigm::AdjectiveNeuterSoft;
    return std::nullopt;
}

// A noun's paradigm, for the nouns positions are made of; nothing for a word that does not
// change or is not a noun in the nominative.
std::optional<Paradigm> nounParadigm(const QString &f)
{
    const qsizetype n = f.size();
    if (n < 2)
        return std::nullopt;
    const QChar last = f.back(), before = f[n - 2];
    if (last == u'ь') {
        if (EndsWithAny(f, {u"сть", u"чь", u"шь", u"щь", u"жь", u"вь", u"знь"}))
            return Paradigm::FeminineSoft;
        // "секретарём": the stress on the ending
        if (listed(f, {u"секретарь", u"вратарь", u"звонарь", u"кустарь", u"пономарь", u"главарь"}))
            return Paradigm::MasculineSoftStressed;
        return Paradigm::MasculineSoft;
    }
    if (last == u'й')
        return IsRussianVowel(before) && before != u'и' ? std::optional(Paradigm::MasculineSoft) : std::nullopt;
    if (f == u"судья")
        return Paradigm::FeminineYaStressed;
    if (last == u'а' || last == u'я') // сестра, продавщица, няня
        return FirstDeclensionParadigm(f);
    if (last == u'о') // лицо, руководство; бюро keeps its form
        return IsRussianVowel(before) || f == u"бюро" ? std::nullopt : std::optional(Paradigm::Neuter);
    if (IsRussianVowel(last) || last == u'ъ')
        return std::nullopt;
    if (IsHushing(last) && last != u'ц') // "врачом" is stressed, "товарищем" is not
        return listed(f, {u"врач", u"ткач", u"палач", u"скрипач", u"трубач", u"силач", u"циркач"})
                   ? Paradigm::MasculineHard
                   : Paradigm::MasculineHushing;
    return Paradigm::MasculineHard;
}

// Nouns whose "е"/"о" drops before an ending: "продавец" — "продавца".
QString nounStem(const QString &f)
{
    if (listed(f, {u"продавец", u"певец", u"отец", u"жнец", u"чтец"}))
        return f.left(f.size() - 2) + QChar(u'ц');
    if (f == u"боец")
        return QStringLiteral("бойц");
    return QString();
}

// An abbreviation ("ООО", "ИТ") or a word in other letters: never declined.
bool keptAsIs(const QString &part)
{
    if (!IsRussianWord(part))
        return true;
    bool upper = true;
    for (QChar c : part)
        upper = upper && c.isUpper();
    return upper && part.size() <= 3;
}

QString declinedNoun(const QString &part, GrammaticalCase c)
{
    const QString lower = part.toLower(), f = FoldedRussian(part);
    const std::optional<Paradigm> p = nounParadigm(f);
    if (!p)
        return part;
    const QString stem = nounStem(f);
    return WithLetterCaseOf(part, stem.isEmpty() ? DeclineWord(lower, *p, c) : DeclineWord(stem, Paradigm::MasculineHard, c));
}

// The parts of a hyphenated noun that decline ("инженер-технолог" — both, "генерал-майор",
// "вице-президент" — the last only).
QString declinedHyphenatedNoun(const QString &word, GrammaticalCase c)
{
    QStringList parts = word.split(QLatin1Char('-'));
    for (qsizetype k = 0; k < parts.size(); ++k) {
        const QString f = FoldedRussian(parts[k]);
        const bool fixedFirst = k + 1 < parts.size()
            && listed(f, {u"премьер", u"генерал", u"вице", u"экс", u"штаб", u"обер", u"унтер", u"лейб",
                          u"контр", u"шеф", u"бизнес", u"веб", u"топ", u"арт", u"медиа", u"пресс", u"поп"});
        if (!fixedFirst && !keptAsIs(parts[k]))
            parts[k] = declinedNoun(parts[k], c);
    }
    return parts.join(QLatin1Char('-'));
}

// A word that may head the phrase: a noun of three letters or more that declines, not a
// preposition or a conjunction ("управляющий по персоналу" stops at "по").
bool isNoun(const QString &f)
{
    return f.size() >= 3 && nounParadigm(f)
           && !listed(f, {u"для", u"при", u"без", u"под", u"над", u"про", u"или", u"как", u"через"});
}

struct Word
{
    qsizetype start = 0;
    QString text;
};

} // namespace

std::optional<QString> DeclinePhrase(const QString &phrase, GrammaticalCase grammaticalCase)
{
    static const QRegularExpression blanks(QStringLiteral("\\S+"));
    static const QRegularExpression hyphenated(QStringLiteral("^\\p{L}+(?:-\\p{L}+)*$"));
    QList<Word> forms; // the words declined, with their new text
    for (auto it = blanks.globalMatch(phrase); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        const QString word = m.captured();
        if (!hyphenated.match(word).hasMatch())
            break;
        const qsizetype dash = word.lastIndexOf(QLatin1Char('-'));
        const QString head = word.left(dash + 1), last = word.mid(dash + 1);
        if (keptAsIs(last))
            break;
        const QString f = FoldedRussian(last);
        if (const std::optional<Paradigm> adjective = adjectiveParadigm(f)) {
            // "финансово-экономический": only the last part of an adjective changes
            forms.append({m.capturedStart(), head + WithLetterCaseOf(last, DeclineWord(last.toLower(), *adjective, grammaticalCase))});
            continue;
        }
        if (isNoun(f))
            forms.append({m.capturedStart(), declinedHyphenatedNoun(word, grammaticalCase)});
        break;
    }
    if (forms.isEmpty())
        return std::nullopt;
    QString out = phrase;
    for (qsizetype k = forms.size(); k-- > 0;) {
        const qsizetype length = blanks.match(phrase, forms[k].start).capturedLength();
        out.replace(forms[k].start, length, forms[k].text);
    }
    return out;
}

} // namespace dokrava
