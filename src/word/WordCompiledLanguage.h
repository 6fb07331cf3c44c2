#pragma once

#include "base/TemplateBlocks.h"
#include "word/WordFiller.h"
#include "word/WordText.h"
#include "zip/CompiledLanguage.h"
#include "zip/SplicedDeflate.h"

#include <QHash>
#include <QList>
#include <QMutex>
#include <QString>
#include <QVarLengthArray>
#include <QStringList>

#include <algorithm>
#include <map>
#include <memory>
#include <optional>
#include <vector>

namespace dokrava {

class XmlNode;
struct WordCompiledText;
struct WordFilledText;
struct WordCompiledSlot;

// A part of a Word template that uses the template language (the main text, or a header or footer
// that is filled), compiled once for a run's fields into pieces (see CompiledLanguage). The
// paragraphs that hold a "[" are filled by the replacements that find something in them, in the
// filler's order: once with marks for the values, which gives the shape and line copy with its
// paragraphs as pieces compressed once and the values between (a form kept per order of the
// replacements); a value the marks cannot stand for (blanks at an end, a line feed or tab,
// nothing) has its paragraph filled as the filler fills it, for that document. A document holds
// what expanding the part (ExpandWordLanguage) and filling it (FillWordDocument) gives. Const
// members may be used from several threads at once.
class WordCompiledLanguage : public CompiledLanguage<WordCompiledText>
{
public:
    // How a part's replacements are made from a document's values, worked out once for the
    // fields' names: per recipe (see TWordStepRecipe) the text it finds, letter case folded, and
    // its place in the filler's order.
    struct StepPlan
    {
        QList<TWordStepRecipe> recipes;
        QList<int> findOf;        // per recipe: into the texts found, -1 when it can find nothing
        QList<int> orders;        // per recipe
        QHash<QString, int> finds; // the texts found
        int linesAt = 0; // the place of the lines' fields: after the columns', before the others
    };
    // The plan of the first count recipes, of which the first columnSteps are the columns' (those
    // of the fields the language made follow them).
    static StepPlan planOf(const QList<TWordStepRecipe> &recipes, int count, int columnSteps);

    // The replacements of one document for a part: per text the plan finds, the first recipe's
    // that gives a value, with that value cleaned.
    struct Steps
    {
        struct Step
        {
            int order = -1; // none when no recipe gives a value
            QString value;
        };
        const StepPlan *plan = nullptr;
        std::vector<Step> byFind;
        // The step that finds a folded text; nothing when none does.
        const Step *find(const QString &folded) const;
    };
    // The steps of a document whose fields have these values (see TWordStepRecipe::field).
    static Steps stepsOf(const StepPlan &plan, const QStringList &values);

    // linesAllowed is true for the main text; fields and columns as WordLanguageFields gives them.
    WordCompiledLanguage(std::shared_ptr<const XmlNode> tree, bool linesAllowed, const QStringList &fields,
                         int columns, const QString &archive);
    ~WordCompiledLanguage() override;

    // The part for the group's records filled by the steps; nothing when the group needs the part
    // expanded whole (a value that holds brackets, a shape the pieces cannot express). A template
    // error throws TemplateLanguageFailure, as expanding does.
    std::optional<SplicedDeflate::Stream> filled(const TLanguageRecords &records, const Steps &steps,
                                                 bool deflated) const;

private:
    using Emission = CompiledLanguage::Emission<Steps>;
    struct Applied;
    struct Fills;
    WordCompiledText compile(XmlNode *root, bool outer) const;
    WordCompiledText compileOuter(XmlNode *tree) const override;
    WordCompiledText compileLine(const TemplateBlocks::LineForm &line) const override;
    bool outerFits(const WordCompiledText &outer) const override;
    bool put(const WordCompiledText &c, Emission &e, const CopyIdNumbers &ids) const;
    // Appends the replacements that find something in a paragraph, in the filler's order; false
    // when the part must be expanded whole.
    bool appliedTo(const WordCompiledSlot &slot, const Emission &e, int k, Fills &out) const;
    // The compiled text with its paragraphs filled with marks for the values, in the orders of key.
    std::shared_ptr<const WordFilledText> filledForm(const WordCompiledText &c, const QVarLengthArray<int, 32> &key,
                                                     const Fills &fills) const;
    // A filled form with the ids of a copy written in; nothing when too many are kept.
    std::shared_ptr<const WordFilledText> bakedForm(const WordFilledText &form, const CopyIdNumbers &ids) const;

    mutable QMutex m_filledMutex; // guards the compiled texts' filled forms
};

// A paragraph that holds a "[", filled per document.
struct WordCompiledSlot
{
    std::shared_ptr<const XmlNode> holder; // an element whose only child is the paragraph
    // What a replacement may find in it ("[name]" with no bracket inside), letter case folded;
    // a line's field's with its place among the copy's steps and its value's source.
    struct Find
    {
        QString folded;
        int line = -1;
        std::optional<TemplateBlocks::LineSource> source;
    };
    QList<Find> finds;
};

// A compiled text whose paragraphs are filled with marks for values: pieces, the marks as holes,
// and per hole the value it takes (an index into the values of all its paragraphs in order).
struct WordFilledText : CompiledText
{
    QList<int> values;
    bool suffixes = false; // holds Suffix items, which change with every copy
    // Of a form with a copy's ids written into its pieces: the copy's index (when suffixes;
    // else whether it is after the first) and the ids' numbers.
    std::pair<int, QList<qint64>> bakedFor;
    // The same with a copy's ids written into its pieces, by bakedFor, and the last made or met
    // for each copy's index; guarded by the owner.
    mutable std::map<std::pair<int, QList<qint64>>, std::shared_ptr<const WordFilledText>> baked;
    mutable std::vector<std::shared_ptr<const WordFilledText>> bakedAt;
};

// Orders the keys of filled forms, and finds one by a key held in any sequence of ints: a
// document's copies look theirs up without making a list.
struct FillOrderLess
{
    using is_transparent = void;
    template <class A, class B>
    bool operator()(const A &a, const B &b) const
    {
        return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end());
    }
};

struct WordCompiledText : CompiledText
{
    QList<WordCompiledSlot> holes;
    // Per order of the finds the replacements fill in each paragraph (indices into its finds,
    // each paragraph's ended by -1); guarded by the owner.
    mutable std::map<QList<int>, std::shared_ptr<const WordFilledText>, FillOrderLess> filled;
};

} // namespace dokrava
