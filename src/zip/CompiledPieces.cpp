#include "zip/CompiledPieces.h"

#include <QMutexLocker>

namespace dokrava {

namespace {

// Texts remembered per template at most: a template whose shapes and copies differ in ever more
// text compresses the rest without remembering it, and memory stays bounded.
constexpr qsizetype kMaxKnownBytes = 8 * 1024 * 1024;

} // namespace

CompiledPieces::CompiledPieces(QString archive)
    : m_archive(std::move(archive))
{
}

SplicedDeflate::Piece CompiledPieces::compressed(const QByteArray &text)
{
    {
        QMutexLocker lock(&m_mutex);
        if (const auto known = m_known.constFind(text); known != m_known.cend())
            return known.value();
    }
    // Compressed outside the lock: other threads compile other pieces meanwhile.
    SplicedDeflate::Piece piece = SplicedDeflate::compressed(text, m_archive, 1);
    QMutexLocker lock(&m_mutex);
    if (m_bytes + text.size() <= kMaxKnownBytes && !m_known.contains(text)) {
        m_known.insert(text, piece);
        m_bytes += text.size();
    }
    return piece;
}

} // namespace dokrava
