#pragma once

#include "base/TemplateBlocks.h"
#include "base/TemplateLanguageFailure.h"
#include "base/XmlNode.h"
#include "zip/CompiledPieces.h"
#include "zip/SplicedDeflate.h"

#include <QByteArray>
#include <QList>
#include <QMutex>
#include <QMutexLocker>
#include <QString>
#include <QStringList>
#include <QStringView>

#include <atomic>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <utility>

namespace dokrava {

// What the compiled forms of the template language share whatever the format: a part compiled
// once per set of decisions of the blocks outside its lines (a shape), and for each line and set
// of decisions of its own blocks the text of one copy (a form), each made of static pieces
// compressed once and what goes between them per document (see TCompiledMark).

// True for the characters TCompiledMark names.
bool IsCompiledMark(QChar c);
bool HoldsCompiledMark(QStringView text);

// Static pieces and what goes between: placeholders (holes) the format fills, a copy's ids, the
// suffix of its names, the copies of lines (units).
struct CompiledText
{
    struct Item
    {
        enum Kind { Piece, Hole, Id, Suffix, Unit } kind;
        int index;    // into pieces, the format's holes, the copy's ids or the shape's lines
        int original; // of an id: into idOriginals
    };
    // As text until a piece of the text is first put into a deflated entry (see piece()).
    QList<SplicedDeflate::Piece> pieces;
    QList<QByteArray> idOriginals; // per Id item in order: the value as written
    QList<Item> items;
    int holeCount = 0;
    int unitCount = 0;
    bool ids = false; // holds Id or Suffix items
    bool expressible = true;
    std::shared_ptr<CompiledPieces> compressor; // of the pieces, when first put

    // The piece of index i compressed. A text's pieces are compressed together the first time
    // one is asked for: many texts are only steps towards others, and a run compiles hundreds.
    // Throws DokravaError naming the archive when the compressor fails.
    const SplicedDeflate::Piece &piece(int i) const;

private:
    // A flag of its own for every copy: a copy may be compressed on its own.
    struct Once
    {
        std::atomic<bool> done{false};
        std::mutex mutex;
        Once() = default;
        Once(const Once &) {}
        Once &operator=(const Once &) { done = false; return *this; }
    };
    mutable Once m_compressed;
};

// Puts a text together into a compiled form, piece by piece.
class CompiledTextBuilder
{
public:
    // start goes before the first piece; bracketsBreak tells that a bracket in static text would
    // join texts the pieces keep apart; compressor compresses the pieces when first put.
    CompiledTextBuilder(CompiledText &c, std::shared_ptr<CompiledPieces> compressor, bool bracketsBreak,
                        QByteArray start = QByteArray());

    // Static text: its marks become items (TCompiledMark::Hole a hole, numbered in order).
    void literal(QStringView text);
    // Static text already written as UTF-8.
    void bytes(const QByteArray &text);
    // An item of another compiled text put on: a piece's text, an id, a suffix, a unit; not a hole.
    void copy(const CompiledText &from, const CompiledText::Item &item);
    // A hole the format fills; gives its index.
    int hole();
    // Ends the last piece.
    void flush();

private:
    CompiledText &m_c;
    bool m_bracketsBreak;
    QByteArray m_pending; // static text not yet a piece
};

// The ids of the copy of index k of a line: none for the first, which keeps the template's;
// after it, the next number of each id's family. Their texts are made when first asked for: a
// copy put from pieces with its ids written in needs none.
class CopyIdNumbers
{
public:
    using Kinds = QList<std::pair<QString, TBlockDialect::UniqueId::Kind>>;
    // The first copy's (none), as for a text that is no copy.
    CopyIdNumbers() = default;
    // Takes the numbers of the copy of index k: for each id (of kinds, its family an index into
    // last by families), the next of its family, counted on in last.
    CopyIdNumbers(int k, const Kinds &kinds, const QList<int> &families, QList<qint64> &last);

    int k() const { return m_k; }
    const QList<qint64> &numbers() const { return m_numbers; }
    // Per id, its text.
    const QList<QByteArray> &texts() const;

private:
    int m_k = 0;
    const Kinds *m_kinds = nullptr;
    QList<qint64> m_numbers;
    mutable std::optional<QList<QByteArray>> m_texts;
};

// The text of an id or a suffix of a copy with its ids.
QByteArray CompiledItemText(const CompiledText &c, const CompiledText::Item &item, const CopyIdNumbers &ids);

// Writes a piece, an id or a suffix of a copy with its ids.
void PutCompiledItem(SplicedDeflate::Stream &out, const CompiledText &c, const CompiledText::Item &item,
                     const CopyIdNumbers &ids);

// Appends text as UTF-8 with its ids' and names' marks resolved for the copy; false when it holds
// another mark.
bool AppendResolvingIds(QByteArray &out, QStringView text, const CopyIdNumbers &ids);

// A part compiled per shape and per line form, for a format whose compiled text is Compiled (a
// CompiledText with the format's holes). Const members may be used from several threads at once.
template <class Compiled>
class CompiledLanguage
{
public:
    struct Form
    {
        std::optional<Compiled> copy; // nothing when the copy goes for these decisions
        QList<std::pair<QString, TBlockDialect::UniqueId::Kind>> ids;
        QList<int> families; // per id: into the families of the dialect's ids
    };
    struct Shape
    {
        TemplateBlocks::Shape tree;
        Compiled outer;
        QList<qint64> lastNumbers; // the highest number of each family of ids
        bool expressible = true;
        // Per line and decisions of its blocks, and each line's text; guarded by the owner's mutex.
        std::map<std::pair<int, QList<int>>, std::shared_ptr<const Form>> forms;
        std::map<int, QString> unitTexts;
    };

    CompiledLanguage(std::shared_ptr<const XmlNode> tree, const TBlockDialect &dialect, const QStringList &fields,
                     int columns, bool linesAllowed, const QString &archive)
        : m_tree(std::move(tree)), m_blocks(dialect, fields, columns), m_archive(archive),
          m_pieces(std::make_shared<CompiledPieces>(archive))
    {
        for (const TBlockDialect::UniqueId &id : dialect.uniqueIds)
            if (!id.family.isEmpty() && !m_families.contains(id.family))
                m_families.append(id.family);
        try {
            m_conditions = m_blocks.outerConditions(const_cast<XmlNode *>(m_tree.get()), linesAllowed);
        } catch (const TemplateLanguageFailure &e) {
            m_error = e.message();
        }
    }
    virtual ~CompiledLanguage() = default;

protected:
    // The outer text of a shape, from its tree (the format's to change); the text of a line's copy.
    virtual Compiled compileOuter(XmlNode *tree) const = 0;
    virtual Compiled compileLine(const TemplateBlocks::LineForm &line) const = 0;
    // True when the format's holes of a shape's outer text can be filled (no line field there).
    virtual bool outerFits(const Compiled &outer) const = 0;

    // The shape of the group's document, nothing when the pieces cannot express it; a template
    // error throws TemplateLanguageFailure, as expanding does.
    std::shared_ptr<Shape> shapeOf(const TLanguageRecords &records) const
    {
        if (!m_error.isEmpty())
            throw TemplateLanguageFailure(m_error);
        QList<TBlockDecision> decisions;
        for (const std::optional<TBlockCondition> &condition : m_conditions)
            decisions.append(condition ? TemplateBlocks::decision(*condition, records.records.first())
                                       : TBlockDecision::Neutral);
        std::shared_ptr<Shape> shape = shapeFor(decisions);
        return shape && shape->expressible ? shape : nullptr;
    }

    // What putting one document needs: given is what the format fills its holes from.
    template <class Given>
    struct Emission
    {
        Shape &shape;
        const Given &given;
        const TLanguageRecords &records;
        QList<qint64> numbers; // the last number of each family of ids
        SplicedDeflate::Stream &out;
    };

    // The part for the group's records: put(outer, emission) puts the shape's outer text.
    // Nothing when the pieces cannot express the group's document or put says so; a template
    // error throws TemplateLanguageFailure, as expanding does.
    template <class Given, class Put>
    std::optional<SplicedDeflate::Stream> emitted(const TLanguageRecords &records, const Given &given, bool deflated,
                                                  const Put &put) const
    {
        const std::shared_ptr<Shape> shape = shapeOf(records);
        if (!shape)
            return std::nullopt;
        SplicedDeflate::Stream out(deflated, m_archive);
        Emission<Given> e{*shape, given, records, shape->lastNumbers, out};
        if (!put(shape->outer, e))
            return std::nullopt;
        return out;
    }

    // Puts the copies of a line, one per record: put(copy, ids) for each copy that stays (see
    // CopyIdNumbers), ids being new for every copy after the first, whether it stays. False when a
    // copy cannot be expressed or put says so.
    template <class Given, class Put>
    bool putLines(Emission<Given> &e, int unit, const Put &put) const
    {
        for (int k = 0; k < e.records.records.size(); ++k) {
            const std::shared_ptr<const Form> form = formFor(e.shape, unit, e.records.records[k]);
            if (form->families.size() != form->ids.size())
                return false;
            const CopyIdNumbers ids(k, form->ids, form->families, e.numbers);
            if (!form->copy)
                continue;
            if (!form->copy->expressible || !put(*form->copy, ids))
                return false;
        }
        return true;
    }

    std::shared_ptr<const XmlNode> m_tree;
    TemplateBlocks m_blocks;
    QString m_archive; // named in errors of compression
    std::shared_ptr<CompiledPieces> m_pieces; // the compiled texts' pieces, shared among them

private:
    // Shapes kept per part: a template whose conditions make more shapes than this fills the
    // documents of the others by expanding the part, and memory stays bounded.
    static constexpr std::size_t kMaxShapes = 256;

    std::shared_ptr<Shape> shapeFor(const QList<TBlockDecision> &decisions) const
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
        shape->outer = compileOuter(shape->tree.tree.get());
        shape->tree.tree.reset(); // its text is in the pieces; the lines' nodes stay for their copies
        for (const QString &family : m_families)
            shape->lastNumbers.append(shape->tree.lastIds.count(family) ? shape->tree.lastIds.at(family) : 0);
        shape->expressible = shape->outer.expressible && !shape->outer.ids
                             && shape->outer.unitCount == int(shape->tree.units.size()) && outerFits(shape->outer);
        for (const TemplateBlocks::Shape::Unit &u : shape->tree.units)
            shape->expressible = shape->expressible && !u.entangled;
        return shape;
    }

    std::shared_ptr<const Form> formFor(Shape &shape, int unit, const QStringList &record) const
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
        // The same line in another shape (the blocks around it decided otherwise) makes the same
        // copies: they are compiled once for all the shapes.
        auto text = shape.unitTexts.find(unit);
        if (text == shape.unitTexts.end()) {
            text = shape.unitTexts.emplace(unit, QString()).first;
            u.node->writeTo(text->second);
        }
        std::shared_ptr<const Form> &shared = m_forms[{text->second, key}];
        if (shared)
            return form = shared;
        const TemplateBlocks::LineForm line = m_blocks.lineForm(u, decisions);
        auto made = std::make_shared<Form>();
        made->ids = line.ids;
        bool known = true; // every family one of the dialect's
        for (const auto &[family, kind] : line.ids) {
            made->families.append(int(m_families.indexOf(family)));
            known = known && made->families.last() >= 0;
        }
        if (!known)
            made->families.clear(); // no document is put from it (see putLines)
        if (line.text) {
            made->copy = compileLine(line);
            made->copy->expressible = made->copy->expressible && made->copy->unitCount == 0;
        }
        form = made;
        shared = made;
        return form;
    }

    QStringList m_families; // of the dialect's ids that are numbered
    QString m_error; // the template error every document of this part throws
    QList<std::optional<TBlockCondition>> m_conditions;
    mutable QMutex m_mutex;
    mutable std::map<QList<int>, std::shared_ptr<Shape>> m_shapes;
    // The forms of every shape by their line's text and decisions.
    mutable std::map<std::pair<QString, QList<int>>, std::shared_ptr<const Form>> m_forms;
};

} // namespace dokrava
