#pragma once

#include "base/BlockDialect.h"
#include "base/FieldFormat.h"
#include "base/LanguageRecords.h"
#include "base/TemplateLanguage.h"
#include "base/TemplateLanguageError.h"
#include "base/TemplateLanguageFailure.h"

#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>

#include <map>
#include <memory>
#include <optional>
#include <vector>

namespace dokrava {

class XmlNode;

// How a block "[если …]" is decided: not yet (inside a line, decided per record), its first
// branch, its "[иначе]" branch, or dropped whole (a comparison of numbers that read no number).
enum class TBlockDecision { Neutral, Then, Else, Drop };

// The condition of a block and the index of its field among a record's values.
struct TBlockCondition
{
    TLanguageToken word;
    int field = -1;
};

// Characters no template holds, which stand in compiled pieces for what varies per document:
// where a line unit's copies go, the number of a line's copy in its fields' names, and the
// attributes each copy makes unique.
namespace TCompiledMark {
constexpr char16_t Unit = 0xFFFF;      // a text node alone in the outer part: the copies go there
constexpr char16_t LineOpen = 0xFDD0;  // the names of a copy's line fields begin with
constexpr char16_t LineNumber = 0xFDD5; // LineOpen, LineNumber, LineClose (the number goes between)
constexpr char16_t LineClose = 0xFDD1;
constexpr char16_t IdOpen = 0xFDD2;    // IdOpen, index, IdMiddle, the value as written, IdClose:
constexpr char16_t IdMiddle = 0xFDD3;  // a number every copy after the first renews
constexpr char16_t IdClose = 0xFDD6;
constexpr char16_t NameSuffix = 0xFDD4; // after a name every copy after the first suffixes "_2", "_3"…
constexpr char16_t Hole = 0xFDD7;      // a text node standing where a format's filler fills per document
} // namespace TCompiledMark

// The template language over one part of a document held as a tree: blocks "[если …]…[иначе]…
// [/если]" decided and removed without a trace, paragraphs and table rows holding "[*Поле]"
// repeated once per record of the group, totals "[Поле:итого]" summed. What it leaves are
// placeholders the format's own filler fills: the plain fields from the first record, and the
// pairs expand() gives (line fields under names no column can have, totals).
class TemplateBlocks
{
public:
    TemplateBlocks(const TBlockDialect &dialect, const QStringList &fields, int columns);

    // True when the part holds a word of the language that is no field's name.
    bool uses(XmlNode *root) const;

    // The first template error of the part; linesAllowed is false for headers and footers.
    std::optional<TTemplateLanguageError> firstError(XmlNode *root, bool linesAllowed) const;

    // Expands the part for the records; a template error throws TemplateLanguageFailure.
    // Pairs (placeholder name, value) of line fields are appended to extra, each name once.
    void expand(XmlNode *root, bool linesAllowed, const TLanguageRecords &records,
                QList<QPair<QString, QString>> &extra) const;

    // What grouping needs of a part: the columns its documents agree on (plain fields and
    // conditions outside lines; fields used only in totals aside) and whether it has lines.
    struct Use
    {
        QStringList groupFields;
        bool lines = false;
        // Conditions that compare numbers ("[если Сумма > 0]"), each once, by their marker's text.
        QList<QPair<QString, TLanguageToken>> numericConditions;
    };
    Use use(XmlNode *root) const;

    // The columns plain placeholder names stand for (a total's field aside), added to fields once.
    void addGroupFields(const QStringList &plainNames, QStringList &fields) const;

    // Appends to extra the totals "[Поле:итого]" (formats after it kept) of the placeholder names
    // a document holds, summed over the records: the pair's name is what the filler reads as a
    // field, its value the sum written as the format "сумма" writes it.
    void addTotals(const QStringList &names, const TLanguageRecords &records, QList<QPair<QString, QString>> &extra) const;

    // The names among these that addTotals() may sum, in order.
    QStringList totalNames(const QStringList &names) const;

    // A total read from a placeholder name: the name as written, the column it sums and the name
    // the filler reads its value under.
    struct Total
    {
        QString written;
        int column = -1;
        QString name;
    };
    // The totals among these names, in order: worked out once, they spare reading every name for
    // each document.
    QList<Total> totalsOf(const QStringList &names) const;
    // Appends to extra the totals summed over the records, each name once (see addTotals()).
    static void addTotals(const QList<Total> &totals, const TLanguageRecords &records,
                          QList<QPair<QString, QString>> &extra);

    // The compiled form of a part: what a document of it is made of once the blocks outside its
    // lines are decided. The same decisions always give the same shape.
    struct Shape
    {
        // The part with those blocks decided; each repeated line stands as a text node holding
        // only TCompiledMark::Unit.
        std::unique_ptr<XmlNode> tree;
        struct Unit
        {
            std::unique_ptr<XmlNode> node; // the line as it repeats, before its own blocks
            QList<TBlockCondition> conditions; // its blocks' conditions, decided per record
            // Its blocks may remove what holds it (a row or list item around it): its copies
            // cannot be compiled apart from the part.
            bool entangled = false;
        };
        std::vector<Unit> units;
        std::map<QString, qint64> lastIds; // the highest number of each family of unique ids
    };

    // The conditions of the part's blocks in order, nothing for a block inside one line (decided
    // per record); a template error throws TemplateLanguageFailure, as expand() does.
    QList<std::optional<TBlockCondition>> outerConditions(XmlNode *root, bool linesAllowed) const;

    // The decision of a condition for a record's values.
    static TBlockDecision decision(const TBlockCondition &condition, const QStringList &record);

    // The shape of the part (a tree not changed) for the decisions of outerConditions(), in order.
    Shape shape(const XmlNode *root, const QList<TBlockDecision> &decisions) const;

    // One copy of a line for the decisions of its conditions, written as text: line fields carry
    // the marks of TCompiledMark before their star where a value may go, unique ids their
    // marks; ids lists (family, kind) of each numbered id by index. Nothing when the copy goes.
    struct LineForm
    {
        std::optional<QString> text;
        QList<std::pair<QString, TBlockDialect::UniqueId::Kind>> ids;
        std::shared_ptr<XmlNode> node; // the copy whose text is text, alone in an element of its own
    };
    LineForm lineForm(const Shape::Unit &unit, const QList<TBlockDecision> &decisions) const;

    // The value of a line field ("Цена:сумма", "№") for the record at index k of records; nothing
    // when no column (or "№") is its field or the value does not fit its formats.
    std::optional<QString> lineValue(const QString &field, const TLanguageRecords &records, int k) const;

    // Where a line field's value comes from, for lineValue() to be worked out ahead: the index of
    // its column (-1 for "№", the line's number) and the formats to apply; nothing when neither.
    struct LineSource
    {
        int column = -1;
        QStringList formats;
        FieldFormatChain chain; // formats, read once for the values of every record
        // The value for the record of index k (its values in the order of the fields).
        std::optional<QString> value(const QStringList &record, int k) const;
        // The record's own value when the field takes it as written (a column without formats),
        // for a caller that need not copy it; nothing otherwise.
        const QString *asWritten(const QStringList &record) const;
    };
    std::optional<LineSource> lineSource(const QString &field) const;

private:
    bool isField(const QString &name) const;
    // True when a line field names a column or "№", with formats or without.
    bool lineFieldResolves(const QString &field) const;
    void expandLine(XmlNode *copy, const TLanguageRecords &records, int k, QList<QPair<QString, QString>> &extra) const;

    const TBlockDialect &m_dialect;
    QStringList m_fields;
    int m_columns;
};

} // namespace dokrava
