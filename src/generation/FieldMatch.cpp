#include "generation/FieldMatch.h"

#include <QList>

#include <algorithm>

namespace dokrava {

namespace {

bool isBlank(QChar c)
{
    return c.unicode() <= 32 || c.unicode() == 0xFFFF || c.isSpace();
}

// Folded, without any blank.
QString compact(QStringView name)
{
    QString out;
    out.reserve(name.size());
    for (const QChar c : name)
        if (!isBlank(c))
            out += c.toCaseFolded();
    return out;
}

// Folded, trimmed, every run of blanks as one space.
QString normalized(QStringView name)
{
    QString out;
    out.reserve(name.size());
    bool blank = false;
    for (const QChar c : name) {
        if (isBlank(c)) {
            blank = !out.isEmpty();
            continue;
        }
        if (blank)
            out += QLatin1Char(' ');
        blank = false;
        out += c.toCaseFolded();
    }
    return out;
}

} // namespace

QString FoldedName(QStringView name)
{
    QString f = name.toString();
    for (QChar &c : f)
        c = c.toCaseFolded();
    return f;
}

int EditDistance(QStringView a, QStringView b, int limit)
{
    const qsizetype n = a.size(), m = b.size();
    const int over = limit + 1;
    if (std::abs(int(n - m)) > limit)
        return over;
    // Only the cells within limit of the diagonal can hold a distance up to limit, so each row is
    // computed there alone; a cell outside that band is never written and keeps "over". Three
    // rows of the table: the one before the previous one is needed for swaps.
    QList<int> before(m + 1, over), previous(m + 1, over), current(m + 1, over);
    for (qsizetype j = 0; j <= std::min<qsizetype>(m, limit); ++j)
        previous[j] = int(j);
    for (qsizetype i = 1; i <= n; ++i) {
        const qsizetype from = std::max<qsizetype>(1, i - limit);
        const qsizetype to = std::min<qsizetype>(m, i + limit);
        current[from - 1] = from == 1 ? int(i) : over;
        int rowBest = current[from - 1];
        for (qsizetype j = from; j <= to; ++j) {
            const int cost = a[i - 1] == b[j - 1] ? 0 : 1;
            int d = std::min({previous[j] + 1, current[j - 1] + 1, previous[j - 1] + cost});
            if (i > 1 && j > 1 && a[i - 1] == b[j - 2] && a[i - 2] == b[j - 1])
                d = std::min(d, before[j - 2] + 1);
            current[j] = std::min(d, over);
            rowBest = std::min(rowBest, current[j]);
        }
        if (rowBest > limit)
            return over;
        std::swap(before, previous);
        std::swap(previous, current);
    }
    return std::min(previous[m], over);
}

int ProbableName(const QString &name, const QStringList &candidates)
{
    const QString wantedCompact = compact(name);
    if (!wantedCompact.isEmpty()) {
        for (int i = 0; i < candidates.size(); ++i)
            if (!candidates[i].isEmpty() && compact(candidates[i]) == wantedCompact)
                return i;
    }
    const QString wanted = normalized(name);
    if (wanted.size() < kSuggestMinLength || wanted.size() > kSuggestMaxLength)
        return -1;
    int best = -1;
    int bestDistance = kSuggestMaxEdits + 1;
    for (int i = 0; i < candidates.size(); ++i) {
        const QString candidate = normalized(candidates[i]);
        if (candidate.size() < kSuggestMinLength || candidate.size() > kSuggestMaxLength)
            continue;
        const int d = EditDistance(wanted, candidate, kSuggestMaxEdits);
        if (d < bestDistance) {
            best = i;
            bestDistance = d;
        }
    }
    return best;
}

} // namespace dokrava
