#pragma once

#include <QList>
#include <QString>

namespace dokrava {

// A spot in a paragraph where a placeholder is written wrongly.
struct TBracketProblem
{
    enum Kind {
        Unclosed, // "[" with no "]" before the paragraph ends or the next "["
        Unopened, // "]" with no "[" before it
        Doubled,  // "[[" (a following "]]" is not counted again)
        Empty     // "[]", or only blanks between the brackets
    };
    Kind kind;
    qsizetype position; // of the bracket in the paragraph text
    bool operator==(const TBracketProblem &) const = default;
};

// The wrongly written placeholders of one paragraph text, left to right.
QList<TBracketProblem> FindBracketProblems(const QString &paragraph);

} // namespace dokrava
