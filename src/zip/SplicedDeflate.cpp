#include "zip/SplicedDeflate.h"

#include "base/DokravaError.h"
#include "zip/Deflater.h"
#include "zip/ZipFormat.h"

#include <QtEndian>

#include <zlib.h>

#include <algorithm>
#include <bit>
#include <cstring>
#include <limits>

namespace dokrava {

namespace {

// Shorter pieces cost more as blocks of their own than they save, so they travel with the texts.
constexpr qsizetype kCompressedPiece = 64;
// Texts between pieces longer than this are compressed rather than stored (a stored block holds
// at most 65 535 bytes).
constexpr qsizetype kCompressedText = 1024;
// A block that ends the stream and holds nothing: the final bit, fixed codes, end of block.
const char kFinalBlock[] = {'\x03', '\x00'};

// zlib's table of CRC-32 of a byte, and three more that take four bytes at a time.
struct CrcTables
{
    std::array<std::array<quint32, 256>, 4> t{};
    CrcTables()
    {
        const z_crc_t *base = get_crc_table();
        for (size_t i = 0; i < 256; ++i)
            t[0][i] = quint32(base[i]);
        for (size_t k = 1; k < 4; ++k)
            for (size_t i = 0; i < 256; ++i)
                t[k][i] = (t[k - 1][i] >> 8) ^ t[0][t[k - 1][i] & 0xFF];
    }
};

quint32 crcOf(const QByteArray &data, quint32 crc = 0)
{
    // Runs between pieces are mostly a value or an id, too short for zlib's own to pay off.
    if (data.size() < 64) {
        static const CrcTables tables;
        const auto &t = tables.t;
        const uchar *p = reinterpret_cast<const uchar *>(data.constData());
        const uchar *const end = p + data.size();
        quint32 c = ~crc;
        for (; end - p >= 4; p += 4) {
            c ^= qFromLittleEndian<quint32>(p);
            c = t[3][c & 0xFF] ^ t[2][(c >> 8) & 0xFF] ^ t[1][(c >> 16) & 0xFF] ^ t[0][c >> 24];
        }
        for (; p != end; ++p)
            c = t[0][(c ^ *p) & 0xFF] ^ (c >> 8);
        return ~c;
    }
    return quint32(crc32_z(crc, reinterpret_cast<const Bytef *>(data.constData()), z_size_t(data.size())));
}

// The operator of appending length bytes to a CRC-32 (zlib's, linear in the CRC it is applied
// to), as tables of what each four bits of that CRC give.
std::array<std::array<quint32, 16>, 8> crcShiftOf(qint64 length)
{
    const uLong op = crc32_combine_gen(z_off_t(length));
    // What each bit gives; a group of four bits gives the sum of its bits' (the operator is
    // linear), which spares three of every four of zlib's costly applications.
    std::array<quint32, 32> bit{};
    for (size_t b = 0; b < 32; ++b)
        bit[b] = quint32(crc32_combine_op(uLong(1) << b, 0, op));
    std::array<std::array<quint32, 16>, 8> tables{};
    for (size_t n = 0; n < 8; ++n)
        for (quint32 v = 1; v < 16; ++v)
            tables[n][v] = tables[n][v & (v - 1)] ^ bit[4 * n + size_t(std::countr_zero(v))];
    return tables;
}

quint32 combinedCrc(quint32 crc, const SplicedDeflate::Piece &piece)
{
    quint32 shifted = 0;
    for (size_t n = 0; n < 8; ++n)
        shifted ^= piece.crcShift[n][(crc >> (4 * n)) & 0xF];
    return shifted ^ piece.crc;
}

// Appends as QByteArray::append does, without its general insertion, which costs more than
// copying the short texts an entry is joined from.
void appendBytes(QByteArray &out, const char *data, qsizetype size)
{
    if (size == 0)
        return;
    const qsizetype at = out.size();
    if (at + size > out.capacity())
        out.reserve(std::max<qsizetype>(2 * out.capacity(), at + size));
    out.resize(at + size);
    std::memcpy(out.data() + at, data, size_t(size));
}

void appendBytes(QByteArray &out, const QByteArray &data)
{
    appendBytes(out, data.constData(), data.size());
}

// A stored block holding text (at most 65 535 bytes); the stream before it ends on a byte boundary.
void appendStored(const QByteArray &text, QByteArray &out)
{
    const quint16 length = quint16(text.size());
    // Not final, stored (the rest of the first byte is padding), the length and its complement.
    const char header[5] = {'\0', char(length & 0xFF), char(length >> 8), char(~length & 0xFF), char((~length >> 8) & 0xFF)};
    appendBytes(out, header, 5);
    appendBytes(out, text);
}

} // namespace

SplicedDeflate::SplicedDeflate()
    : m_pieces(1)
{
}

SplicedDeflate::Piece SplicedDeflate::compressed(const QByteArray &text, const QString &archive, qsizetype shortest)
{
    Piece piece;
    piece.size = text.size();
    piece.crc = crcOf(text);
    piece.whole = text;
    if (text.size() < shortest) {
        piece.text = text; // joined into a run, whose CRC-32 is taken over its bytes
        return piece;
    }
    if (!Deflater::compressReusing(text.constData(), text.size(), Deflater::Flushed, piece.deflated))
        throw DokravaError(QStringLiteral("Не удалось сжать данные для архива «%1»").arg(ZipFormat::shown(archive)));
    piece.crcShift = crcShiftOf(text.size());
    return piece;
}

SplicedDeflate::SplicedDeflate(const QList<QByteArray> &pieces, const QString &archive)
    : m_archive(archive)
{
    for (const QByteArray &text : pieces)
        m_pieces.append(compressed(text, archive, kCompressedPiece));
    if (m_pieces.isEmpty())
        m_pieces.append(Piece());
}

SplicedDeflate::Stream::Stream(bool deflated, const QString &archive, qsizetype storedUpTo)
    : m_deflated(deflated), m_archive(archive), m_storedUpTo(std::min<qsizetype>(storedUpTo, 65535))
{
    m_entry.method = 8;
    // Most entries joined this way fit: growing in steps would copy them again and again.
    (m_deflated ? m_entry.bytes : m_plain).reserve(32 * 1024);
    m_run.reserve(256);
}

void SplicedDeflate::Stream::writeRun()
{
    if (m_run.isEmpty())
        return;
    m_entry.crc = crcOf(m_run, m_entry.crc);
    m_entry.size += m_run.size();
    if (m_run.size() <= m_storedUpTo)
        appendStored(m_run, m_entry.bytes);
    else if (!Deflater::compressReusing(m_run.constData(), m_run.size(), Deflater::Flushed, m_entry.bytes))
        throw DokravaError(QStringLiteral("Не удалось сжать данные для архива «%1»").arg(ZipFormat::shown(m_archive)));
    m_run.truncate(0); // its room kept for the next run: an entry has hundreds
}

void SplicedDeflate::Stream::piece(const Piece &piece)
{
    if (!m_deflated) {
        appendBytes(m_plain, piece.whole);
        return;
    }
    if (piece.deflated.isEmpty()) {
        appendBytes(m_run, piece.text);
        return;
    }
    writeRun();
    appendBytes(m_entry.bytes, piece.deflated);
    m_entry.crc = combinedCrc(m_entry.crc, piece);
    m_entry.size += piece.size;
}

void SplicedDeflate::Stream::text(const QByteArray &text)
{
    if (!m_deflated)
        appendBytes(m_plain, text);
    else
        appendBytes(m_run, text);
}

void SplicedDeflate::Stream::text(QStringView text)
{
    QByteArray &out = m_deflated ? m_run : m_plain;
    // Encoded in place, without a text of its own: documents put hundreds of values. A
    // surrogate (a character outside the basic plane, or half of one) is left to Qt.
    const qsizetype start = out.size();
    out.resize(start + 3 * text.size());
    char *at = out.data() + start;
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (u < 0x80) {
            *at++ = char(u);
        } else if (u < 0x800) {
            *at++ = char(0xC0 | (u >> 6));
            *at++ = char(0x80 | (u & 0x3F));
        } else if (u < 0xD800 || u >= 0xE000) {
            *at++ = char(0xE0 | (u >> 12));
            *at++ = char(0x80 | ((u >> 6) & 0x3F));
            *at++ = char(0x80 | (u & 0x3F));
        } else {
            out.truncate(start);
            out += text.toUtf8();
            return;
        }
    }
    out.truncate(at - out.constData());
}

ZipReader::StoredEntry SplicedDeflate::Stream::deflatedEntry()
{
    writeRun();
    m_entry.bytes.append(kFinalBlock, sizeof kFinalBlock);
    if (m_entry.size > std::numeric_limits<quint32>::max())
        throw DokravaError(QStringLiteral("Запись не помещается в архив «%1»").arg(ZipFormat::shown(m_archive)));
    return m_entry;
}

ZipReader::StoredEntry SplicedDeflate::join(const QList<QByteArray> &texts) const
{
    if (texts.size() != m_pieces.size() - 1)
        throw DokravaError(QStringLiteral("Не удалось сжать данные для архива «%1»").arg(ZipFormat::shown(m_archive)));
    Stream stream(true, m_archive, kCompressedText);
    for (qsizetype k = 0; k < m_pieces.size(); ++k) {
        stream.piece(m_pieces[k]);
        if (k < texts.size())
            stream.text(texts[k]);
    }
    return stream.deflatedEntry();
}

} // namespace dokrava
