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

// Words appended to one text, parted by single blanks: the words of an amount are written
// without a text of their own each.
class WordWriter
{
public:
    explicit WordWriter(QString &out) : m_out(out) {}
    void operator()(QStringView word)
    {
        if (!m_first)
            m_out.append(QLatin1Char(' '));
        m_out.append(word);
        m_first = false;
    }

private:
    QString &m_out;
    bool m_first = true;
};

// 1..999 in words.
void writeTriple(WordWriter &write, unsigned triple, bool feminine)
{
    if (triple >= 100)
        write(kHundreds[triple / 100]);
    unsigned rest = triple % 100;
    if (rest >= 20) {
        write(kTens[rest / 10]);
        rest %= 10;
    }
    if (rest == 0)
        return;
    if (feminine && rest == 1)
        write(u"одна");
    else if (feminine && rest == 2)
        write(u"две");
    else
        write(kUnitsMasculine[rest]);
}

void appendMagnitudeInWords(QString &out, quint64 n, bool feminine)
{
    WordWriter write(out);
    if (n == 0) {
        write(u"ноль");
        return;
    }
    std::array<unsigned, 7> groups{}; // groups[0] units, groups[1] thousands, …
    for (unsigned &group : groups) {
        group = unsigned(n % 1000);
        n /= 1000;
    }
    for (size_t k = groups.size(); k-- > 1;) {
        if (groups[k] == 0)
            continue;
        const Scale &scale = kScales[k - 1];
        writeTriple(write, groups[k], scale.feminine);
        write(pluralForm(groups[k], scale.one, scale.few, scale.many));
    }
    if (groups[0] != 0)
        writeTriple(write, groups[0], feminine);
}

// "минус " when negative, then n in words (masculine).
void appendSignedWords(QString &out, bool negative, quint64 n)
{
    if (negative)
        out.append(u"минус ");
    appendMagnitudeInWords(out, n, false);
}

// Room for an amount up to the limit in words with its figures and currency words, so that
// writing it takes one allocation.
constexpr qsizetype kAmountInWordsRoom = 256;

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

// ---- Writing digits ----
//
// Amounts, totals and dates are written digit by digit into texts of their final size: a document
// writes an amount for every line, and texts put together piece by piece cost more than the rest
// of the amount.

constexpr char16_t kGroupBlank = 0x00A0;

int digitCount(quint64 n)
{
    int count = 1;
    for (; n >= 10; n /= 10)
        ++count;
    return count;
}

// The length of n's digits, in groups of three parted by blanks when grouped.
qsizetype digitsLength(quint64 n, bool grouped)
{
    const int count = digitCount(n);
    return grouped ? count + (count - 1) / 3 : count;
}

// Writes n's digits (in groups of three parted by no-break spaces when grouped) so that they end
// just before end; returns where they begin.
char16_t *writeDigitsBefore(char16_t *end, quint64 n, bool grouped)
{
    int written = 0;
    do {
        if (grouped && written > 0 && written % 3 == 0)
            *--end = kGroupBlank;
        *--end = char16_t(u'0' + n % 10);
        n /= 10;
        ++written;
    } while (n > 0);
    return end;
}

char16_t *textData(QString &text)
{
    return reinterpret_cast<char16_t *>(text.data());
}

void appendDigits(QString &out, quint64 n, bool grouped = false)
{
    const qsizetype from = out.size(), length = digitsLength(n, grouped);
    out.resize(from + length);
    writeDigitsBefore(textData(out) + from + length, n, grouped);
}

// Two digits, with a leading zero: kopecks, and days and months of dates.
void appendTwoDigits(QString &out, unsigned n)
{
    const char16_t digits[2] = {char16_t(u'0' + n / 10 % 10), char16_t(u'0' + n % 10)};
    out.append(QStringView(digits, 2));
}

// "-1 234,50": the form lines of documents write most, in one text of its final size.
QString amountText(const Money &money)
{
    const qsizetype size = (money.negative ? 1 : 0) + digitsLength(money.roubles, true) + 3;
    QString out(size, Qt::Uninitialized);
    char16_t *at = textData(out) + size;
    *--at = char16_t(u'0' + money.kopecks % 10);
    *--at = char16_t(u'0' + money.kopecks / 10 % 10);
    *--at = u',';
    at = writeDigitsBefore(at, money.roubles, true);
    if (money.negative)
        *--at = u'-';
    return out;
}

// " рублей 05 копеек": the currency words after an amount's roubles.
void appendCurrencyWords(QString &out, const Money &money)
{
    out.append(QLatin1Char(' '));
    out.append(pluralForm(money.roubles, u"рубль", u"рубля", u"рублей"));
    out.append(QLatin1Char(' '));
    appendTwoDigits(out, money.kopecks);
    out.append(QLatin1Char(' '));
    out.append(pluralForm(money.kopecks, u"копейка", u"копейки", u"копеек"));
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
    QString out;
    out.reserve(kAmountInWordsRoom);
    appendSignedWords(out, number->negative && number->whole != 0, number->whole);
    return out;
}

std::optional<QString> formatMoney(Format format, const QString &value)
{
    const std::optional<Money> money = readMoney(value);
    if (!money)
        return std::nullopt;
    if (format == Format::Amount)
        return amountText(*money);
    QString out;
    out.reserve(kAmountInWordsRoom);
    if (format == Format::AmountAndWords) { // "-5 (минус пять) рублей 00 копеек"
        if (money->negative)
            out.append(QLatin1Char('-'));
        appendDigits(out, money->roubles, true);
        out.append(u" (");
        appendSignedWords(out, money->negative, money->roubles);
        out.append(QLatin1Char(')'));
    } else { // Format::Roubles: "минус пять рублей 00 копеек"
        appendSignedWords(out, money->negative, money->roubles);
    }
    appendCurrencyWords(out, *money);
    return out;
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
    // Put together in one text without QString::arg: a document may write several dates.
    const QStringView month(kMonthsGenitive[size_t(date->month() - 1)]);
    QString out;
    out.reserve(24);
    if (format == Format::NumericDate) { // "05.03.2026"
        appendTwoDigits(out, unsigned(date->day()));
        out.append(QLatin1Char('.'));
        appendTwoDigits(out, unsigned(date->month()));
        out.append(QLatin1Char('.'));
        appendDigits(out, quint64(date->year()));
        return out;
    }
    if (format == Format::QuotedDate) { // "«05» марта 2026 г."
        out.append(u'«');
        appendTwoDigits(out, unsigned(date->day()));
        out.append(u"» ");
    } else { // Format::Date: "5 марта 2026 г."
        appendDigits(out, quint64(date->day()));
        out.append(QLatin1Char(' '));
    }
    out.append(month);
    out.append(QLatin1Char(' '));
    appendDigits(out, quint64(date->year()));
    out.append(u" г.");
    return out;
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

std::optional<QString> genderWord(const QString &man, const QString &woman, const QString &value, bool *untold)
{
    if (QStringView(value).trimmed().isEmpty())
        return std::nullopt;
    const Gender gender = GenderOfValue(value);
    if (untold)
        *untold = gender == Gender::Unknown;
    if (gender == Gender::Male)
        return man;
    if (gender == Gender::Female)
        return woman;
    return man + QLatin1Char('/') + woman;
}

// The value in a named format found already.
std::optional<QString> applyKind(Format kind, const QString &value, bool *untold)
{
    switch (kind) {
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
    switch (kind) {
    case Format::Words:
        return formatWords(value);
    case Format::Roubles:
    case Format::Amount:
    case Format::AmountAndWords:
        return formatMoney(kind, value);
    case Format::Total: // the sum over one record: the value itself
        return formatMoney(Format::Amount, value);
    case Format::Date:
    case Format::QuotedDate:
    case Format::NumericDate:
        return formatDate(kind, value);
    case Format::SurnameInitials:
    case Format::InitialsSurname:
        return formatName(kind, value);
    case Format::Genitive:
    case Format::Dative:
    case Format::Accusative:
    case Format::Instrumental:
    case Format::Prepositional:
        return formatCase(kind, value, untold);
    default:
        return std::nullopt;
    }
}

// The kinds of a chain's steps that name no format of the table.
constexpr int kUnknownFormat = -1;
constexpr int kGenderWords = -2;

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
    return FieldFormatChain(QStringList{format}).apply(value);
}

std::optional<QString> ApplyFieldFormats(const QStringList &formats, const QString &value, bool *untold)
{
    return FieldFormatChain(formats).apply(value, untold);
}

FieldFormatChain::FieldFormatChain(const QStringList &formats)
{
    m_steps.reserve(formats.size());
    for (const QString &format : formats) {
        Step step;
        // A gender word is told by its bar before the table is looked at: "он|она" is no name.
        const std::optional<std::pair<QString, QString>> words =
            format.contains(QLatin1Char('|')) ? genderWords(format) : std::nullopt;
        if (words) {
            step.kind = kGenderWords;
            step.man = words->first;
            step.woman = words->second;
        } else if (const std::optional<Format> kind = findFormat(format)) {
            step.kind = int(*kind);
        }
        m_steps.append(step);
    }
}

std::optional<QString> FieldFormatChain::applyStep(const Step &step, const QString &value, bool *untold)
{
    if (step.kind == kGenderWords)
        return genderWord(step.man, step.woman, value, untold);
    if (step.kind == kUnknownFormat)
        return std::nullopt;
    return applyKind(Format(step.kind), value, untold);
}

std::optional<QString> FieldFormatChain::apply(const QString &value, bool *untold) const
{
    if (untold)
        *untold = false;
    if (m_steps.isEmpty())
        return value;
    // The first step reads the value itself: a chain of one format, as nearly all are, copies
    // no text on the way.
    bool stepUntold = false;
    std::optional<QString> text = applyStep(m_steps.first(), value, &stepUntold);
    for (qsizetype k = 1;; ++k) {
        if (!text)
            return std::nullopt;
        if (untold && stepUntold)
            *untold = true;
        if (k == m_steps.size())
            return text;
        stepUntold = false;
        text = applyStep(m_steps[k], *text, &stepUntold);
    }
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
    // Written digit by digit into a text of its final size: every total of every document goes
    // through here.
    const quint64 magnitude = micro < 0 ? quint64(0) - quint64(micro) : quint64(micro);
    const quint64 whole = magnitude / kMicro;
    quint64 fraction = magnitude % kMicro;
    int fractionDigits = fraction == 0 ? 0 : 6;
    for (; fraction != 0 && fraction % 10 == 0; fraction /= 10)
        --fractionDigits;
    const qsizetype size = (micro < 0 ? 1 : 0) + digitsLength(whole, false) + (fractionDigits > 0 ? fractionDigits + 1 : 0);
    QString text(size, Qt::Uninitialized);
    char16_t *at = textData(text) + size;
    for (int k = 0; k < fractionDigits; ++k, fraction /= 10)
        *--at = char16_t(u'0' + fraction % 10);
    if (fractionDigits > 0)
        *--at = u',';
    at = writeDigitsBefore(at, whole, false);
    if (micro < 0)
        *--at = u'-';
    return text;
}

QString NumberInWords(qint64 n, bool feminine)
{
    // The magnitude as unsigned, so that the smallest qint64 has one too.
    const quint64 magnitude = n < 0 ? quint64(0) - quint64(n) : quint64(n);
    QString out;
    out.reserve(kAmountInWordsRoom);
    if (n < 0)
        out.append(u"минус ");
    appendMagnitudeInWords(out, magnitude, feminine);
    return out;
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
