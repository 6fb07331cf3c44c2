#include "base/TextRowBuilder.h"

#include <algorithm>

namespace dokrava {

namespace {

// Offsets and the count take two UTF-16 units each, so that a row may exceed 65,535 units.
void putWord(QChar *at, quint32 value)
{
    at[0] = QChar(char16_t(value >> 16));
    at[1] = QChar(char16_t(value & 0xffffu));
}

} // namespace

void TTextRowBuilder::append(QStringView text)
{
    m_text.append(text);
    m_ends.append(quint32(m_text.size()));
}

TTextRow TTextRowBuilder::take()
{
    TTextRow row;
    const qsizetype n = m_ends.size();
    if (n > 0) {
        // Sized once and filled in place: the row's block is never larger than its contents.
        row.m_data = QString(2 + 2 * n + m_text.size(), Qt::Uninitialized);
        QChar *out = row.m_data.data();
        putWord(out, quint32(n));
        for (qsizetype k = 0; k < n; ++k)
            putWord(out + 2 + 2 * k, m_ends[k]);
        std::copy(m_text.cbegin(), m_text.cend(), out + 2 + 2 * n);
    }
    // resize keeps the buffers' capacity for the next row, where clear() would free them.
    m_text.resize(0);
    m_ends.resize(0);
    return row;
}

} // namespace dokrava
