#pragma once

#include "base/FieldFormat.h"
#include "base/TemplateBlocks.h"
#include "odf/OdtHole.h"
#include "zip/SplicedDeflate.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QMutex>
#include <QString>
#include <QStringList>

#include <map>
#include <memory>
#include <optional>

namespace dokrava {

class XmlNode;

// A part of an ".odt" template that uses the template language, compiled once for a run's fields
// into pieces: for each set of decisions of the blocks outside lines (a shape, compiled the first
// time a group needs it), the static text between placeholders and lines, compressed once, and
// for each line and each set of decisions of its own blocks the text of one copy. A document is
// then joined from pieces, values and the copies' ids, and holds what expanding the part's tree
// and filling it gives (ExpandOdtPart, then ReplaceVariables). Const members may be used from
// several threads at once.
class OdtCompiledLanguage
{
public:
    // Placeholder name -> its value, as the filler looks values up.
    using Lookup = OdtHole::Lookup;

    OdtCompiledLanguage(std::shared_ptr<const XmlNode> tree, const QString &partName, const QStringList &fields,
                        const QString &archive);
    ~OdtCompiledLanguage();

    // The part for the group's records, plain placeholders filled from values (the first record's
    // fields and the totals); nothing when the group needs the part expanded whole (a value that
    // holds brackets, a shape the pieces cannot express). A template error throws
    // TemplateLanguageFailure, as expanding does.
    std::optional<SplicedDeflate::Stream> filled(const TLanguageRecords &records, const Lookup &values,
                                                 bool deflated) const;

    // A placeholder between pieces.
    struct Slot : OdtHole
    {
        QString lineField;   // for a line's field: the field and formats ("Цена:сумма")
        std::optional<TemplateBlocks::LineSource> line; // where a line field's value comes from
    };
    // Static text and what goes between: pieces, placeholders, a line's ids, the copies of lines.
    struct Item
    {
        enum Kind { Piece, Hole, Id, Suffix, Unit } kind;
        int index;    // into pieces, holes, the copy's ids or the shape's lines
        int original; // of an id: into idOriginals
    };
    struct Compiled
    {
        QList<SplicedDeflate::Piece> pieces;
        QList<Slot> holes;
        QList<QByteArray> idOriginals; // per Id item in order: the value as written
        QList<Item> items;
        bool expressible = true;
    };
    struct Form;
    struct Shape;

private:
    // What emitting needs for one document.
    struct Emission;
    Compiled compile(const QString &text, bool first) const;
    std::shared_ptr<Shape> shapeFor(const QList<TBlockDecision> &decisions) const;
    std::shared_ptr<const Form> formFor(Shape &shape, int unit, const QStringList &record) const;
    bool put(const Compiled &c, Emission &e, int k, const QList<QByteArray> &ids) const;
    bool putLines(Emission &e, int unit) const;
    static std::optional<QString> lineValue(const Slot &slot, const QStringList &record, int k);

    std::shared_ptr<const XmlNode> m_tree;
    QString m_archive;
    TemplateBlocks m_blocks;
    bool m_content;
    QString m_error; // the template error every document of this part throws
    QList<std::optional<TBlockCondition>> m_conditions;
    mutable QMutex m_mutex;
    mutable std::map<QList<int>, std::shared_ptr<Shape>> m_shapes;
};

} // namespace dokrava
