#pragma once

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

namespace dokrava {

// The documents a template with lines ("[*Поле]") makes of the chosen records: one per group of
// records that agree on every field the template uses outside lines, adjacent or not, in the
// order of each group's first record. Values are compared with the blanks around them trimmed.

// The groups of the chosen rows (row numbers of rows, in order); each group lists its rows in order.
// keyColumns are indexes into a row's cells.
QList<QList<int>> GroupRecords(const QList<QStringList> &rows, const QList<int> &chosen, const QList<int> &keyColumns);

// Groups whose values differ only in letter case or inner blanks, as pairs of indexes into groups:
// probably one group written two ways.
QList<QPair<int, int>> SimilarGroups(const QList<QStringList> &rows, const QList<QList<int>> &groups,
                                     const QList<int> &keyColumns);

// The documents one template makes of the chosen rows: one per row, or one per group.
class TDocumentGroups
{
public:
    // One document per row.
    TDocumentGroups() = default;
    // One document per group of the chosen rows by the key columns (GroupRecords).
    TDocumentGroups(const QList<QStringList> &rows, const QList<int> &chosen, const QList<int> &keyColumns);

    // True when documents are made of groups.
    bool grouped() const { return m_grouped; }
    // The rows of the document that row starts: row alone when not grouped; none when row belongs
    // to a document an earlier row starts.
    QList<int> documentAt(int row) const;
    // The documents the chosen rows make, when grouped.
    int documents() const { return int(m_byFirst.size()); }

private:
    bool m_grouped = false;
    QHash<int, QList<int>> m_byFirst;
};

// The count of a run that made documents of groups: "Документов создано: 3 (записей: 6)"; without
// "(записей: …)" when every document was one record.
QString DocumentsMadeText(int documents, int records);

} // namespace dokrava
