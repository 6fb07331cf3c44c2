#include "base/TemplateLanguage.h"

#include "base/FieldFormat.h"

namespace dokrava {

namespace {

const QString kIf = QStringLiteral("если");
const QString kNot = QStringLiteral("не");

bool isBlank(QChar c)
{
    return c.unicode() <= 32 || c.isSpace();
}

// Text as a comparison of words sees it: letter case, blanks around it and "ё" against "е" aside.
QString comparable(const QString &text)
{
    QString folded = text.trimmed().toCaseFolded();
    folded.replace(QChar(0x0451), QChar(0x0435));
    return folded;
}

// The keyword "если" and what follows it, or nothing when inner does not begin with the keyword
// followed by a blank.
std::optional<QString> afterIf(const QString &inner)
{
    if (!inner.startsWith(kIf, Qt::CaseInsensitive))
        return std::nullopt;
    if (inner.size() == kIf.size())
        return QString();
    if (!isBlank(inner.at(kIf.size())))
        return std::nullopt;
    return inner.mid(kIf.size()).trimmed();
}

struct Operator
{
    QLatin1String text;
    TConditionTest test;
};

// The first operator of a condition, the two-character ones before their first character alone.
std::optional<std::pair<qsizetype, Operator>> findOperator(const QString &condition)
{
    static const Operator operators[] = {
        {QLatin1String("!="), TConditionTest::NotEqual},       {QLatin1String(">="), TConditionTest::GreaterOrEqual},
        {QLatin1String("<="), TConditionTest::LessOrEqual},    {QLatin1String("="), TConditionTest::Equal},
        {QLatin1String(">"), TConditionTest::Greater},         {QLatin1String("<"), TConditionTest::Less},
    };
    for (qsizetype i = 0; i < condition.size(); ++i)
        for (const Operator &op : operators)
            if (QStringView(condition).mid(i).startsWith(op.text))
                return std::make_pair(i, op);
    return std::nullopt;
}

TLanguageToken condition(const QString &text, const std::function<bool(const QString &)> &isField)
{
    TLanguageToken token;
    token.kind = TTokenKind::Open;
    token.field = text;
    if (text.isEmpty() || isField(text))
        return token;
    if (text.startsWith(kNot, Qt::CaseInsensitive) && text.size() > kNot.size() && isBlank(text.at(kNot.size()))) {
        token.field = text.mid(kNot.size()).trimmed();
        token.test = TConditionTest::Empty;
        return token;
    }
    if (const auto found = findOperator(text)) {
        token.field = text.left(found->first).trimmed();
        token.test = found->second.test;
        token.operand = text.mid(found->first + found->second.text.size()).trimmed();
    }
    return token;
}

} // namespace

TLanguageToken ReadLanguageToken(const QString &inner, const std::function<bool(const QString &)> &isField)
{
    TLanguageToken token;
    if (inner.isEmpty() || isField(inner))
        return token;
    if (inner.startsWith(QLatin1Char('*'))) {
        token.kind = TTokenKind::Line;
        token.field = inner.mid(1).trimmed();
        return token;
    }
    if (inner.compare(QStringLiteral("иначе"), Qt::CaseInsensitive) == 0) {
        token.kind = TTokenKind::Else;
        return token;
    }
    if (inner.compare(QStringLiteral("/если"), Qt::CaseInsensitive) == 0) {
        token.kind = TTokenKind::Close;
        return token;
    }
    if (const std::optional<QString> rest = afterIf(inner))
        return condition(*rest, isField);
    return token;
}

bool MayBeLanguageToken(const QString &inner)
{
    return ReadLanguageToken(inner, [](const QString &) { return false; }).kind != TTokenKind::Plain;
}

bool IsNumericTest(TConditionTest test)
{
    return test == TConditionTest::Greater || test == TConditionTest::Less || test == TConditionTest::GreaterOrEqual
           || test == TConditionTest::LessOrEqual;
}

std::optional<bool> EvaluateCondition(const TLanguageToken &token, const QString &value)
{
    switch (token.test) {
    case TConditionTest::Filled: return !value.trimmed().isEmpty();
    case TConditionTest::Empty: return value.trimmed().isEmpty();
    case TConditionTest::Equal: return comparable(value) == comparable(token.operand);
    case TConditionTest::NotEqual: return comparable(value) != comparable(token.operand);
    default: break;
    }
    const std::optional<qint64> left = ReadFieldNumber(value), right = ReadFieldNumber(token.operand);
    if (!left || !right)
        return std::nullopt;
    switch (token.test) {
    case TConditionTest::Greater: return *left > *right;
    case TConditionTest::Less: return *left < *right;
    case TConditionTest::GreaterOrEqual: return *left >= *right;
    default: return *left <= *right;
    }
}

QString MarkerText(const QString &inner)
{
    return QLatin1Char('[') + inner + QLatin1Char(']');
}

} // namespace dokrava
