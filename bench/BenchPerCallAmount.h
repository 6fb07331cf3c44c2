#pragma once

// The format "сумма" as it was applied before formats were read once, kept here only to be
// measured against: the format found by its name on every value, the value's text copied into
// the chain, and the amount put together piece by piece ("-1 234,50").

#include <QString>
#include <QStringList>
#include <QStringView>

#include <array>
#include <optional>

namespace BenchPerCallAmount {

// The names the format was looked for among, in their order.
constexpr std::array<const char16_t *, 27> kNames{
    u"прописью", u"рубли", u"сумма", u"сумма и прописью", u"итого", u"дата", u"«дата»", u"\"дата\"", u"“дата”",
    u"„дата“", u"дд.мм.гггг", u"прописные", u"строчные", u"заглавная", u"фамилия и.о.", u"фамилия и. о.",
    u"и.о. фамилия", u"и. о. фамилия", u"родительный", u"кого", u"дательный", u"кому", u"винительный",
    u"творительный", u"кем", u"предложный", u"о ком"};

inline int findName(const QString &format)
{
    for (size_t k = 0; k < kNames.size(); ++k)
        if (format == QStringView(kNames[k]))
            return int(k);
    const QString key = format.simplified().toLower();
    for (size_t k = 0; k < kNames.size(); ++k)
        if (key == QStringView(kNames[k]))
            return int(k);
    return -1;
}

struct Money
{
    bool negative = false;
    quint64 roubles = 0;
    unsigned kopecks = 0;
};

inline bool isDigit(QChar c)
{
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

// The amount in kopecks, rounded half up (whole parts of up to twelve digits).
inline std::optional<Money> readMoney(const QString &value)
{
    const QStringView text = QStringView(value).trimmed();
    qsizetype i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == QLatin1Char('-') || text[i] == QChar(0x2212) || text[i] == QLatin1Char('+')))
        negative = text[i++] != QLatin1Char('+');
    quint64 whole = 0;
    qsizetype groupLength = 0, significant = 0;
    bool grouped = false;
    for (; i < text.size(); ++i) {
        const QChar c = text[i];
        if (isDigit(c)) {
            const unsigned digit = unsigned(c.unicode() - u'0');
            if (significant > 0 || digit != 0)
                ++significant;
            if (significant <= 12)
                whole = whole * 10 + digit;
            ++groupLength;
            if (grouped && groupLength > 3)
                return std::nullopt;
        } else if (c == QLatin1Char(' ') || c == QChar(0x00A0) || c == QChar(0x202F)) {
            if (groupLength == 0 || (grouped ? groupLength != 3 : groupLength > 3))
                return std::nullopt;
            grouped = true;
            groupLength = 0;
        } else {
            break;
        }
    }
    if (groupLength == 0 || (grouped && groupLength != 3) || significant > 12)
        return std::nullopt;
    QStringView fraction;
    if (i < text.size()) {
        if (text[i] != QLatin1Char(',') && text[i] != QLatin1Char('.'))
            return std::nullopt;
        const qsizetype from = ++i;
        while (i < text.size() && isDigit(text[i]))
            ++i;
        fraction = text.mid(from, i - from);
        if (fraction.isEmpty() || i < text.size())
            return std::nullopt;
    }
    quint64 units = whole;
    for (qsizetype k = 0; k < 2; ++k)
        units = units * 10 + (k < fraction.size() ? unsigned(fraction[k].unicode() - u'0') : 0u);
    if (fraction.size() > 2 && fraction[2] >= QLatin1Char('5'))
        ++units;
    if (units / 100 > 999'999'999'999ULL)
        return std::nullopt;
    return Money{negative && units != 0, units / 100, unsigned(units % 100)};
}

inline QString twoDigits(unsigned n)
{
    const QChar digits[2] = {QChar(char16_t(u'0' + n / 10 % 10)), QChar(char16_t(u'0' + n % 10))};
    return QString(digits, 2);
}

inline QString amountText(const Money &money)
{
    QString out;
    out.reserve(24);
    if (money.negative)
        out.append(QLatin1Char('-'));
    char16_t digits[20];
    int count = 0;
    quint64 n = money.roubles;
    do {
        digits[count++] = char16_t(u'0' + n % 10);
        n /= 10;
    } while (n > 0);
    for (int k = count; k-- > 0;) {
        out.append(QChar(digits[k]));
        if (k > 0 && k % 3 == 0)
            out.append(QChar(0x00A0));
    }
    out.append(QLatin1Char(','));
    out.append(twoDigits(money.kopecks));
    return out;
}

// The value in the formats named, of which only "сумма" is known here.
inline std::optional<QString> apply(const QStringList &formats, const QString &value)
{
    std::optional<QString> text = value;
    for (const QString &format : formats) {
        if (format.contains(QLatin1Char('|')) || findName(format) != 2 || QStringView(*text).trimmed().isEmpty())
            return std::nullopt;
        const std::optional<Money> money = readMoney(*text);
        if (!money)
            return std::nullopt;
        text = amountText(*money);
    }
    return text;
}

} // namespace BenchPerCallAmount
