#pragma once

#include "zip/SplicedDeflate.h"

#include <QByteArray>
#include <QHash>
#include <QMutex>
#include <QString>

namespace dokrava {

// The pieces of a template's compiled texts compressed, by their text: the shapes of a template
// and the copies of a line share most of their pieces, and compressing is what compiling costs
// most. Any thread may use it.
class CompiledPieces
{
public:
    // archive is named in errors of compression.
    explicit CompiledPieces(QString archive);

    // The piece of this text compressed (however short): known, or compressed now. Throws
    // DokravaError naming the archive when the compressor fails.
    SplicedDeflate::Piece compressed(const QByteArray &text);

    // The archive named in errors.
    const QString &archive() const { return m_archive; }

private:
    QString m_archive;
    QMutex m_mutex;
    QHash<QByteArray, SplicedDeflate::Piece> m_known;
    qsizetype m_bytes = 0; // of the texts known
};

} // namespace dokrava
