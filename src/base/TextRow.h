#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QStringView>

namespace dokrava {

// The texts of one table row held in a single block: how many cells, where each cell ends, then
// the cells back to back. A table of a million rows then costs one allocation a row instead of
// one a cell. Cells are read by value; changing a cell rewrites this row only.
class TTextRow
{
public:
    TTextRow() = default;
    // A row of count empty cells.
    explicit TTextRow(int count);
    // The row of these cells.
    explicit TTextRow(const QStringList &cells);

    // Number of cells.
    int size() const;
    // Text of cell i; empty beyond the row.
    QString at(int i) const { return view(i).toString(); }
    // Text of cell i without a copy, valid until the row changes; empty beyond the row.
    QStringView view(int i) const;
    // Every cell as a list.
    QStringList toList() const;

    // Sets cell i; a row shorter than i + 1 cells grows with empty ones.
    void set(int i, QStringView text);
    // Cuts the row to count cells or pads it with empty ones.
    void resize(int count);
    // Moves cell from to position to, the cells in between shifting by one.
    void move(int from, int to);
    // Removes cell i, the cells after it moving one place forward.
    void removeAt(int i);

    friend bool operator==(const TTextRow &a, const TTextRow &b) { return a.m_data == b.m_data; }

private:
    friend class TTextRowBuilder;
    quint32 word(int at) const;
    qsizetype textStart() const { return 2 + 2 * qsizetype(size()); }

    // [count: 2 units][end of cell i, counted from the first text unit: 2 units each][texts]
    QString m_data;
};

} // namespace dokrava
