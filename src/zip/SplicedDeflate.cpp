#include "zip/SplicedDeflate.h"

#include "base/DokravaError.h"
#include "zip/Deflater.h"
#include "zip/ZipFormat.h"

#include <zlib.h>

#include <algorithm>
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

quint32 crcOf(const QByteArray &data, quint32 crc = 0)
{
    return quint32(crc32_z(crc, reinterpret_cast<const Bytef *>(data.constData()), z_size_t(data.size())));
}

// A stored block holding text (at most 65 535 bytes); the stream before it ends on a byte boundary.
void appendStored(const QByteArray &text, QByteArray &out)
{
    const quint16 length = quint16(text.size());
    out.append('\0'); // not final, stored; the rest of the byte is padding
    ZipFormat::put16(out, length);
    ZipFormat::put16(out, quint16(~length));
    out.append(text);
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
    piece.crcShift = quint32(crc32_combine_gen(z_off_t(text.size())));
    piece.whole = text;
    if (text.size() < shortest)
        piece.text = text;
    else if (!Deflater::compressReusing(text.constData(), text.size(), Deflater::Flushed, piece.deflated))
        throw DokravaError(QStringLiteral("Не удалось сжать данные для архива «%1»").arg(ZipFormat::shown(archive)));
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
    (m_deflated ? m_entry.bytes : m_plain).reserve(8 * 1024);
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
    m_run.clear();
}

void SplicedDeflate::Stream::piece(const Piece &piece)
{
    if (!m_deflated) {
        m_plain += piece.whole;
        return;
    }
    if (piece.deflated.isEmpty()) {
        m_run += piece.text;
        return;
    }
    writeRun();
    m_entry.bytes += piece.deflated;
    m_entry.crc = quint32(crc32_combine_op(m_entry.crc, piece.crc, piece.crcShift));
    m_entry.size += piece.size;
}

void SplicedDeflate::Stream::text(const QByteArray &text)
{
    if (!m_deflated)
        m_plain += text;
    else
        m_run += text;
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
