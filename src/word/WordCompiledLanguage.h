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
#include <QStringList>

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
    // The replacements of one document for a part by the text they find (letter case folded),
    // the first of each, with its place in the filler's order.
    struct Steps
    {
        struct Step
        {
            int order;
            TWordReplacement replacement;
        };
        QHash<QString, Step> byFind;
        int linesAt = 0; // the place of the lines' fields: after the columns', before the others
    };
    // The steps of a part, of which the first columnSteps are the columns' (those of the fields
    // the language made follow them).
    static Steps stepsOf(const QList<TWordStep> &steps, int columnSteps);

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
    WordCompiledText compile(XmlNode *root, bool outer) const;
    WordCompiledText compileOuter(XmlNode *tree) const override;
    WordCompiledText compileLine(const TemplateBlocks::LineForm &line) const override;
    bool outerFits(const WordCompiledText &outer) const override;
    bool put(const WordCompiledText &c, Emission &e, int k, const QList<QByteArray> &ids) const;
    // The replacements that find something in a paragraph, in the filler's order; false when the
    // part must be expanded whole.
    bool appliedTo(const WordCompiledSlot &slot, const Emission &e, int k, std::vector<Applied> &out) const;
    // The compiled text with its paragraphs filled with marks for the values, in the orders of key.
    std::shared_ptr<const WordFilledText> filledForm(const WordCompiledText &c, const QList<int> &key,
                                                     const std::vector<std::vector<Applied>> &fills) const;

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
};

struct WordCompiledText : CompiledText
{
    QList<WordCompiledSlot> holes;
    // Per order of the finds the replacements fill in each paragraph (indices into its finds,
    // each paragraph's ended by -1); guarded by the owner.
    mutable std::map<QList<int>, std::shared_ptr<const WordFilledText>> filled;
};

} // namespace dokrava
