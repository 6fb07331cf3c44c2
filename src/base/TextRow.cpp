#include "base/TextRow.h"

#include "base/TextRowBuilder.h"

#include <algorithm>

namespace dokrava {

TTextRow::TTextRow(int count)
{
    TTextRowBuilder b;
    for (int i = 0; i < count; ++i)
        b.append(QStringView());
    *this = b.take();
}

TTextRow::TTextRow(const QStringList &cells)
{
    TTextRowBuilder b;
    for (const QString &c : cells)
        b.append(c);
    *this = b.take();
}

quint32 TTextRow::word(int at) const
{
    return (quint32(m_data.at(at).unicode()) << 16) | m_data.at(at + 1).unicode();
}

int TTextRow::size() const
{
    return m_data.isEmpty() ? 0 : int(word(0));
}

QStringView TTextRow::view(int i) const
{
    if (i < 0 || i >= size())
        return {};
    const quint32 from = i == 0 ? 0 : word(2 + 2 * (i - 1));
    const quint32 to = word(2 + 2 * i);
    return QStringView(m_data).mid(textStart() + from, to - from);
}

QStringList TTextRow::toList() const
{
    QStringList out;
    const int n = size();
    out.reserve(n);
    for (int i = 0; i < n; ++i)
        out.append(at(i));
    return out;
}

void TTextRow::set(int i, QStringView text)
{
    if (i < 0)
        return;
    TTextRowBuilder b;
    const int n = std::max(size(), i + 1);
    for (int k = 0; k < n; ++k)
        b.append(k == i ? text : view(k));
    *this = b.take();
}

void TTextRow::resize(int count)
{
    count = std::max(count, 0);
    if (count == size())
        return;
    TTextRowBuilder b;
    for (int k = 0; k < count; ++k)
        b.append(view(k));
    *this = b.take();
}

void TTextRow::move(int from, int to)
{
    const int n = size();
    if (from < 0 || to < 0 || from >= n || to >= n || from == to)
        return;
    QList<QStringView> cells;
    cells.reserve(n);
    for (int k = 0; k < n; ++k)
        cells.append(view(k));
    cells.move(from, to);
    TTextRowBuilder b;
    for (QStringView c : cells)
        b.append(c);
    *this = b.take();
}

void TTextRow::removeAt(int i)
{
    const int n = size();
    if (i < 0 || i >= n)
        return;
    TTextRowBuilder b;
    for (int k = 0; k < n; ++k)
        if (k != i)
            b.append(view(k));
    *this = b.take();
}

} // namespace dokrava
