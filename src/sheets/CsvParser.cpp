#include "sheets/CsvParser.h"

namespace dokrava {

void CsvParser::takeField(QStringView tail)
{
    // Most fields are cut out of the text in one piece; only a quote or a piece boundary makes
    // one be assembled first.
    m_fieldBegun = false;
    if (m_built.isEmpty()) {
        m_record.append(tail);
        return;
    }
    m_built.append(tail);
    m_record.append(m_built);
    m_built.resize(0);
}

void CsvParser::endRecord(QStringView text, qsizetype at)
{
    m_records << m_record.take();
    m_record.append(QStringView());
    m_segmentBytes += byteLength(text.sliced(m_segmentStart, at - m_segmentStart));
    m_segmentStart = at;
    m_ends << m_segmentBytes;
}

qint64 CsvParser::byteLength(QStringView text) const
{
    if (!m_utf8)
        return text.size();
    qint64 n = 0;
    for (const QChar ch : text) {
        const char16_t u = ch.unicode();
        // A surrogate pair is four bytes, two for each half.
        n += u < 0x80 ? 1 : u < 0x800 || QChar::isSurrogate(u) ? 2 : 3;
    }
    return n;
}

qsizetype CsvParser::resume(QStringView text)
{
    // What the last piece left open: the LF of a CR LF, or a quote that closes or is doubled.
    qsizetype i = 0;
    m_segmentStart = 0;
    if (m_skipLf && text.at(0) == QLatin1Char('\n')) {
        // The LF belongs to the record the last piece ended.
        i = 1;
        m_ends.last() += 1;
        m_segmentBytes += 1;
        m_segmentStart = 1;
    }
    m_skipLf = false;
    if (m_quoteEnds) {
        m_quoteEnds = false;
        if (text.at(0) == QLatin1Char('"')) {
            m_built += QLatin1Char('"');
            i = 1;
        } else {
            m_quoted = false;
        }
    }
    return i;
}

qsizetype CsvParser::quotedChar(QStringView text, qsizetype i, qsizetype &start)
{
    const QChar ch = text.at(i);
    if (ch != QLatin1Char('"'))
        m_built += ch;
    else if (i + 1 == text.size())
        m_quoteEnds = true;
    else if (text.at(i + 1) == QLatin1Char('"'))
        m_built += text.at(++i);
    else {
        m_quoted = false;
        start = i + 1;
    }
    return i;
}

void CsvParser::feed(QStringView text)
{
    const qsizetype n = text.size();
    if (n == 0)
        return;
    qsizetype i = resume(text);
    qsizetype start = m_quoted ? -1 : i; // first character of the field's unquoted stretch
    for (; i < n; ++i) {
        const QChar ch = text.at(i);
        if (m_quoted) {
            i = quotedChar(text, i, start);
        } else if (ch == QLatin1Char('"') && i == start && !m_fieldBegun) {
            m_quoted = true;
            m_fieldBegun = true;
            m_pending = true;
            start = -1;
        } else if (ch == m_separator) {
            takeField(text.mid(start, i - start));
            start = i + 1;
            m_pending = true;
        } else if (ch == QLatin1Char('\r') || ch == QLatin1Char('\n')) {
            const qsizetype end = i;
            if (ch == QLatin1Char('\r') && i + 1 == n)
                m_skipLf = true;
            else if (ch == QLatin1Char('\r') && text.at(i + 1) == QLatin1Char('\n'))
                ++i;
            takeField(text.mid(start, end - start));
            endRecord(text, i + 1);
            start = i + 1;
            m_pending = false;
        } else {
            m_pending = true;
        }
    }
    if (!m_quoted && start >= 0 && start < n) {
        m_built += text.mid(start); // the field goes on in the next piece
        m_fieldBegun = true;
    }
    m_segmentBytes += byteLength(text.sliced(m_segmentStart));
    m_segmentStart = 0;
}

QList<TTextRow> CsvParser::finish()
{
    m_quoted = false;
    m_quoteEnds = false;
    if (m_pending || m_record.size() > 1) {
        takeField(QStringView());
        endRecord(QStringView(), 0);
    }
    return std::exchange(m_records, {});
}

} // namespace dokrava
