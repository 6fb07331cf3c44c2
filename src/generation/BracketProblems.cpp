#include "generation/BracketProblems.h"

namespace dokrava {

namespace {

bool isBlank(QChar c)
{
    return c.unicode() <= 32 || c.unicode() == 0xFFFF || c.isSpace();
}

} // namespace

QList<TBracketProblem> FindBracketProblems(const QString &paragraph)
{
    QList<TBracketProblem> problems;
    qsizetype open = -1;
    bool doubled = false; // the open "[" came right after another one
    for (qsizetype i = 0; i < paragraph.size(); ++i) {
        const QChar c = paragraph.at(i);
        if (c == QLatin1Char('[')) {
            doubled = open >= 0 && open == i - 1;
            if (doubled)
                problems.append({TBracketProblem::Doubled, open});
            else if (open >= 0)
                problems.append({TBracketProblem::Unclosed, open});
            open = i;
        } else if (c == QLatin1Char(']')) {
            if (open < 0) {
                problems.append({TBracketProblem::Unopened, i});
                continue;
            }
            bool blank = true;
            for (qsizetype k = open + 1; k < i && blank; ++k)
                blank = isBlank(paragraph.at(k));
            if (blank)
                problems.append({TBracketProblem::Empty, open});
            // "[[name]]" is one mistake: its second "]" is not reported again.
            if (doubled && i + 1 < paragraph.size() && paragraph.at(i + 1) == QLatin1Char(']'))
                ++i;
            open = -1;
            doubled = false;
        }
    }
    if (open >= 0)
        problems.append({TBracketProblem::Unclosed, open});
    return problems;
}

} // namespace dokrava
