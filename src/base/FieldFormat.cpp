#include "base/FieldFormat.h"

#include "base/TemplateLanguage.h"

#include "base/Declension.h"


#include <QDate>
#include <QRegularExpression>
#include <QSet>
#include <QTime>

#include <array>
#include <tuple>

namespace dokrava {

namespace {

enum class Format {
    Words,
    Roubles,
    Amount,
    AmountAndWords,
    Total,
    Date,
    QuotedDate,
    NumericDate,
    Upper,
    Lower,
    Capital,
    SurnameInitials,
    InitialsSurname,
    // the grammatical cases come last (IsCaseFieldFormat)
    Genitive,
    Dative,
    Accusative,
    Instrumental,
    Prepositional,
};

struct FormatName
{
    const char16_t *key;     // as normalizedName() leaves it: lower case, one blank between words
    Format format;
    const char16_t *listed;  // the name KnownFieldFormats() gives; nullptr for an alias
};

constexpr std::array<FormatName, 27> kFormatNames{{
    {u"прописью", Format::Words, u"прописью"},
    {u"рубли", Format::Roubles, u"рубли"},
    {u"сумма", Format::Amount, u"сумма"},
    {u"сумма и прописью", Format::AmountAndWords, u"сумма и прописью"},
    {u"итого", Format::Total, u"итого"},
    {u"дата", Format::Date, u"дата"},
    {u"«дата»", Format::QuotedDate, u"«дата»"},
    {u"\"дата\"", Format::QuotedDate, nullptr},
    {u"“дата”", Format::QuotedDate, nullptr},
    {u"„дата“", Format::QuotedDate, nullptr},
    {u"дд.мм.гггг", Format::NumericDate, u"дд.мм.гггг"},
    {u"прописные", Format::Upper, u"ПРОПИСНЫЕ"},
    {u"строчные", Format::Lower, u"строчные"},
    {u"заглавная", Format::Capital, u"Заглавная"},
    {u"фамилия и.о.", Format::SurnameInitials, u"фамилия и.о."},
    {u"фамилия и. о.", Format::SurnameInitials, nullptr},
    {u"и.о. фамилия", Format::InitialsSurname, u"и.о. фамилия"},
    {u"и. о. фамилия", Format::InitialsSurname, nullptr},
    {u"родительный", Format::Genitive, u"родительный"},
    {u"кого", Format::Genitive, nullptr},
    {u"дательный", Format::Dative, u"дательный"},
    {u"кому", Format::Dative, nullptr},
    {u"винительный", Format::Accusative, u"винительный"},
    {u"творительный", Format::Instrumental, u"творительный"},
    {u"кем", Format::Instrumental, nullptr},
    {u"предложный", Format::Prepositional, u"предложный"},
    {u"о ком", Format::Prepositional, nullptr},
}};

QString normalizedName(const QString &format)
{
    return format.simplified().toLower();
}

std::optional<Format> findFormat(const QString &format)
{
    // Formats are nearly always written as listed: found without normalizing the name first.
    for (const FormatName &entry : kFormatNames)
        if (format == QStringView(entry.key))
            return entry.format;
    const QString key = normalizedName(format);
    for (const FormatName &entry : kFormatNames)
        if (key == QStringView(entry.key))
            return entry.format;
    return std::nullopt;
}

// Numbers read for comparisons and totals are kept in millionths.
constexpr qint64 kMicro = 1000000;

// ---- Numbers in words ----

constexpr std::array<const char16_t *, 20> kUnitsMasculine{
    u"", u"один", u"два", u"три", u"четыре", u"пять", u"шесть", u"семь", u"восемь", u"девять",
    u"десять", u"одиннадцать", u"двенадцать", u"тринадцать", u"четырнадцать", u"пятнадцать",
    u"шестнадцать", u"семнадцать", u"восемнадцать", u"девятнадцать"};
constexpr std::array<const char16_t *, 10> kTens{
    u"", u"", u"двадцать", u"тридцать", u"сорок", u"пятьдесят", u"шестьдесят", u"семьдесят",
    u"восемьдесят", u"девяносто"};
constexpr std::array<const char16_t *, 10> kHundreds{
    u"", u"сто", u"двести", u"триста", u"четыреста", u"пятьсот", u"шестьсот", u"семьсот",
    u"восемьсот", u"девятьсот"};

struct Scale
{
    const char16_t *one;  // 1, 21, 101 …
    const char16_t *few;  // 2–4, 22–24 …
    const char16_t *many; // 0, 5–20, 25–30 …
    bool feminine;
};

// Groups of three digits from the thousands up; the units group takes the caller's gender.
constexpr std::array<Scale, 6> kScales{{
    {u"тысяча", u"тысячи", u"тысяч", true},
    {u"миллион", u"миллиона", u"миллионов", false},
    {u"миллиард", u"миллиарда", u"миллиардов", false},
    {u"триллион", u"триллиона", u"триллионов", false},
    {u"квадриллион", u"квадриллиона", u"квадриллионов", false},
    {u"квинтиллион", u"квинтиллиона", u"квинтиллионов", false},
}};

// The word form that agrees with n: 1 and 21 take "one", 2–4 and 22–24 "few", the rest (11–14 too)
// "many".
const char16_t *pluralForm(quint64 n, const char16_t *one, const char16_t *few, const char16_t *many)
{
    const quint64 lastTwo = n % 100;
    if (lastTwo >= 11 && lastTwo <= 14)
        return many;
    const quint64 last = n % 10;
    if (last == 1)
        return one;
    if (last >= 2 && last <= 4)
        return few;
    return many;
}

// 1..999 in words, appended word by word to words.
void appendTriple(QStringList &words, unsigned triple, bool feminine)
{
    if (triple >= 100)
        words.append(QString::fromUtf16(kHundreds[triple / 100]));
    unsigned rest = triple % 100;
    if (rest >= 20) {
        words.append(QString::fromUtf16(kTens[rest / 10]));
        rest %= 10;
    }
    if (rest == 0)
        return;
    if (feminine && rest == 1)
        words.append(QStringLiteral("одна"));
    else if (feminine && rest == 2)
        words.append(QStringLiteral("две"));
    else
        words.append(QString::fromUtf16(kUnitsMasculine[rest]));
}

QString magnitudeInWords(quint64 n, bool feminine)
{
    if (n == 0)
        return QStringLiteral("ноль");
    std::array<unsigned, 7> groups{}; // groups[0] units, groups[1] thousands, …
    for (unsigned &group : groups) {
        group = unsigned(n % 1000);
        n /= 1000;
    }
    QStringList words;
    for (size_t k = groups.size(); k-- > 1;) {
        if (groups[k] == 0)
            continue;
        const Scale &scale = kScales[k - 1];
        appendTriple(words, groups[k], scale.feminine);
        words.append(QString::fromUtf16(pluralForm(groups[k], scale.one, scale.few, scale.many)));
    }
    if (groups[0] != 0)
        appendTriple(words, groups[0], feminine);
    return words.join(QLatin1Char(' '));
}

// ---- Reading numbers ----

constexpr quint64 kMaxUnits = 999'999'999'999ULL;

bool isDigit(QChar c)
{
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

bool isGroupBlank(QChar c)
{
    return c == QLatin1Char(' ') || c == QChar(0x00A0) || c == QChar(0x202F);
}

// A number as the grid shows it: its sign, its whole part (grouping blanks removed; too long when
// it has more than twelve digits after leading zeros) and the digits of its fraction. Read
// without building texts: a document may read hundreds of amounts.
struct DecimalText
{
    bool negative = false;
    bool tooLong = false;
    quint64 whole = 0;
    QStringView fraction;
};

std::optional<DecimalText> readDecimal(const QString &value)
{
    const QStringView text = QStringView(value).trimmed();
    DecimalText number;
    qsizetype i = 0;
    if (i < text.size() && (text[i] == QLatin1Char('-') || text[i] == QChar(0x2212) || text[i] == QLatin1Char('+'))) {
        number.negative = text[i] != QLatin1Char('+');
        ++i;
    }
    // The whole part: digits, or groups of three after a first group of one to three.
    qsizetype groupLength = 0, significant = 0;
    bool grouped = false;
    for (; i < text.size(); ++i) {
        const QChar c = text[i];
        if (isDigit(c)) {
            const unsigned digit = unsigned(c.unicode() - u'0');
            if (significant > 0 || digit != 0)
                ++significant;
            if (significant <= 12)
                number.whole = number.whole * 10 + digit;
            ++groupLength;
            if (grouped && groupLength > 3)
                return std::nullopt;
        } else if (isGroupBlank(c)) {
            if (groupLength == 0 || (grouped ? groupLength != 3 : groupLength > 3))
                return std::nullopt;
            grouped = true;
            groupLength = 0;
        } else {
            break;
        }
    }
    if (groupLength == 0 || (grouped && groupLength != 3))
        return std::nullopt;
    number.tooLong = significant > 12;
    if (i < text.size()) {
        if (text[i] != QLatin1Char(',') && text[i] != QLatin1Char('.'))
            return std::nullopt;
        const qsizetype from = ++i;
        while (i < text.size() && isDigit(text[i]))
            ++i;
        number.fraction = text.mid(from, i - from);
        if (number.fraction.isEmpty() || i < text.size())
            return std::nullopt;
    }
    return number;
}

// A number as a whole count of units of 10^-decimals, rounded half up to the unit; nothing when
// the text is no number or its whole part has more than twelve digits.
struct ScaledNumber
{
    bool negative = false;
    quint64 units = 0;
};

std::optional<ScaledNumber> readScaled(const QString &value, int decimals)
{
    const std::optional<DecimalText> number = readDecimal(value);
    if (!number || number->tooLong)
        return std::nullopt;
    ScaledNumber scaled{number->negative, number->whole};
    const QStringView fraction = number->fraction;
    for (qsizetype k = 0; k < decimals; ++k)
        scaled.units = scaled.units * 10 + (k < fraction.size() ? unsigned(fraction[k].unicode() - u'0') : 0u);
    if (fraction.size() > decimals && fraction[decimals] >= QLatin1Char('5'))
        ++scaled.units;
    return scaled;
}

// An amount in roubles and kopecks, rounded half up to the kopeck.
struct Money
{
    bool negative = false;
    quint64 roubles = 0;
    unsigned kopecks = 0;
};

std::optional<Money> readMoney(const QString &value)
{
    const std::optional<ScaledNumber> kopecks = readScaled(value, 2);
    if (!kopecks || kopecks->units / 100 > kMaxUnits)
        return std::nullopt;
    return Money{kopecks->negative && kopecks->units != 0, kopecks->units / 100, unsigned(kopecks->units % 100)};
}

// The digits of n in groups of three parted by no-break spaces, appended to out.
void appendGroupedDigits(QString &out, quint64 n)
{
    char16_t digits[20];
    int count = 0;
    do {
        digits[count++] = char16_t(u'0' + n % 10);
        n /= 10;
    } while (n > 0);
    for (int k = count; k-- > 0;) {
        out.append(QChar(digits[k]));
        if (k > 0 && k % 3 == 0)
            out.append(QChar(0x00A0));
    }
}

QString groupedDigits(quint64 n)
{
    QString out;
    appendGroupedDigits(out, n);
    return out;
}

// Kopecks as two digits: a document may write many amounts, and formatting them through
// QString::arg cost more than all the rest of the amount.
QString twoDigits(unsigned n)
{
    const QChar digits[2] = {QChar(char16_t(u'0' + n / 10 % 10)), QChar(char16_t(u'0' + n % 10))};
    return QString(digits, 2);
}

// "-1 234,50": the form lines of documents write most, put together in one text.
QString amountText(const Money &money)
{
    QString out;
    out.reserve(24);
    if (money.negative)
        out.append(QLatin1Char('-'));
    appendGroupedDigits(out, money.roubles);
    out.append(QLatin1Char(','));
    out.append(twoDigits(money.kopecks));
    return out;
}

QString signedWords(bool negative, quint64 n)
{
    const QString words = magnitudeInWords(n, false);
    return negative ? QStringLiteral("минус ") + words : words;
}

QString roubleWord(quint64 n)
{
    return QString::fromUtf16(pluralForm(n, u"рубль", u"рубля", u"рублей"));
}

QString kopecksText(unsigned kopecks)
{
    return twoDigits(kopecks) + QLatin1Char(' ') + QString::fromUtf16(pluralForm(kopecks, u"копейка", u"копейки", u"копеек"));
}

std::optional<QString> formatWords(const QString &value)
{
    const std::optional<DecimalText> number = readDecimal(value);
    if (!number)
        return std::nullopt;
    for (QChar c : number->fraction)
        if (c != QLatin1Char('0'))
            return std::nullopt;
    if (number->tooLong)
        return std::nullopt;
    return signedWords(number->negative && number->whole != 0, number->whole);
}

std::optional<QString> formatMoney(Format format, const QString &value)
{
    const std::optional<Money> money = readMoney(value);
    if (!money)
        return std::nullopt;
    switch (format) {
    case Format::Roubles:
        return signedWords(money->negative, money->roubles) + QLatin1Char(' ') + roubleWord(money->roubles)
               + QLatin1Char(' ') + kopecksText(money->kopecks);
    case Format::Amount:
        return amountText(*money);
    default: // Format::AmountAndWords
        return (money->negative ? QStringLiteral("-") : QString()) + groupedDigits(money->roubles) + QStringLiteral(" (")
               + signedWords(money->negative, money->roubles) + QStringLiteral(") ") + roubleWord(money->roubles)
               + QLatin1Char(' ') + kopecksText(money->kopecks);
    }
}

// ---- Dates ----

// "дд.мм.гггг" with two-digit day and month and nothing else, as tables nearly always write
// dates: read without the expressions below.
std::optional<QDate> readPlainDate(QStringView text)
{
    if (text.size() != 10 || text[2] != QLatin1Char('.') || text[5] != QLatin1Char('.'))
        return std::nullopt;
    int parts[3] = {0, 0, 0};
    for (const auto &[part, from, to] : {std::tuple{0, 0, 2}, std::tuple{1, 3, 5}, std::tuple{2, 6, 10}}) {
        for (int i = from; i < to; ++i) {
            if (!isDigit(text[i]))
                return std::nullopt;
            parts[part] = parts[part] * 10 + (text[i].unicode() - u'0');
        }
    }
    const QDate date(parts[2], parts[1], parts[0]);
    if (parts[2] < 1000 || !date.isValid())
        return std::nullopt;
    return date;
}

std::optional<QDate> readDate(const QString &value)
{
    if (const std::optional<QDate> plain = readPlainDate(QStringView(value).trimmed()))
        return plain;
    static const QRegularExpression dotted(QStringLiteral(
        "^([0-9]{1,2})\\.([0-9]{1,2})\\.([0-9]{4})(?:\\s+([0-9]{1,2}):([0-9]{2})(?::([0-9]{2}))?)?$"));
    static const QRegularExpression iso(QStringLiteral(
        "^([0-9]{4})-([0-9]{2})-([0-9]{2})(?:(?:\\s+|T)([0-9]{1,2}):([0-9]{2})(?::([0-9]{2}))?)?$"));
    const QString text = value.trimmed();
    int day = 0, month = 0, year = 0;
    QRegularExpressionMatch match = dotted.match(text);
    if (match.hasMatch()) {
        day = match.captured(1).toInt();
        month = match.captured(2).toInt();
        year = match.captured(3).toInt();
    } else {
        match = iso.match(text);
        if (!match.hasMatch())
            return std::nullopt;
        year = match.captured(1).toInt();
        month = match.captured(2).toInt();
        day = match.captured(3).toInt();
    }
    // Years before 1000 are typing errors ("1.1.0001"), not dates of documents.
    if (year < 1000)
        return std::nullopt;
    if (match.hasCaptured(4)
        && !QTime::isValid(match.captured(4).toInt(), match.captured(5).toInt(), match.captured(6).toInt()))
        return std::nullopt;
    const QDate date(year, month, day);
    if (!date.isValid())
        return std::nullopt;
    return date;
}

constexpr std::array<const char16_t *, 12> kMonthsGenitive{
    u"января", u"февраля", u"марта", u"апреля", u"мая", u"июня",
    u"июля", u"августа", u"сентября", u"октября", u"ноября", u"декабря"};

std::optional<QString> formatDate(Format format, const QString &value)
{
    const std::optional<QDate> date = readDate(value);
    if (!date)
        return std::nullopt;
    const QString month = QString::fromUtf16(kMonthsGenitive[size_t(date->month() - 1)]);
    if (format == Format::Date) // the form documents write most, without QString::arg
        return QString::number(date->day()) + QLatin1Char(' ') + month + QLatin1Char(' ') + QString::number(date->year())
               + QStringLiteral(" г.");
    const QString day2 = QStringLiteral("%1").arg(date->day(), 2, 10, QLatin1Char('0'));
    switch (format) {
    case Format::QuotedDate:
        return QStringLiteral("«%1» %2 %3 г.").arg(day2, month).arg(date->year());
    default: // Format::NumericDate
        return QStringLiteral("%1.%2.%3").arg(day2).arg(date->month(), 2, 10, QLatin1Char('0')).arg(date->year());
    }
}

// ---- Letter case ----

QString capitalized(const QString &value)
{
    // By code point: a letter outside the basic plane is a surrogate pair, neither half of which
    // is a letter by itself.
    for (qsizetype k = 0; k < value.size();) {
        const char32_t c = value.at(k).isHighSurrogate() && k + 1 < value.size() && value.at(k + 1).isLowSurrogate()
                               ? QChar::surrogateToUcs4(value.at(k), value.at(k + 1))
                               : value.at(k).unicode();
        const qsizetype width = QChar::requiresSurrogates(c) ? 2 : 1;
        if (QChar::isLetter(c)) {
            const char32_t upper = QChar::toUpper(c);
            return value.left(k) + QString::fromUcs4(&upper, 1) + value.mid(k + width);
        }
        k += width;
    }
    return value;
}

// ---- Names ----

// "Иван" is "И.", "Анна-Мария" "А.-М."; nothing when a part does not begin with a letter.
std::optional<QString> initials(const QString &word)
{
    QStringList parts;
    for (const QString &part : word.split(QLatin1Char('-'))) {
        if (part.isEmpty() || !part[0].isLetter())
            return std::nullopt;
        parts.append(QString(part[0].toUpper()) + QLatin1Char('.'));
    }
    return parts.join(QLatin1Char('-'));
}

bool isPatronymicParticle(const QString &word)
{
    static const QStringList particles{QStringLiteral("оглы"), QStringLiteral("кызы"), QStringLiteral("улы"),
                                       QStringLiteral("уулу"), QStringLiteral("гызы")};
    return particles.contains(word, Qt::CaseInsensitive);
}

std::optional<QString> formatName(Format format, const QString &value)
{
    QStringList words = value.simplified().split(QLatin1Char(' '), Qt::SkipEmptyParts);
    if (words.size() == 4 && isPatronymicParticle(words[3]))
        words.removeLast();
    if (words.isEmpty() || words.size() > 3)
        return std::nullopt;
    if (words.size() == 1)
        return words[0];
    QStringList given;
    for (qsizetype k = 1; k < words.size(); ++k) {
        const std::optional<QString> initial = initials(words[k]);
        if (!initial)
            return std::nullopt;
        given.append(*initial);
    }
    const QString joined = given.join(QLatin1Char(' '));
    if (format == Format::SurnameInitials)
        return words[0] + QLatin1Char(' ') + joined;
    return joined + QLatin1Char(' ') + words[0];
}

// ---- Cases and gender words ----

std::optional<QString> formatCase(Format format, const QString &value, bool *untold)
{
    const auto grammaticalCase = GrammaticalCase(int(format) - int(Format::Genitive));
    const DeclinedValue declined = DeclineValue(value, grammaticalCase);
    if (untold)
        *untold = !declined.told;
    return declined.text;
}

// "именуемый|именуемая": the text for a man and the one for a woman, trimmed; nothing when the
// format is not two texts parted by a vertical bar.
std::optional<std::pair<QString, QString>> genderWords(const QString &format)
{
    const QStringList texts = format.split(QLatin1Char('|'));
    if (texts.size() != 2 || texts[0].trimmed().isEmpty() || texts[1].trimmed().isEmpty())
        return std::nullopt;
    return std::pair(texts[0].trimmed(), texts[1].trimmed());
}

QString genderWord(const std::pair<QString, QString> &words, const QString &value, bool *untold)
{
    const Gender gender = GenderOfValue(value);
    if (untold)
        *untold = gender == Gender::Unknown;
    if (gender == Gender::Male)
        return words.first;
    if (gender == Gender::Female)
        return words.second;
    return words.first + QLatin1Char('/') + words.second;
}

std::optional<QString> applyFormat(const QString &format, const QString &value, bool *untold)
{
    if (untold)
        *untold = false;
    if (format.contains(QLatin1Char('|')))
        if (const std::optional<std::pair<QString, QString>> words = genderWords(format))
            return QStringView(value).trimmed().isEmpty() ? std::nullopt : std::optional(genderWord(*words, value, untold));
    const std::optional<Format> kind = findFormat(format);
    if (!kind)
        return std::nullopt;
    switch (*kind) {
    case Format::Upper:
        return value.toUpper();
    case Format::Lower:
        return value.toLower();
    case Format::Capital:
        return capitalized(value);
    default:
        break;
    }
    if (QStringView(value).trimmed().isEmpty())
        return std::nullopt;
    switch (*kind) {
    case Format::Words:
        return formatWords(value);
    case Format::Roubles:
    case Format::Amount:
    case Format::AmountAndWords:
        return formatMoney(*kind, value);
    case Format::Total: // the sum over one record: the value itself
        return formatMoney(Format::Amount, value);
    case Format::Date:
    case Format::QuotedDate:
    case Format::NumericDate:
        return formatDate(*kind, value);
    case Format::SurnameInitials:
    case Format::InitialsSurname:
        return formatName(*kind, value);
    case Format::Genitive:
    case Format::Dative:
    case Format::Accusative:
    case Format::Instrumental:
    case Format::Prepositional:
        return formatCase(*kind, value, untold);
    default:
        return std::nullopt;
    }
}

} // namespace

bool SplitFieldFormat(const QString &inner, QString &field, QString &format)
{
    field.clear();
    format.clear();
    const qsizetype colon = inner.lastIndexOf(QLatin1Char(':'));
    if (colon < 0)
        return false;
    const QString fieldPart = inner.left(colon).trimmed();
    const QString formatPart = inner.mid(colon + 1).trimmed();
    if (fieldPart.isEmpty() || formatPart.isEmpty())
        return false;
    field = fieldPart;
    format = formatPart;
    return true;
}

bool IsKnownFieldFormat(const QString &format)
{
    return findFormat(format).has_value() || genderWords(format).has_value();
}

bool IsCaseFieldFormat(const QString &format)
{
    const std::optional<Format> kind = findFormat(format);
    return kind && int(*kind) >= int(Format::Genitive);
}

std::optional<QString> ApplyFieldFormat(const QString &format, const QString &value)
{
    return applyFormat(format, value, nullptr);
}

std::optional<QString> ApplyFieldFormats(const QStringList &formats, const QString &value, bool *untold)
{
    if (untold)
        *untold = false;
    std::optional<QString> text = value;
    for (const QString &format : formats) {
        bool stepUntold = false;
        text = applyFormat(format, *text, &stepUntold);
        if (!text)
            return std::nullopt;
        if (untold && stepUntold)
            *untold = true;
    }
    return text;
}

QList<FieldFormatReading> FieldFormatReadings(const QString &inner)
{
    QList<FieldFormatReading> readings;
    QStringList formats;
    QString rest = inner, field, format;
    while (SplitFieldFormat(rest, field, format)) {
        formats.prepend(format);
        readings.append({field, formats});
        rest = field;
    }
    return readings;
}

std::optional<qint64> ReadFieldNumber(const QString &value)
{
    const std::optional<ScaledNumber> micro = readScaled(value, 6);
    if (!micro)
        return std::nullopt;
    return micro->negative ? -qint64(micro->units) : qint64(micro->units);
}

QString FieldNumberText(qint64 micro)
{
    const quint64 magnitude = micro < 0 ? quint64(0) - quint64(micro) : quint64(micro);
    // Written digit by digit: every total of every document goes through here.
    QString text;
    text.reserve(28);
    if (micro < 0)
        text.append(QLatin1Char('-'));
    text.append(QString::number(magnitude / kMicro));
    quint64 fraction = magnitude % kMicro;
    if (fraction == 0)
        return text;
    int digits = 6;
    for (; fraction % 10 == 0; fraction /= 10)
        --digits;
    text.append(QLatin1Char(','));
    char16_t written[6];
    for (int k = digits; k-- > 0; fraction /= 10)
        written[k] = char16_t(u'0' + fraction % 10);
    text.append(QStringView(written, digits));
    return text;
}

QString NumberInWords(qint64 n, bool feminine)
{
    // The magnitude as unsigned, so that the smallest qint64 has one too.
    const quint64 magnitude = n < 0 ? quint64(0) - quint64(n) : quint64(n);
    const QString words = magnitudeInWords(magnitude, feminine);
    return n < 0 ? QStringLiteral("минус ") + words : words;
}

QStringList KnownFieldFormats()
{
    QStringList names;
    for (const FormatName &entry : kFormatNames)
        if (entry.listed)
            names.append(QString::fromUtf16(entry.listed));
    return names;
}

QStringList PlainFieldNames(const QStringList &names, Qt::CaseSensitivity cs)
{
    QStringList plain;
    QSet<QString> seen;
    for (const QString &name : names) {
        // "ФИО:родительный:фамилия и.о." is "ФИО"; "Срок:дней:прописью" is "Срок:дней"; a line
        // field "[*Товар]" and a condition "[если Телефон]" are their fields, other markers none,
        // and "[*№]" is the line's number.
        QString shown = name;
        const TLanguageToken word = ReadLanguageToken(name, [](const QString &) { return false; });
        if (word.kind == TTokenKind::Else || word.kind == TTokenKind::Close)
            continue;
        if (word.kind == TTokenKind::Open || word.kind == TTokenKind::Line)
            shown = word.field;
        if (shown.isEmpty() || (word.kind == TTokenKind::Line && shown.section(QLatin1Char(':'), 0, 0).trimmed() == QStringLiteral("№")))
            continue;
        const QString field = shown;
        for (const FieldFormatReading &reading : FieldFormatReadings(field)) {
            if (!IsKnownFieldFormat(reading.formats.first()))
                break;
            shown = reading.field;
        }
        const QString key = cs == Qt::CaseSensitive ? shown : shown.toCaseFolded();
        if (!seen.contains(key)) {
            seen.insert(key);
            plain.append(shown);
        }
    }
    return plain;
}

} // namespace dokrava
