#include "word/WordCompiledLanguage.h"

#include "base/TemplateLanguage.h"
#include "base/XmlEscape.h"
#include "base/XmlNode.h"
#include "word/WordLanguage.h"

#include <QMutexLocker>
#include <QVarLengthArray>

#include <algorithm>
#include <vector>

namespace dokrava {

namespace {

const QString kLineMark = QString(QChar(TCompiledMark::LineOpen)) + QChar(TCompiledMark::LineNumber)
                          + QChar(TCompiledMark::LineClose);

// Room in the filler's order for the steps of a copy's line fields, between the columns' and the
// others'.
constexpr int kLineRoom = 1 << 20;

// Stands in a paragraph's text for tabs, breaks and symbols (see WordParagraphTexts).
constexpr char16_t kStop = 0xFFFF;

// The placeholders a replacement may find in paragraphs' texts ("[name]" with no bracket or stop
// inside), in order; false when brackets enclose one: a value put there would make a placeholder
// with the text around it, which a later replacement may find.
bool placeholdersIn(const QStringList &texts, QStringList &out)
{
    for (const QString &text : texts) {
        qsizetype open = -1;
        bool enclosing = false;
        for (qsizetype i = 0; i < text.size(); ++i) {
            const char16_t c = text[i].unicode();
            if (c == kStop) {
                open = -1;
                enclosing = false;
            } else if (c == '[') {
                enclosing = enclosing || open >= 0;
                open = i;
            } else if (c == ']' && open >= 0) {
                out.append(text.mid(open, i - open + 1));
                open = -1;
            } else if (c == ']' && enclosing) {
                return false;
            }
        }
    }
    return true;
}

QString folded(const QString &placeholder)
{
    return PrepareWordReplacement(placeholder, QString()).foldedFind;
}

// Puts a value as the text of an element is written (see XmlNode::writeTo).
void putEscaped(SplicedDeflate::Stream &out, const QString &value)
{
    for (QChar c : value) {
        const char16_t u = c.unicode();
        if (u == '&' || u == '<' || u == '>' || u == '\r') {
            out.text(QStringView(XmlEscaped(value, XmlEscapeFor::Text)));
            return;
        }
    }
    out.text(QStringView(value));
}

// Filled forms kept per compiled text, and forms with a copy's ids written in per filled form.
constexpr std::size_t kMaxFilledForms = 64;
constexpr std::size_t kMaxBakedForms = 64;

// The first of the private characters that tell which value a mark stands for.
constexpr char16_t kValueIndex = 0xE000;

// How a value may go in: not at all when it holds a bracket or a compiled mark (a later step
// could find what it makes); where a mark was when that gives what the filler gives for it (one
// text: no line feed or tab, no blank at either end that would have the text's spaces kept
// otherwise); else only with its paragraph filled as the filler fills it. One pass: a
// document's lines hold hundreds of values.
enum class ValueFit { Never, AsMark, Paragraph };

ValueFit fitOf(const QString &value)
{
    bool asMark = !value.isEmpty() && !value.front().isSpace() && !value.back().isSpace();
    for (const QChar c : value) {
        const char16_t u = c.unicode();
        if (u == '[' || u == ']' || (u >= 0xFDD0 && IsCompiledMark(c)))
            return ValueFit::Never;
        asMark = asMark && u != '\n' && u != '\t';
    }
    return asMark ? ValueFit::AsMark : ValueFit::Paragraph;
}

} // namespace

WordCompiledLanguage::StepPlan WordCompiledLanguage::planOf(const QList<TWordStepRecipe> &recipes, int count,
                                                             int columnSteps)
{
    StepPlan plan;
    plan.linesAt = columnSteps;
    plan.recipes = recipes.mid(0, count);
    for (int i = 0; i < plan.recipes.size(); ++i) {
        const QString find = folded(plan.recipes[i].find);
        int index = -1;
        if (!find.isEmpty()) {
            index = plan.finds.value(find, int(plan.finds.size()));
            plan.finds.insert(find, index);
        }
        plan.findOf.append(index);
        plan.orders.append(i < columnSteps ? i : i + kLineRoom);
    }
    return plan;
}

WordCompiledLanguage::Steps WordCompiledLanguage::stepsOf(const StepPlan &plan, const QStringList &values)
{
    Steps out;
    out.plan = &plan;
    out.byFind.resize(size_t(plan.finds.size()));
    for (int i = 0; i < plan.recipes.size(); ++i) {
        // The first step that finds a text replaces it everywhere: the others find nothing.
        if (plan.findOf[i] < 0 || out.byFind[size_t(plan.findOf[i])].order >= 0)
            continue;
        if (const std::optional<QString> value = WordStepValue(plan.recipes[i], values.value(plan.recipes[i].field)))
            out.byFind[size_t(plan.findOf[i])] = {plan.orders[i], CleanWordValue(*value)};
    }
    return out;
}

const WordCompiledLanguage::Steps::Step *WordCompiledLanguage::Steps::find(const QString &folded) const
{
    if (!plan)
        return nullptr;
    const auto found = plan->finds.constFind(folded);
    if (found == plan->finds.cend())
        return nullptr;
    const Step &step = byFind[size_t(found.value())];
    return step.order >= 0 ? &step : nullptr;
}

WordCompiledLanguage::WordCompiledLanguage(std::shared_ptr<const XmlNode> tree, bool linesAllowed,
                                           const QStringList &fields, int columns, const QString &archive)
    : CompiledLanguage(std::move(tree), WordBlockDialect(), fields, columns, linesAllowed, archive)
{
}

WordCompiledLanguage::~WordCompiledLanguage() = default;

WordCompiledText WordCompiledLanguage::compile(XmlNode *root, bool outer) const
{
    WordCompiledText c;
    QStringList lineNames; // of the line fields, as written, in order, each time met
    for (XmlNode *p : ParagraphsWithBrackets(root)) {
        XmlNode *parent = p->parent();
        const int at = p->indexInParent();
        auto holder = std::make_shared<XmlNode>(XmlNode::Element, QStringLiteral("w:body"));
        holder->append(parent->take(at));
        auto mark = std::make_unique<XmlNode>(XmlNode::Text);
        mark->setText(QString(QChar(TCompiledMark::Hole)));
        parent->insert(at, std::move(mark));
        WordCompiledSlot slot;
        QStringList placeholders;
        c.expressible = placeholdersIn(WordParagraphTexts(holder.get()), placeholders) && c.expressible;
        for (const QString &written : placeholders) {
            WordCompiledSlot::Find find{folded(written), -1, std::nullopt};
            const QString name = written.mid(1, written.size() - 2);
            if (name.startsWith(kLineMark)) {
                const QString rest = name.mid(kLineMark.size());
                const TLanguageToken word = ReadLanguageToken(rest, [](const QString &) { return false; });
                find.source = m_blocks.lineSource(word.field);
                c.expressible = c.expressible && word.kind == TTokenKind::Line && find.source && !HoldsCompiledMark(rest);
                find.line = 0; // its place is known once every paragraph is read
                lineNames.append(name);
            } else if (HoldsCompiledMark(name)) {
                c.expressible = false;
            }
            const auto same = [&find](const WordCompiledSlot::Find &f) { return f.folded == find.folded; };
            if (!find.folded.isEmpty() && std::none_of(slot.finds.cbegin(), slot.finds.cend(), same))
                slot.finds.append(find);
        }
        slot.holder = std::move(holder);
        c.holes.append(slot);
    }
    // The filler takes a copy's line fields from the last met, each name once; of those that
    // find the same text, the first fills it.
    QStringList order;
    for (auto name = lineNames.crbegin(); name != lineNames.crend(); ++name)
        if (!order.contains(*name))
            order.append(*name);
    QStringList orderFolded;
    for (const QString &name : order)
        orderFolded.append(folded(QLatin1Char('[') + name + QLatin1Char(']')));
    for (WordCompiledSlot &slot : c.holes)
        for (WordCompiledSlot::Find &find : slot.finds)
            if (find.line >= 0)
                find.line = int(orderFolded.indexOf(find.folded));
    QString text;
    if (outer) {
        text = QString::fromUtf8(root->serialize());
    } else {
        for (int i = 0; i < root->childCount(); ++i)
            root->child(i)->writeTo(text);
    }
    CompiledTextBuilder b(c, m_pieces, false);
    b.literal(text);
    b.flush();
    c.expressible = c.expressible && c.holeCount == c.holes.size();
    return c;
}

WordCompiledText WordCompiledLanguage::compileOuter(XmlNode *tree) const
{
    return compile(tree, true);
}

WordCompiledText WordCompiledLanguage::compileLine(const TemplateBlocks::LineForm &line) const
{
    return compile(line.node.get(), false);
}

bool WordCompiledLanguage::outerFits(const WordCompiledText &outer) const
{
    for (const WordCompiledSlot &slot : outer.holes)
        for (const WordCompiledSlot::Find &find : slot.finds)
            if (find.line >= 0 || find.source)
                return false;
    return true;
}

std::optional<SplicedDeflate::Stream> WordCompiledLanguage::filled(const TLanguageRecords &records, const Steps &steps,
                                                                   bool deflated) const
{
    return emitted(records, steps, deflated,
                   [this](const auto &outer, Emission &e) { return put(outer, e, CopyIdNumbers()); });
}

struct WordCompiledLanguage::Applied
{
    int order;
    int find; // into the paragraph's finds
    // The value cleaned: a record's or a step's as they stand, or owned. Pointed to rather than
    // shared: a document puts hundreds, and sharing counts each twice.
    const QString *value;
    QString owned;
    bool asMark = false; // the value may go where a mark was
    const QString &text() const { return value ? *value : owned; }
};

// The replacements of a text's paragraphs in one list: paragraph h's from starts[h] up to starts[h + 1].
// Held on the stack for a line's copy: a document puts hundreds.
struct WordCompiledLanguage::Fills
{
    QVarLengthArray<Applied, 16> applied;
    QVarLengthArray<qsizetype, 16> starts;
    std::pair<const Applied *, const Applied *> of(int h) const
    {
        return {applied.data() + starts[h], applied.data() + starts[h + 1]};
    }
};

bool WordCompiledLanguage::appliedTo(const WordCompiledSlot &slot, const Emission &e, int k, Fills &fills) const
{
    QVarLengthArray<Applied, 16> &out = fills.applied;
    const qsizetype first = out.size();
    for (int f = 0; f < slot.finds.size(); ++f) {
        const WordCompiledSlot::Find &find = slot.finds[f];
        if (find.line >= 0) {
            const int order = e.given.plan->linesAt + find.line;
            const TemplateBlocks::LineSource &source = *find.source;
            const QStringList &record = e.records.records[k];
            if (const QString *written = source.asWritten(record); written && IsCleanWordValue(*written)) {
                out.push_back({order, f, written, QString()});
                continue;
            }
            // A value that does not fit the field's formats leaves the field as written: the
            // part is expanded whole.
            const std::optional<QString> value = source.value(record, k);
            if (!value)
                return false;
            out.push_back({order, f, nullptr, CleanWordValue(*value)});
        } else if (const Steps::Step *step = e.given.find(find.folded)) {
            out.push_back({step->order, f, &step->value, QString()});
        }
    }
    std::sort(out.begin() + first, out.end(), [](const Applied &a, const Applied &b) { return a.order < b.order; });
    // A value with brackets may make placeholders that later steps fill in turn.
    for (qsizetype a = first; a < out.size(); ++a) {
        const ValueFit fit = fitOf(out[a].text());
        if (fit == ValueFit::Never)
            return false;
        out[a].asMark = fit == ValueFit::AsMark;
    }
    return true;
}

std::shared_ptr<const WordFilledText> WordCompiledLanguage::filledForm(const WordCompiledText &c,
                                                                       const QVarLengthArray<int, 32> &key,
                                                                       const Fills &fills) const
{
    QMutexLocker lock(&m_filledMutex);
    if (const auto found = c.filled.find(key); found != c.filled.end())
        return found->second;
    // Values that find and miss in ever other ways fill the paragraphs one by one beyond this.
    if (c.filled.size() >= kMaxFilledForms)
        return nullptr;
    std::shared_ptr<const WordFilledText> &known = c.filled[QList<int>(key.cbegin(), key.cend())];
    auto made = std::make_shared<WordFilledText>();
    CompiledTextBuilder b(*made, m_pieces, false);
    int base = 0; // the first value of the paragraph
    for (const CompiledText::Item &item : c.items) {
        if (item.kind != CompiledText::Item::Hole) {
            b.copy(c, item);
            continue;
        }
        const auto [from, to] = fills.of(item.index);
        const int count = int(to - from);
        const std::unique_ptr<XmlNode> work = c.holes[item.index].holder->clone();
        for (int p = 0; p < count; ++p)
            ReplaceInWordPart(work.get(), TWordReplacement{c.holes[item.index].finds[from[p].find].folded,
                                                           QString(QChar(TCompiledMark::Hole)) + QChar(kValueIndex + p)});
        QString text;
        work->child(0)->writeTo(text);
        // Each mark is followed by the index of its value, which goes.
        QString marked;
        marked.reserve(text.size());
        for (qsizetype i = 0; i < text.size(); ++i) {
            marked += text[i];
            if (text[i] != QChar(TCompiledMark::Hole))
                continue;
            const int p = i + 1 < text.size() ? text[i + 1].unicode() - kValueIndex : -1;
            if (p < 0 || p >= count)
                made->expressible = false;
            made->values.append(base + p);
            ++i;
        }
        b.literal(marked);
        base += count;
    }
    b.flush();
    made->expressible = made->expressible && made->holeCount == made->values.size();
    for (const CompiledText::Item &item : made->items)
        made->suffixes = made->suffixes || item.kind == CompiledText::Item::Suffix;
    known = made;
    return made;
}

std::shared_ptr<const WordFilledText> WordCompiledLanguage::bakedForm(const WordFilledText &form,
                                                                      const CopyIdNumbers &ids) const
{
    const int k = ids.k();
    // The copies after the first of a line get the same ids in every document of a shape: the
    // numbers go on from the template's last. Written between pieces, they would part a row
    // into twice as many.
    std::pair<int, QList<qint64>> key{form.suffixes ? k : int(k > 0), ids.numbers()};
    QMutexLocker lock(&m_filledMutex);
    // The copy of the same index in the document before has the same ids, mostly: one comparison
    // rather than a search.
    std::shared_ptr<const WordFilledText> *at = nullptr;
    if (size_t(k) < kMaxBakedForms) {
        if (form.bakedAt.size() <= size_t(k))
            form.bakedAt.resize(size_t(k) + 1);
        at = &form.bakedAt[size_t(k)];
        if (*at && (*at)->bakedFor == key)
            return *at;
    }
    if (const auto found = form.baked.find(key); found != form.baked.end())
        return at ? (*at = found->second) : found->second;
    if (form.baked.size() >= kMaxBakedForms)
        return nullptr;
    auto made = std::make_shared<WordFilledText>();
    CompiledTextBuilder b(*made, m_pieces, false);
    for (const CompiledText::Item &item : form.items) {
        if (item.kind == CompiledText::Item::Id || item.kind == CompiledText::Item::Suffix) {
            b.bytes(CompiledItemText(form, item, ids));
        } else if (item.kind == CompiledText::Item::Hole) {
            b.hole();
            made->values.append(form.values[item.index]);
        } else {
            b.copy(form, item);
        }
    }
    b.flush();
    made->expressible = form.expressible && made->holeCount == made->values.size();
    made->bakedFor = key;
    form.baked[std::move(key)] = made;
    if (at)
        *at = made;
    return made;
}

bool WordCompiledLanguage::put(const WordCompiledText &c, Emission &e, const CopyIdNumbers &ids) const
{
    const int k = ids.k();
    Fills fills;
    QVarLengthArray<int, 32> key;
    bool asMarks = true;
    for (qsizetype h = 0; h < c.holes.size(); ++h) {
        fills.starts.push_back(fills.applied.size());
        if (!appliedTo(c.holes[h], e, k, fills))
            return false;
        for (qsizetype a = fills.starts.back(); a < fills.applied.size(); ++a) {
            key.append(fills.applied[a].find);
            asMarks = asMarks && fills.applied[a].asMark;
        }
        key.append(-1);
    }
    fills.starts.push_back(fills.applied.size());
    const auto putLinesOf = [&](int unit) {
        const auto putCopy = [&](const WordCompiledText &copy, const CopyIdNumbers &copyIds) {
            return put(copy, e, copyIds);
        };
        return putLines(e, unit, putCopy);
    };
    std::shared_ptr<const WordFilledText> form = asMarks ? filledForm(c, key, fills) : nullptr;
    if (form && form->expressible) {
        if (form->ids)
            if (std::shared_ptr<const WordFilledText> baked = bakedForm(*form, ids))
                form = std::move(baked);
        for (const CompiledText::Item &item : form->items) {
            if (item.kind == CompiledText::Item::Unit) {
                if (!putLinesOf(item.index))
                    return false;
            } else if (item.kind == CompiledText::Item::Hole) {
                putEscaped(e.out, fills.applied[form->values[item.index]].text());
            } else {
                PutCompiledItem(e.out, *form, item, ids);
            }
        }
        return true;
    }
    // A value the marks cannot stand for: each paragraph filled as the filler fills it.
    for (const CompiledText::Item &item : c.items) {
        if (item.kind == CompiledText::Item::Unit) {
            if (!putLinesOf(item.index))
                return false;
        } else if (item.kind == CompiledText::Item::Hole) {
            const std::unique_ptr<XmlNode> work = c.holes[item.index].holder->clone();
            const auto [from, to] = fills.of(item.index);
            for (const Applied *a = from; a != to; ++a)
                ReplaceInWordPart(work.get(), TWordReplacement{c.holes[item.index].finds[a->find].folded, a->text()});
            QString text;
            work->child(0)->writeTo(text);
            QByteArray bytes;
            if (!AppendResolvingIds(bytes, text, ids))
                return false;
            e.out.text(bytes);
        } else {
            PutCompiledItem(e.out, c, item, ids);
        }
    }
    return true;
}

} // namespace dokrava
