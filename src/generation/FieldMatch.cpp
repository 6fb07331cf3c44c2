#include "generation/FieldMatch.h"

#include <QList>

#include <algorithm>

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
    if (std::abs(int(n - m)) > limit)
        return limit + 1;
    // Three rows of the table: the one before the previous one is needed for swaps.
    QList<int> before(m + 1), previous(m + 1), current(m + 1);
    for (qsizetype j = 0; j <= m; ++j)
        previous[j] = int(j);
    for (qsizetype i = 1; i <= n; ++i) {
        current[0] = int(i);
        int rowBest = current[0];
        for (qsizetype j = 1; j <= m; ++j) {
            const int cost = a[i - 1] == b[j - 1] ? 0 : 1;
            int d = std::min({previous[j] + 1, current[j - 1] + 1, previous[j - 1] + cost});
            if (i > 1 && j > 1 && a[i - 1] == b[j - 2] && a[i - 2] == b[j - 1])
                d = std::min(d, before[j - 2] + 1);
            current[j] = d;
            rowBest = std::min(rowBest, d);
        }
        if (rowBest > limit)
            return limit + 1;
        std::swap(before, previous);
        std::swap(previous, current);
    }
    return std::min(previous[m], limit + 1);
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
    if (wanted.size() < kSuggestMinLength)
        return -1;
    int best = -1;
    int bestDistance = kSuggestMaxEdits + 1;
    for (int i = 0; i < candidates.size(); ++i) {
        const QString candidate = normalized(candidates[i]);
        if (candidate.size() < kSuggestMinLength)
            continue;
        const int d = EditDistance(wanted, candidate, kSuggestMaxEdits);
        if (d < bestDistance) {
            best = i;
            bestDistance = d;
        }
    }
    return best;
}
