#pragma once

#include "zip/ZipReader.h"

#include <QByteArray>
#include <QList>
#include <QString>

namespace dokrava {

// The deflated form of an entry made of fixed pieces with text that varies between them, for
// writing many such entries fast. Each piece is compressed once, alone, ending on a byte
// boundary, so an entry is the pieces' compressed bytes joined with its own texts, which go in as
// blocks of their own; its CRC-32 is put together from the pieces' without reading them again.
// What inflates is exactly the joined text. Const members may be used from several threads.
class SplicedDeflate
{
public:
    // No pieces: join() takes no texts and gives an empty entry.
    SplicedDeflate();
    // Compresses the pieces; throws DokravaError naming archive when the compressor fails.
    SplicedDeflate(const QList<QByteArray> &pieces, const QString &archive);

    // The stored form (method 8) of piece 0, texts[0], piece 1, … texts[n-1], piece n; texts
    // holds one fewer than the pieces. Throws DokravaError when the entry would be too large.
    ZipReader::StoredEntry join(const QList<QByteArray> &texts) const;

private:
    struct Piece
    {
        QByteArray text;     // kept as text when too short to gain from compression
        QByteArray deflated; // empty when kept as text
        qint64 size = 0;
        quint32 crc = 0;
        quint32 crcShift = 0; // the operator that appends this piece's CRC-32 to another's
    };
    void appendText(const QByteArray &text, QByteArray &out) const;

    QList<Piece> m_pieces;
    QString m_archive;
};

} // namespace dokrava
