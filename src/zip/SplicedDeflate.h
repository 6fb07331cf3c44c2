#pragma once

#include "zip/ZipReader.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringView>

#include <array>

namespace dokrava {

// The deflated form of an entry made of fixed pieces with text that varies between them, for
// writing many such entries fast. Each piece is compressed once, alone, ending on a byte
// boundary, so an entry is the pieces' compressed bytes joined with its own texts, which go in as
// blocks of their own; its CRC-32 is put together from the pieces' without reading them again.
// What inflates is exactly the joined text. Const members may be used from several threads.
class SplicedDeflate
{
public:
    // A piece compressed alone, to be joined with others in any order and any number of times.
    struct Piece
    {
        QByteArray text;     // kept as text when too short to gain from compression
        QByteArray deflated; // empty when kept as text
        qint64 size = 0;
        quint32 crc = 0;
        // The operator that appends this piece's CRC-32 to another's, by the four bits it reads
        // of the other: zlib's combining takes a bit at a time, and an entry combines hundreds.
        // Made for compressed pieces only: a piece kept as text joins a run instead.
        std::array<std::array<quint32, 16>, 8> crcShift{};
        QByteArray whole;     // the piece's text, for entries written uncompressed
    };
    // Compresses one piece, kept as text when shorter than shortest; throws DokravaError naming
    // archive when the compressor fails.
    static Piece compressed(const QByteArray &text, const QString &archive, qsizetype shortest = 64);

    // An entry put together from pieces and texts in any order: the deflated stream of their
    // concatenation, or the concatenation itself when deflated is false.
    class Stream
    {
    public:
        // Runs of texts and short pieces up to storedUpTo bytes go in stored, longer ones are
        // compressed.
        Stream(bool deflated, const QString &archive, qsizetype storedUpTo = 1024);
        void piece(const Piece &piece);
        void text(const QByteArray &text);
        // A text given in UTF-16, written as UTF-8 as QString::toUtf8() writes it.
        void text(QStringView text);
        // The stored form of the entry (method 8); throws DokravaError when too large.
        ZipReader::StoredEntry deflatedEntry();
        // The concatenation, when not deflated.
        QByteArray plain();
        bool deflated() const { return m_deflated; }

    private:
        // Bytes written through a pointer, the array resized only to grow: an entry is joined
        // from hundreds of short texts, and resizing for each costs more than copying them.
        struct Sink
        {
            QByteArray bytes; // the first size bytes are written
            qsizetype size = 0;
            // Room for n bytes more at the end, counted as written.
            char *room(qsizetype n);
            void append(const char *data, qsizetype n);
            // The bytes written, the array cut to them.
            QByteArray &finished();
        };
        void writeRun();
        bool m_deflated;
        QString m_archive;
        qsizetype m_storedUpTo;
        ZipReader::StoredEntry m_entry; // its bytes in m_out until the end
        Sink m_out; // the deflated entry, or the plain text
        Sink m_run; // text not yet written: texts and short pieces
    };

    // No pieces: join() takes no texts and gives an empty entry.
    SplicedDeflate();
    // Compresses the pieces; throws DokravaError naming archive when the compressor fails.
    SplicedDeflate(const QList<QByteArray> &pieces, const QString &archive);

    // The stored form (method 8) of piece 0, texts[0], piece 1, … texts[n-1], piece n; texts
    // holds one fewer than the pieces. Throws DokravaError when the entry would be too large.
    ZipReader::StoredEntry join(const QList<QByteArray> &texts) const;

private:

    QList<Piece> m_pieces;
    QString m_archive;
};

} // namespace dokrava
