#include "generation/GridSnapshot.h"

#include "base/DokravaError.h"
#include "grid/TGridModel.h"

#include <QSet>

namespace dokrava {

TGridSnapshot TGridSnapshot::fromModel(const TGridModel &grid)
{
    // Copying every row of a large table for a few marked records cost seconds and hundreds of
    // MiB, with the window waiting.
    TGridSnapshot s;
    const int count = grid.rowCount();
    s.rows.resize(count);
    s.marks.resize(count);
    s.currentRow = grid.row();
    for (int r = 0; r < count; ++r) {
        s.marks[r] = grid.mark(r);
        if (r == 0 || s.marks[r] || r == s.currentRow)
            s.rows[r] = grid.record(r);
    }
    return s;
}

TFieldValues BuildFieldValues(const QStringList &headers, const QStringList &record)
{
    TFieldValues values;
    QSet<QString> seen;
    for (int c = 0; c < headers.size(); ++c) {
        if (headers[c].isEmpty())
            continue;
        if (seen.contains(headers[c]))
            throw DokravaError(QStringLiteral("Duplicates not allowed"));
        seen.insert(headers[c]);
        values.append({headers[c], record.value(c)});
    }
    return values;
}

} // namespace dokrava
