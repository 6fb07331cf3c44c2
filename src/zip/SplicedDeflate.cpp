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

quint32 crcOf(const char *data, qsizetype size, quint32 crc = 0)
{
    // Runs between pieces are mostly a value or an id, too short for zlib's own to pay off.
    if (size < 64) {
        static const CrcTables tables;
        const auto &t = tables.t;
        const uchar *p = reinterpret_cast<const uchar *>(data);
        const uchar *const end = p + size;
        quint32 c = ~crc;
        for (; end - p >= 4; p += 4) {
            c ^= qFromLittleEndian<quint32>(p);
            c = t[3][c & 0xFF] ^ t[2][(c >> 8) & 0xFF] ^ t[1][(c >> 16) & 0xFF] ^ t[0][c >> 24];
        }
        for (; p != end; ++p)
            c = t[0][(c ^ *p) & 0xFF] ^ (c >> 8);
        return ~c;
    }
    return quint32(crc32_z(crc, reinterpret_cast<const Bytef *>(data), z_size_t(size)));
}

quint32 crcOf(const QByteArray &data, quint32 crc = 0)
{
    return crcOf(data.constData(), data.size(), crc);
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

char *SplicedDeflate::Stream::Sink::room(qsizetype n)
{
    if (size + n > bytes.size())
        bytes.resize(std::max<qsizetype>(2 * bytes.size(), size + n));
    char *at = bytes.data() + size;
    size += n;
    return at;
}

void SplicedDeflate::Stream::Sink::append(const char *data, qsizetype n)
{
    if (n > 0)
        std::memcpy(room(n), data, size_t(n));
}

QByteArray &SplicedDeflate::Stream::Sink::finished()
{
    bytes.truncate(size);
    return bytes;
}

SplicedDeflate::Stream::Stream(bool deflated, const QString &archive, qsizetype storedUpTo)
    : m_deflated(deflated), m_archive(archive), m_storedUpTo(std::min<qsizetype>(storedUpTo, 65535))
{
    m_entry.method = 8;
    // Most entries joined this way fit: growing in steps would copy them again and again.
    m_out.bytes.resize(32 * 1024);
    m_run.bytes.resize(256);
}

void SplicedDeflate::Stream::writeRun()
{
    const qsizetype n = m_run.size;
    if (n == 0)
        return;
    m_entry.crc = crcOf(m_run.bytes.constData(), n, m_entry.crc);
    m_entry.size += n;
    if (n <= m_storedUpTo) {
        // A stored block: not final, stored (the rest of the first byte is padding), the length
        // and its complement, the text.
        char *at = m_out.room(5 + n);
        const quint16 length = quint16(n);
        at[0] = '\0';
        at[1] = char(length & 0xFF);
        at[2] = char(length >> 8);
        at[3] = char(~length & 0xFF);
        at[4] = char((~length >> 8) & 0xFF);
        std::memcpy(at + 5, m_run.bytes.constData(), size_t(n));
    } else {
        QByteArray &out = m_out.finished();
        if (!Deflater::compressReusing(m_run.bytes.constData(), n, Deflater::Flushed, out))
            throw DokravaError(QStringLiteral("Не удалось сжать данные для архива «%1»").arg(ZipFormat::shown(m_archive)));
        m_out.size = out.size();
    }
    m_run.size = 0; // its room kept for the next run: an entry has hundreds
}

void SplicedDeflate::Stream::piece(const Piece &piece)
{
    if (!m_deflated) {
        m_out.append(piece.whole.constData(), piece.whole.size());
        return;
    }
    if (piece.deflated.isEmpty()) {
        m_run.append(piece.text.constData(), piece.text.size());
        return;
    }
    writeRun();
    m_out.append(piece.deflated.constData(), piece.deflated.size());
    m_entry.crc = combinedCrc(m_entry.crc, piece);
    m_entry.size += piece.size;
}

void SplicedDeflate::Stream::text(const QByteArray &text)
{
    (m_deflated ? m_run : m_out).append(text.constData(), text.size());
}

void SplicedDeflate::Stream::text(QStringView text)
{
    Sink &out = m_deflated ? m_run : m_out;
    // Encoded in place, without a text of its own: documents put hundreds of values. A
    // surrogate (a character outside the basic plane, or half of one) is left to Qt.
    const qsizetype start = out.size;
    char *at = out.room(3 * text.size());
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
            out.size = start;
            const QByteArray utf8 = text.toUtf8();
            out.append(utf8.constData(), utf8.size());
            return;
        }
    }
    out.size = at - out.bytes.constData();
}

ZipReader::StoredEntry SplicedDeflate::Stream::deflatedEntry()
{
    writeRun();
    m_out.append(kFinalBlock, sizeof kFinalBlock);
    if (m_entry.size > std::numeric_limits<quint32>::max())
        throw DokravaError(QStringLiteral("Запись не помещается в архив «%1»").arg(ZipFormat::shown(m_archive)));
    m_entry.bytes = m_out.finished();
    return m_entry;
}

QByteArray SplicedDeflate::Stream::plain()
{
    return m_out.finished();
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
