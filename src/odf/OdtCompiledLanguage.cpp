#include "odf/OdtCompiledLanguage.h"

#include "base/TemplateLanguage.h"
#include "base/XmlNode.h"
#include "odf/OdtLanguage.h"
#include "odf/OdtText.h"

#include <QMutexLocker>

namespace dokrava {

namespace {

// Shapes kept per part: a template whose conditions make more shapes than this fills the
// documents of the others by expanding the part, and memory stays bounded.
constexpr std::size_t kMaxShapes = 256;

const QString kLineMark = QString(QChar(TCompiledMark::LineOpen)) + QChar(TCompiledMark::LineNumber)
                          + QChar(TCompiledMark::LineClose);

bool holdsBracket(const QString &value)
{
    return value.contains(QLatin1Char('[')) || value.contains(QLatin1Char(']'));
}

bool isMark(QChar c)
{
    using namespace TCompiledMark;
    const char16_t u = c.unicode();
    return u == Unit || u == LineOpen || u == LineNumber || u == LineClose || u == IdOpen || u == IdMiddle
           || u == IdClose || u == NameSuffix;
}

bool holdsMark(QStringView text)
{
    for (QChar c : text)
        if (isMark(c))
            return true;
    return false;
}

} // namespace

struct OdtCompiledLanguage::Form
{
    std::optional<Compiled> copy; // nothing when the copy goes for these decisions
    QList<std::pair<QString, TBlockDialect::UniqueId::Kind>> ids;
};

struct OdtCompiledLanguage::Shape
{
    TemplateBlocks::Shape tree;
    Compiled outer;
    bool expressible = true;
    // Per line and decisions of its blocks; guarded by the owner's mutex.
    std::map<std::pair<int, QList<int>>, std::shared_ptr<const Form>> forms;
};

struct OdtCompiledLanguage::Emission
{
    Shape &shape;
    const Lookup &values;
    const TLanguageRecords &records;
    std::map<QString, qint64> counters; // the last number of each family of ids
    SplicedDeflate::Stream &out;
};

OdtCompiledLanguage::OdtCompiledLanguage(std::shared_ptr<const XmlNode> tree, const QString &partName,
                                         const QStringList &fields, const QString &archive)
    : m_tree(std::move(tree)), m_archive(archive), m_blocks(OdtBlockDialect(), fields, int(fields.size())),
      m_content(partName == QLatin1String("content.xml"))
{
    try {
        m_conditions = m_blocks.outerConditions(const_cast<XmlNode *>(m_tree.get()), m_content);
    } catch (const TemplateLanguageFailure &e) {
        m_error = e.message();
    }
}

OdtCompiledLanguage::~OdtCompiledLanguage() = default;

namespace {

// Puts a text together into a compiled form, piece by piece.
struct Builder
{
    using Item = OdtCompiledLanguage::Item;
    OdtCompiledLanguage::Compiled &c;
    const QString &archive;
    QByteArray pending; // static text not yet a piece
    int units = 0;

    void flush()
    {
        if (pending.isEmpty())
            return;
        c.items.append({Item::Piece, int(c.pieces.size()), -1});
        // Compressed however short: a document holds many copies of a line's pieces, and
        // compressing them for each document would cost more than all the rest of it.
        c.pieces.append(SplicedDeflate::compressed(pending, archive, 1));
        pending.clear();
    }

    // Static text between placeholders: its marks become items; a bracket outside a placeholder
    // would join texts the pieces keep apart.
    void literal(QStringView piece)
    {
        using namespace TCompiledMark;
        qsizetype from = 0;
        for (qsizetype i = 0; i < piece.size(); ++i) {
            const char16_t u = piece[i].unicode();
            if (u == '[' || u == ']')
                c.expressible = false;
            if (!isMark(piece[i]))
                continue;
            pending += piece.mid(from, i - from).toUtf8();
            flush();
            if (u == Unit) {
                c.items.append({Item::Unit, units++, -1});
            } else if (u == NameSuffix) {
                c.items.append({Item::Suffix, 0, -1});
            } else if (u == IdOpen) {
                const qsizetype middle = piece.indexOf(QChar(IdMiddle), i), close = piece.indexOf(QChar(IdClose), i);
                if (middle < 0 || close < middle) {
                    c.expressible = false;
                    return;
                }
                c.items.append({Item::Id, piece.mid(i + 1, middle - i - 1).toInt(), int(c.idOriginals.size())});
                c.idOriginals.append(piece.mid(middle + 1, close - middle - 1).toUtf8());
                i = close;
            } else {
                c.expressible = false;
            }
            from = i + 1;
        }
        pending += piece.mid(from).toUtf8();
    }

    // A placeholder: a line's field when its name starts with the line's mark.
    void hole(const TPlaceholderSpan &span, QStringView written, const TemplateBlocks &blocks)
    {
        OdtCompiledLanguage::Slot slot{OdtHole::of(span, written.toUtf8()), QString(), std::nullopt};
        if (span.name.startsWith(kLineMark) && !holdsMark(QStringView(span.name).mid(kLineMark.size()))) {
            const TLanguageToken word = ReadLanguageToken(span.name.mid(kLineMark.size()), [](const QString &) { return false; });
            if (word.kind != TTokenKind::Line)
                c.expressible = false;
            slot.lineField = word.field;
            slot.line = blocks.lineSource(word.field);
            slot.original.replace(kLineMark.toUtf8(), QByteArray());
        } else if (holdsMark(written)) {
            c.expressible = false;
        }
        flush();
        c.items.append({Item::Hole, int(c.holes.size()), -1});
        c.holes.append(slot);
    }
};

} // namespace

OdtCompiledLanguage::Compiled OdtCompiledLanguage::compile(const QString &text, bool first) const
{
    Compiled c;
    // A part is written as UTF-8 with its byte order mark, as the general rules write it.
    Builder b{c, m_archive, first ? QByteArray("\xEF\xBB\xBF") : QByteArray()};
    qsizetype copied = 0;
    for (const TPlaceholderSpan &span : FindPlaceholders(text)) {
        b.literal(QStringView(text).mid(copied, span.open - copied));
        b.hole(span, QStringView(text).mid(span.open, span.close - span.open + 1), m_blocks);
        copied = span.close + 1;
    }
    b.literal(QStringView(text).mid(copied));
    b.flush();
    return c;
}

std::shared_ptr<OdtCompiledLanguage::Shape> OdtCompiledLanguage::shapeFor(const QList<TBlockDecision> &decisions) const
{
    QList<int> key;
    for (TBlockDecision d : decisions)
        key.append(int(d));
    QMutexLocker lock(&m_mutex);
    if (const auto known = m_shapes.find(key); known != m_shapes.end())
        return known->second;
    if (m_shapes.size() >= kMaxShapes)
        return nullptr;
    std::shared_ptr<Shape> &shape = m_shapes[key];
    shape = std::make_shared<Shape>();
    shape->tree = m_blocks.shape(m_tree.get(), decisions);
    shape->outer = compile(QString::fromUtf8(shape->tree.tree->serialize()), true);
    shape->tree.tree.reset(); // its text is in the pieces; the lines' nodes stay for their copies
    qsizetype units = 0;
    bool ids = false;
    for (const Item &item : shape->outer.items) {
        units += item.kind == Item::Unit ? 1 : 0;
        ids = ids || item.kind == Item::Id || item.kind == Item::Suffix;
    }
    shape->expressible = shape->outer.expressible && !ids && units == qsizetype(shape->tree.units.size());
    for (const TemplateBlocks::Shape::Unit &unit : shape->tree.units)
        shape->expressible = shape->expressible && !unit.entangled;
    for (const Slot &slot : shape->outer.holes)
        shape->expressible = shape->expressible && slot.lineField.isEmpty();
    return shape;
}

std::shared_ptr<const OdtCompiledLanguage::Form> OdtCompiledLanguage::formFor(Shape &shape, int unit,
                                                                               const QStringList &record) const
{
    const TemplateBlocks::Shape::Unit &u = shape.tree.units[size_t(unit)];
    QList<TBlockDecision> decisions;
    QList<int> key;
    for (const TBlockCondition &condition : u.conditions) {
        decisions.append(TemplateBlocks::decision(condition, record));
        key.append(int(decisions.last()));
    }
    QMutexLocker lock(&m_mutex);
    std::shared_ptr<const Form> &form = shape.forms[{unit, key}];
    if (form)
        return form;
    const TemplateBlocks::LineForm line = m_blocks.lineForm(u, decisions);
    auto made = std::make_shared<Form>();
    made->ids = line.ids;
    if (line.text) {
        made->copy = compile(*line.text, false);
        for (const Item &item : made->copy->items)
            made->copy->expressible = made->copy->expressible && item.kind != Item::Unit;
    }
    form = made;
    return form;
}

std::optional<SplicedDeflate::Stream> OdtCompiledLanguage::filled(const TLanguageRecords &records, const Lookup &values,
                                                                  bool deflated) const
{
    if (!m_error.isEmpty())
        throw TemplateLanguageFailure(m_error);
    QList<TBlockDecision> decisions;
    for (const std::optional<TBlockCondition> &condition : m_conditions)
        decisions.append(condition ? TemplateBlocks::decision(*condition, records.records.first())
                                   : TBlockDecision::Neutral);
    const std::shared_ptr<Shape> shape = shapeFor(decisions);
    if (!shape || !shape->expressible)
        return std::nullopt;
    SplicedDeflate::Stream out(deflated, m_archive);
    Emission e{*shape, values, records, shape->tree.lastIds, out};
    if (!put(shape->outer, e, 0, {}))
        return std::nullopt;
    return out;
}

bool OdtCompiledLanguage::putLines(Emission &e, int unit) const
{
    // Copies after the first take new ids, as many as the line holds, whether the copy stays.
    for (int k = 0; k < e.records.records.size(); ++k) {
        const std::shared_ptr<const Form> form = formFor(e.shape, unit, e.records.records[k]);
        QList<QByteArray> ids;
        if (k > 0) {
            for (const auto &[family, kind] : form->ids) {
                const qint64 next = ++e.counters[family];
                ids.append(kind == TBlockDialect::UniqueId::Hex
                               ? QByteArray::number(next, 16).rightJustified(8, '0').toUpper()
                               : QByteArray::number(next));
            }
        }
        if (!form->copy)
            continue;
        if (!form->copy->expressible || !put(*form->copy, e, k, ids))
            return false;
    }
    return true;
}

std::optional<QString> OdtCompiledLanguage::lineValue(const Slot &slot, const QStringList &record, int k)
{
    if (!slot.line)
        return std::nullopt;
    const QString value = slot.line->column >= 0 ? record.value(slot.line->column) : QString::number(k + 1);
    if (slot.line->formats.isEmpty())
        return value;
    return ApplyFieldFormats(slot.line->formats, value);
}

bool OdtCompiledLanguage::put(const Compiled &c, Emission &e, int k, const QList<QByteArray> &ids) const
{
    for (const Item &item : c.items) {
        switch (item.kind) {
        case Item::Piece:
            e.out.piece(c.pieces[item.index]);
            break;
        case Item::Id:
            if (k == 0 || item.index >= ids.size())
                e.out.text(c.idOriginals[item.original]);
            else
                e.out.text(ids[item.index]);
            break;
        case Item::Suffix:
            if (k > 0)
                e.out.text('_' + QByteArray::number(k + 1));
            break;
        case Item::Unit:
            if (!putLines(e, item.index))
                return false;
            break;
        case Item::Hole: {
            const Slot &slot = c.holes[item.index];
            const std::optional<QString> value =
                slot.lineField.isEmpty() ? slot.value(e.values) : lineValue(slot, e.records.records[k], k);
            if (!value) {
                e.out.text(slot.original);
                break;
            }
            // A value with brackets may make placeholders the general rules fill in turn.
            if (holdsBracket(*value))
                return false;
            e.out.text(PlaceholderBytes(*value, slot.inTag));
            e.out.text(slot.keptTags);
            break;
        }
        }
    }
    return true;
}

} // namespace dokrava
