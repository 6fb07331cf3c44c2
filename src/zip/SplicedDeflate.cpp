#include "zip/SplicedDeflate.h"

#include "base/DokravaError.h"
#include "zip/Deflater.h"
#include "zip/ZipFormat.h"

#include <zlib.h>

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

SplicedDeflate::SplicedDeflate(const QList<QByteArray> &pieces, const QString &archive)
    : m_archive(archive)
{
    for (const QByteArray &text : pieces) {
        Piece piece;
        piece.size = text.size();
        piece.crc = crcOf(text);
        piece.crcShift = quint32(crc32_combine_gen(z_off_t(text.size())));
        if (text.size() < kCompressedPiece)
            piece.text = text;
        else if (!Deflater::forThisThread().compress(text.constData(), text.size(), Deflater::Flushed, piece.deflated))
            throw DokravaError(QStringLiteral("Не удалось сжать данные для архива «%1»").arg(ZipFormat::shown(archive)));
        m_pieces.append(piece);
    }
    if (m_pieces.isEmpty())
        m_pieces.append(Piece());
}

void SplicedDeflate::appendText(const QByteArray &text, QByteArray &out) const
{
    if (text.isEmpty())
        return;
    if (text.size() <= kCompressedText)
        return appendStored(text, out);
    if (!Deflater::forThisThread().compress(text.constData(), text.size(), Deflater::Flushed, out))
        throw DokravaError(QStringLiteral("Не удалось сжать данные для архива «%1»").arg(ZipFormat::shown(m_archive)));
}

ZipReader::StoredEntry SplicedDeflate::join(const QList<QByteArray> &texts) const
{
    if (texts.size() != m_pieces.size() - 1)
        throw DokravaError(QStringLiteral("Не удалось сжать данные для архива «%1»").arg(ZipFormat::shown(m_archive)));
    ZipReader::StoredEntry entry;
    entry.method = 8;
    QByteArray run; // text not yet written: texts and short pieces
    const auto writeRun = [&] {
        entry.crc = crcOf(run, entry.crc);
        entry.size += run.size();
        appendText(run, entry.bytes);
        run.clear();
    };
    for (qsizetype k = 0; k < m_pieces.size(); ++k) {
        const Piece &piece = m_pieces[k];
        if (piece.deflated.isEmpty()) {
            run += piece.text;
        } else {
            writeRun();
            entry.bytes += piece.deflated;
            entry.crc = quint32(crc32_combine_op(entry.crc, piece.crc, piece.crcShift));
            entry.size += piece.size;
        }
        if (k < texts.size())
            run += texts[k];
    }
    writeRun();
    entry.bytes.append(kFinalBlock, sizeof kFinalBlock);
    if (entry.size > std::numeric_limits<quint32>::max())
        throw DokravaError(QStringLiteral("Запись не помещается в архив «%1»").arg(ZipFormat::shown(m_archive)));
    return entry;
}

} // namespace dokrava
