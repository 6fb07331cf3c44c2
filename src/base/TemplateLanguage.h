#pragma once

#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

namespace dokrava {

// The words of the template language, as pure functions of a bracket's inner text:
// "[*Поле]" a field of a line, "[если Поле]", "[если не Поле]", "[если Поле = текст]" (also "!=",
// ">", "<", ">=", "<="), "[иначе]" and "[/если]" the markers of a block. A text that is a field's
// whole name is always that field, whatever it looks like. Keywords ignore letter case.

enum class TTokenKind { Plain, Line, Open, Else, Close };

// What a condition asks of its field's value.
enum class TConditionTest { Filled, Empty, Equal, NotEqual, Greater, Less, GreaterOrEqual, LessOrEqual };

struct TLanguageToken
{
    TTokenKind kind = TTokenKind::Plain;
    QString field;   // the field of a line ("Товар" of "[*Товар]", formats kept) or of a condition
    TConditionTest test = TConditionTest::Filled;
    QString operand; // the text compared with, trimmed
};

// The reading of a bracket's inner text (trimmed of blanks); isField tells whether a text is the
// whole name of a field (a column, or a personal field where those count).
TLanguageToken ReadLanguageToken(const QString &inner, const std::function<bool(const QString &)> &isField);

// True when the inner text may be a word of the language, whatever the columns: a quick test
// that lets a template without such words go the way it always went.
bool MayBeLanguageToken(const QString &inner);

// The result of a condition for a value: a comparison of numbers where the value or the operand
// is no number is neither true nor false (std::nullopt): its block is dropped whole.
std::optional<bool> EvaluateCondition(const TLanguageToken &token, const QString &value);

// True when a comparison reads numbers (">", "<", ">=", "<=").
bool IsNumericTest(TConditionTest test);

// The text a user wrote for a marker, for messages: "[если Телефон]".
QString MarkerText(const QString &inner);

} // namespace dokrava
