#include "zip/CompiledLanguage.h"

namespace dokrava {

bool IsCompiledMark(QChar c)
{
    using namespace TCompiledMark;
    const char16_t u = c.unicode();
    return u == Unit || u == LineOpen || u == LineNumber || u == LineClose || u == IdOpen || u == IdMiddle
           || u == IdClose || u == NameSuffix || u == Hole;
}

bool HoldsCompiledMark(QStringView text)
{
    for (QChar c : text)
        if (IsCompiledMark(c))
            return true;
    return false;
}

namespace {

// Walks text: text(run) for each run between marks, mark(kind, index, original) for each mark
// (Id: the id's index and its value as written). False when a mark is malformed.
template <class Text, class Mark>
bool walkMarks(QStringView piece, const Text &text, const Mark &mark)
{
    using namespace TCompiledMark;
    using Item = CompiledText::Item;
    qsizetype from = 0;
    for (qsizetype i = 0; i < piece.size(); ++i) {
        if (!IsCompiledMark(piece[i]))
            continue;
        const char16_t u = piece[i].unicode();
        text(piece.mid(from, i - from));
        if (u == Unit) {
            mark(Item::Unit, 0, QStringView());
        } else if (u == Hole) {
            mark(Item::Hole, 0, QStringView());
        } else if (u == NameSuffix) {
            mark(Item::Suffix, 0, QStringView());
        } else if (u == IdOpen) {
            const qsizetype middle = piece.indexOf(QChar(IdMiddle), i), close = piece.indexOf(QChar(IdClose), i);
            if (middle < 0 || close < middle)
                return false;
            mark(Item::Id, piece.mid(i + 1, middle - i - 1).toInt(), piece.mid(middle + 1, close - middle - 1));
            i = close;
        } else {
            return false;
        }
        from = i + 1;
    }
    text(piece.mid(from));
    return true;
}

} // namespace

const SplicedDeflate::Piece &CompiledText::piece(int i) const
{
    // Checked for every piece of every document: a load, once the pieces are compressed.
    if (!m_compressed.done.load(std::memory_order_acquire)) {
        const std::lock_guard<std::mutex> lock(m_compressed.mutex);
        if (!m_compressed.done.load(std::memory_order_relaxed)) {
            auto &all = const_cast<QList<SplicedDeflate::Piece> &>(pieces);
            for (SplicedDeflate::Piece &p : all)
                if (p.deflated.isEmpty()) // compressed however short (see CompiledTextBuilder::flush)
                    p = compressor->compressed(p.whole);
            m_compressed.done.store(true, std::memory_order_release);
        }
    }
    return pieces[i];
}

CompiledTextBuilder::CompiledTextBuilder(CompiledText &c, std::shared_ptr<CompiledPieces> compressor,
                                         bool bracketsBreak, QByteArray start)
    : m_c(c), m_bracketsBreak(bracketsBreak), m_pending(std::move(start))
{
    m_c.compressor = std::move(compressor);
}

void CompiledTextBuilder::flush()
{
    if (m_pending.isEmpty())
        return;
    m_c.items.append({CompiledText::Item::Piece, int(m_c.pieces.size()), -1});
    // Compressed however short, when first put: a document holds many copies of a line's
    // pieces, and compressing them for each document would cost more than all the rest of it.
    SplicedDeflate::Piece piece;
    piece.whole = m_pending;
    piece.size = m_pending.size();
    m_c.pieces.append(piece);
    m_pending.clear();
}

void CompiledTextBuilder::literal(QStringView text)
{
    using Item = CompiledText::Item;
    const bool fine = walkMarks(
        text,
        [this](QStringView run) {
            if (m_bracketsBreak && (run.contains(QLatin1Char('[')) || run.contains(QLatin1Char(']'))))
                m_c.expressible = false;
            m_pending += run.toUtf8();
        },
        [this](Item::Kind kind, int index, QStringView original) {
            flush();
            if (kind == Item::Unit) {
                m_c.items.append({Item::Unit, m_c.unitCount++, -1});
            } else if (kind == Item::Hole) {
                m_c.items.append({Item::Hole, m_c.holeCount++, -1});
            } else if (kind == Item::Suffix) {
                m_c.ids = true;
                m_c.items.append({Item::Suffix, 0, -1});
            } else {
                m_c.ids = true;
                m_c.items.append({Item::Id, index, int(m_c.idOriginals.size())});
                m_c.idOriginals.append(original.toUtf8());
            }
        });
    m_c.expressible = m_c.expressible && fine;
}

void CompiledTextBuilder::bytes(const QByteArray &text)
{
    m_pending += text;
}

void CompiledTextBuilder::copy(const CompiledText &from, const CompiledText::Item &item)
{
    using Item = CompiledText::Item;
    if (item.kind == Item::Piece) {
        m_pending += from.pieces[item.index].whole;
        return;
    }
    flush();
    if (item.kind == Item::Unit) {
        ++m_c.unitCount;
        m_c.items.append(item);
    } else if (item.kind == Item::Suffix) {
        m_c.ids = true;
        m_c.items.append(item);
    } else if (item.kind == Item::Id) {
        m_c.ids = true;
        m_c.items.append({Item::Id, item.index, int(m_c.idOriginals.size())});
        m_c.idOriginals.append(from.idOriginals[item.original]);
    } else {
        m_c.expressible = false;
    }
}

int CompiledTextBuilder::hole()
{
    flush();
    m_c.items.append({CompiledText::Item::Hole, m_c.holeCount, -1});
    return m_c.holeCount++;
}

CopyIdNumbers::CopyIdNumbers(int k, const Kinds &kinds, const QList<int> &families, QList<qint64> &last)
    : m_k(k), m_kinds(&kinds)
{
    if (k == 0)
        return;
    m_numbers.reserve(families.size());
    for (int family : families)
        m_numbers.append(++last[family]);
}

const QList<QByteArray> &CopyIdNumbers::texts() const
{
    if (m_texts)
        return *m_texts;
    QList<QByteArray> &out = m_texts.emplace();
    out.reserve(m_numbers.size());
    for (qsizetype i = 0; i < m_numbers.size(); ++i) {
        if ((*m_kinds)[i].second != TBlockDialect::UniqueId::Hex) {
            out.append(QByteArray::number(m_numbers[i]));
            continue;
        }
        // Eight upper-case hexadecimal digits at least, as Word writes paragraph ids.
        char digits[17];
        int at = 16;
        for (quint64 n = quint64(m_numbers[i]); n > 0 || at > 8; n >>= 4)
            digits[--at] = "0123456789ABCDEF"[n & 0xF];
        out.append(QByteArray(digits + at, 16 - at));
    }
    return out;
}

namespace {

QByteArray idText(int index, const QByteArray &original, const CopyIdNumbers &ids)
{
    return ids.k() == 0 || index >= ids.numbers().size() ? original : ids.texts()[index];
}

QByteArray suffixText(int k)
{
    return k > 0 ? '_' + QByteArray::number(k + 1) : QByteArray();
}

} // namespace

QByteArray CompiledItemText(const CompiledText &c, const CompiledText::Item &item, const CopyIdNumbers &ids)
{
    if (item.kind == CompiledText::Item::Id)
        return idText(item.index, c.idOriginals[item.original], ids);
    return item.kind == CompiledText::Item::Suffix ? suffixText(ids.k()) : QByteArray();
}

void PutCompiledItem(SplicedDeflate::Stream &out, const CompiledText &c, const CompiledText::Item &item,
                     const CopyIdNumbers &ids)
{
    if (item.kind == CompiledText::Item::Piece)
        out.piece(out.deflated() ? c.piece(item.index) : c.pieces[item.index]);
    else
        out.text(CompiledItemText(c, item, ids));
}

bool AppendResolvingIds(QByteArray &out, QStringView text, const CopyIdNumbers &ids)
{
    using Item = CompiledText::Item;
    bool fine = true;
    const bool wellFormed = walkMarks(
        text, [&out](QStringView run) { out += run.toUtf8(); },
        [&](Item::Kind kind, int index, QStringView original) {
            if (kind == Item::Id)
                out += idText(index, original.toUtf8(), ids);
            else if (kind == Item::Suffix)
                out += suffixText(ids.k());
            else
                fine = false;
        });
    return fine && wellFormed;
}

} // namespace dokrava
