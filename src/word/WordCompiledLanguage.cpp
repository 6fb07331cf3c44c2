#include "word/WordCompiledLanguage.h"

#include "base/TemplateLanguage.h"
#include "base/XmlEscape.h"
#include "base/XmlNode.h"
#include "word/WordLanguage.h"

#include <QMutexLocker>

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

bool holdsBracket(const QString &value)
{
    return value.contains(QLatin1Char('[')) || value.contains(QLatin1Char(']'));
}

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

// A value as the text of an element is written (see XmlNode::writeTo).
QByteArray escapedText(const QString &value)
{
    for (QChar c : value) {
        const char16_t u = c.unicode();
        if (u == '&' || u == '<' || u == '>' || u == '\r')
            return XmlEscaped(value, XmlEscapeFor::Text).toUtf8();
    }
    return value.toUtf8();
}

// Filled forms kept per compiled text.
constexpr std::size_t kMaxFilledForms = 64;

// The first of the private characters that tell which value a mark stands for.
constexpr char16_t kValueIndex = 0xE000;

// True when the value, put where a mark was, gives what the filler gives for it: one text (no
// line feed or tab), no blank at either end that would have the text's spaces kept otherwise,
// nothing a later replacement could find.
bool fillsAsMark(const QString &value)
{
    return !value.isEmpty() && !value.front().isSpace() && !value.back().isSpace()
           && !value.contains(QLatin1Char('\n')) && !value.contains(QLatin1Char('\t')) && !holdsBracket(value)
           && !HoldsCompiledMark(value);
}

} // namespace

WordCompiledLanguage::Steps WordCompiledLanguage::stepsOf(const QList<TWordStep> &steps, int columnSteps)
{
    Steps out;
    out.linesAt = columnSteps;
    out.byFind.reserve(steps.size());
    for (int i = 0; i < steps.size(); ++i) {
        const TWordReplacement replacement = PrepareWordReplacement(steps[i].find, steps[i].value);
        // The first step that finds a text replaces it everywhere: the others find nothing.
        if (!replacement.foldedFind.isEmpty() && !out.byFind.contains(replacement.foldedFind))
            out.byFind.insert(replacement.foldedFind, {i < columnSteps ? i : i + kLineRoom, replacement});
    }
    return out;
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
    CompiledTextBuilder b(c, m_archive, false);
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
    return emitted(records, steps, deflated, [this](const auto &outer, Emission &e) { return put(outer, e, 0, {}); });
}

struct WordCompiledLanguage::Applied
{
    int order;
    int find; // into the paragraph's finds
    TWordReplacement replacement;
};

bool WordCompiledLanguage::appliedTo(const WordCompiledSlot &slot, const Emission &e, int k,
                                     std::vector<Applied> &out) const
{
    for (int f = 0; f < slot.finds.size(); ++f) {
        const WordCompiledSlot::Find &find = slot.finds[f];
        if (find.line >= 0) {
            // A value that does not fit the field's formats leaves the field as written: the
            // part is expanded whole.
            const std::optional<QString> value = find.source->value(e.records.records[k], k);
            if (!value)
                return false;
            out.push_back({e.given.linesAt + find.line, f, {find.folded, CleanWordValue(*value)}});
        } else if (const auto step = e.given.byFind.constFind(find.folded); step != e.given.byFind.cend()) {
            out.push_back({step->order, f, step->replacement});
        }
    }
    std::sort(out.begin(), out.end(), [](const Applied &a, const Applied &b) { return a.order < b.order; });
    // A value with brackets may make placeholders that later steps fill in turn.
    for (const Applied &a : out)
        if (holdsBracket(a.replacement.value) || HoldsCompiledMark(a.replacement.value))
            return false;
    return true;
}

std::shared_ptr<const WordFilledText> WordCompiledLanguage::filledForm(const WordCompiledText &c, const QList<int> &key,
                                                                       const std::vector<std::vector<Applied>> &fills) const
{
    QMutexLocker lock(&m_filledMutex);
    if (const auto found = c.filled.find(key); found != c.filled.end())
        return found->second;
    // Values that find and miss in ever other ways fill the paragraphs one by one beyond this.
    if (c.filled.size() >= kMaxFilledForms)
        return nullptr;
    std::shared_ptr<const WordFilledText> &known = c.filled[key];
    auto made = std::make_shared<WordFilledText>();
    CompiledTextBuilder b(*made, m_archive, false);
    int base = 0; // the first value of the paragraph
    for (const CompiledText::Item &item : c.items) {
        if (item.kind != CompiledText::Item::Hole) {
            b.copy(c, item);
            continue;
        }
        const std::vector<Applied> &applied = fills[size_t(item.index)];
        const std::unique_ptr<XmlNode> work = c.holes[item.index].holder->clone();
        for (int p = 0; p < int(applied.size()); ++p)
            ReplaceInWordPart(work.get(), TWordReplacement{applied[size_t(p)].replacement.foldedFind,
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
            if (p < 0 || p >= int(applied.size()))
                made->expressible = false;
            made->values.append(base + p);
            ++i;
        }
        b.literal(marked);
        base += int(applied.size());
    }
    b.flush();
    made->expressible = made->expressible && made->holeCount == made->values.size();
    known = made;
    return made;
}

bool WordCompiledLanguage::put(const WordCompiledText &c, Emission &e, int k, const QList<QByteArray> &ids) const
{
    std::vector<std::vector<Applied>> fills(size_t(c.holes.size()));
    QList<int> key;
    bool asMarks = true;
    for (qsizetype h = 0; h < c.holes.size(); ++h) {
        if (!appliedTo(c.holes[h], e, k, fills[size_t(h)]))
            return false;
        for (const Applied &a : fills[size_t(h)]) {
            key.append(a.find);
            asMarks = asMarks && fillsAsMark(a.replacement.value);
        }
        key.append(-1);
    }
    const auto putLinesOf = [&](int unit) {
        const auto putCopy = [&](const WordCompiledText &copy, int n, const QList<QByteArray> &copyIds) {
            return put(copy, e, n, copyIds);
        };
        return putLines(e, unit, putCopy);
    };
    const std::shared_ptr<const WordFilledText> form = asMarks ? filledForm(c, key, fills) : nullptr;
    if (form && form->expressible) {
        QList<QByteArray> values;
        values.reserve(form->values.size());
        for (const std::vector<Applied> &applied : fills)
            for (const Applied &a : applied)
                values.append(escapedText(a.replacement.value));
        for (const CompiledText::Item &item : form->items) {
            if (item.kind == CompiledText::Item::Unit) {
                if (!putLinesOf(item.index))
                    return false;
            } else if (item.kind == CompiledText::Item::Hole) {
                e.out.text(values[form->values[item.index]]);
            } else {
                PutCompiledItem(e.out, *form, item, k, ids);
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
            for (const Applied &a : fills[size_t(item.index)])
                ReplaceInWordPart(work.get(), a.replacement);
            QString text;
            work->child(0)->writeTo(text);
            QByteArray bytes;
            if (!AppendResolvingIds(bytes, text, k, ids))
                return false;
            e.out.text(bytes);
        } else {
            PutCompiledItem(e.out, c, item, k, ids);
        }
    }
    return true;
}

} // namespace dokrava
