#include "generation/RecordGroups.h"

#include <QHash>

namespace dokrava {

namespace {

QString keyOf(const QStringList &row, const QList<int> &keyColumns, bool loose)
{
    QString key;
    for (const int c : keyColumns) {
        // Letter case and inner blanks aside, for groups probably meant as one.
        const QString value = loose ? row.value(c).simplified().toCaseFolded() : row.value(c).trimmed();
        key += value + QChar(0xFFFF);
    }
    return key;
}

} // namespace

QList<QList<int>> GroupRecords(const QList<QStringList> &rows, const QList<int> &chosen, const QList<int> &keyColumns)
{
    QList<QList<int>> groups;
    QHash<QString, int> index;
    for (const int row : chosen) {
        const QString key = keyOf(rows.value(row), keyColumns, false);
        const auto known = index.constFind(key);
        if (known != index.cend()) {
            groups[*known].append(row);
            continue;
        }
        index.insert(key, int(groups.size()));
        groups.append(QList<int>{row});
    }
    return groups;
}

QList<QPair<int, int>> SimilarGroups(const QList<QStringList> &rows, const QList<QList<int>> &groups,
                                     const QList<int> &keyColumns)
{
    QList<QPair<int, int>> similar;
    QHash<QString, int> first;
    for (int g = 0; g < groups.size(); ++g) {
        const QString key = keyOf(rows.value(groups[g].first()), keyColumns, true);
        const auto known = first.constFind(key);
        if (known != first.cend())
            similar.append({*known, g});
        else
            first.insert(key, g);
    }
    return similar;
}

TDocumentGroups::TDocumentGroups(const QList<QStringList> &rows, const QList<int> &chosen, const QList<int> &keyColumns)
    : m_grouped(true)
{
    for (const QList<int> &group : GroupRecords(rows, chosen, keyColumns))
        m_byFirst.insert(group.first(), group);
}

QList<int> TDocumentGroups::documentAt(int row) const
{
    if (!m_grouped)
        return {row};
    return m_byFirst.value(row);
}

QString DocumentsMadeText(int documents, int records)
{
    QString text = QStringLiteral("Документов создано: %1").arg(documents);
    if (records != documents)
        text += QStringLiteral(" (записей: %1)").arg(records);
    return text;
}

} // namespace dokrava
