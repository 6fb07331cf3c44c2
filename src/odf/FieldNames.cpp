#include "odf/FieldNames.h"

#include <QCollator>
#include <QSet>

#include <algorithm>

namespace dokrava {

QStringList SortFieldNames(const QStringList &names)
{
    QStringList unique;
    QSet<QString> seen;
    for (const QString &name : names) {
        const QString key = name.toCaseFolded();
        if (!seen.contains(key)) {
            seen.insert(key);
            unique.append(name);
        }
    }
    QCollator collator; // the user's locale
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    std::stable_sort(unique.begin(), unique.end(),
                     [&](const QString &a, const QString &b) { return collator.compare(a, b) < 0; });
    return unique;
}

} // namespace dokrava
