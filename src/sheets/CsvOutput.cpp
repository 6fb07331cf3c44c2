#include "sheets/CsvOutput.h"

#include "base/Cp1251.h"

#include <algorithm>

namespace dokrava {

namespace {

const QByteArray kBom("\xEF\xBB\xBF");

bool isAscii(const QByteArray &bytes)
{
    return std::all_of(bytes.cbegin(), bytes.cend(), [](char c) { return uchar(c) < 0x80; });
}

} // namespace

CsvOutput::CsvOutput(Encoding encoding, bool ascii)
    : m_encoding(encoding)
    , m_fromCp1251(encoding == Encoding::Cp1251)
    , m_ascii(ascii)
{
}

QByteArray CsvOutput::lineEndOf(const QByteArray &raw)
{
    if (raw.endsWith("\r\n"))
        return QByteArrayLiteral("\r\n");
    if (raw.endsWith('\n'))
        return QByteArrayLiteral("\n");
    if (raw.endsWith('\r'))
        return QByteArrayLiteral("\r");
    return {};
}

void CsvOutput::closeOpenRecord()
{
    if (!m_open)
        return;
    m_bytes += m_lineEnd.isEmpty() ? QByteArrayLiteral("\r\n") : m_lineEnd;
    m_ends.last() = m_bytes.size();
    m_open = false;
}

void CsvOutput::endRecord(const QByteArray &lineEnd)
{
    if (m_lineEnd.isEmpty())
        m_lineEnd = lineEnd;
    m_ends << m_bytes.size();
    m_open = lineEnd.isEmpty();
}

void CsvOutput::addCopy(const QByteArray &raw)
{
    closeOpenRecord();
    if (m_fromCp1251 && m_encoding != Encoding::Cp1251)
        m_bytes += Cp1251::decode(raw).toUtf8();
    else
        m_bytes += raw;
    endRecord(lineEndOf(raw));
}

void CsvOutput::addLine(const QString &line, const QByteArray &lineEnd)
{
    closeOpenRecord();
    if (m_encoding == Encoding::Cp1251) {
        const QByteArray encoded = Cp1251::encode(line);
        if (Cp1251::decode(encoded) == line) {
            m_bytes += encoded + lineEnd;
            endRecord(lineEnd);
            return;
        }
        toUtf8();
    }
    m_bytes += line.toUtf8() + lineEnd;
    endRecord(lineEnd);
}

void CsvOutput::toUtf8()
{
    // Each byte of Windows-1251 is one character, so an offset in the old bytes is one in the text.
    const QString text = Cp1251::decode(m_bytes);
    QByteArray utf8;
    utf8.reserve(m_bytes.size() * 2);
    qsizetype done = 0;
    for (qint64 &end : m_ends) {
        utf8 += QStringView(text).sliced(done, end - done).toUtf8();
        done = end;
        end = utf8.size();
    }
    utf8 += QStringView(text).sliced(done).toUtf8();
    m_bytes = std::move(utf8);
    m_encoding = Encoding::Utf8Marked;
}

QByteArray CsvOutput::finish(QList<qint64> *ends)
{
    const bool marked = m_encoding == Encoding::Utf8Marked
                        || (m_encoding == Encoding::Utf8 && m_ascii && !isAscii(m_bytes));
    if (marked)
        m_encoding = Encoding::Utf8Marked;
    m_head = marked ? kBom.size() : 0;
    for (qint64 &end : m_ends)
        end += m_head;
    *ends = std::exchange(m_ends, {});
    return marked ? kBom + m_bytes : std::exchange(m_bytes, {});
}

} // namespace dokrava
