#include "base/TemplateBlocks.h"

#include "base/DokravaError.h"
#include "base/FieldFormat.h"
#include "base/TemplateLanguage.h"
#include "base/XmlNode.h"

#include <QHash>
#include <QSet>

#include <algorithm>
#include <functional>
#include <map>
#include <memory>

namespace dokrava {

namespace {

// Stand in a paragraph's text for elements: a stop is never part of a name, an object is content.
constexpr char16_t kStop = 0xFFFF;
constexpr char16_t kObject = 0xFFFC;
// Mark the copy of a line inside a placeholder's name: noncharacters, which no template holds.
constexpr char16_t kLineOpen = 0xFDD0;
constexpr char16_t kLineClose = 0xFDD1;

bool isBlank(QChar c)
{
    return c.unicode() <= 32 || c.isSpace() || c.unicode() == kStop;
}

// One piece of a paragraph's text: the text of a text node, or one character for an element.
struct Segment
{
    XmlNode *node;
    int start;
    int length;
    bool text;
};

struct Paragraph
{
    XmlNode *node = nullptr;
    QString text;
    QList<Segment> segments;
};

struct Token
{
    int paragraph = 0;
    int open = 0;  // position of "["
    int close = 0; // position of "]"
    QString inner; // trimmed
    TLanguageToken word;
};

using Decision = TBlockDecision;

struct Block
{
    int open = -1;
    int otherwise = -1;
    int close = -1;
    Decision decision = Decision::Neutral;
};

bool named(const XmlNode *node, const QStringList &names)
{
    return node->kind() == XmlNode::Element && names.contains(node->name());
}

bool named(const XmlNode *node, const QString &name)
{
    return node->kind() == XmlNode::Element && !name.isEmpty() && node->name() == name;
}

XmlNode *ancestor(XmlNode *node, const std::function<bool(const XmlNode *)> &is)
{
    for (XmlNode *n = node->parent(); n; n = n->parent())
        if (is(n))
            return n;
    return nullptr;
}

// The paragraphs and language tokens of a part (or of a piece of it), in document order.
struct Scan
{
    const TBlockDialect &d;
    std::function<bool(const QString &)> isField;
    QList<Paragraph> paragraphs;
    QList<Token> tokens;
    QStringList plainNames; // bracket texts that are no word of the language

    Scan(const TBlockDialect &dialect, std::function<bool(const QString &)> field, XmlNode *scope)
        : d(dialect), isField(std::move(field))
    {
        findParagraphs(scope);
        for (int p = 0; p < paragraphs.size(); ++p)
            findTokens(p);
    }

    void findParagraphs(XmlNode *node)
    {
        if (named(node, d.paragraphs)) {
            Paragraph p;
            p.node = node;
            collect(node, p);
            paragraphs.append(p);
        }
        for (int i = 0; i < node->childCount(); ++i)
            if (node->child(i)->kind() == XmlNode::Element || node->child(i)->kind() == XmlNode::Document)
                findParagraphs(node->child(i));
    }

    void collect(XmlNode *node, Paragraph &p)
    {
        for (int i = 0; i < node->childCount(); ++i) {
            XmlNode *c = node->child(i);
            if (c->kind() == XmlNode::Text) {
                if (d.textHolder.isEmpty() || named(node, d.textHolder)) {
                    p.segments.append({c, int(p.text.size()), int(c->text().size()), true});
                    p.text += c->text();
                }
                continue;
            }
            if (c->kind() != XmlNode::Element || named(c, d.paragraphs) || named(c, d.skipped) || named(c, d.frames))
                continue;
            if (named(c, d.stops) || named(c, d.objects)) {
                p.segments.append({c, int(p.text.size()), 1, false});
                p.text += QChar(named(c, d.stops) ? kStop : kObject);
                continue;
            }
            collect(c, p);
        }
    }

    void findTokens(int p)
    {
        const QString &text = paragraphs[p].text;
        for (qsizetype from = 0;;) {
            qsizetype open = text.indexOf(QLatin1Char('['), from);
            if (open < 0)
                return;
            const qsizetype close = text.indexOf(QLatin1Char(']'), open + 1);
            if (close < 0)
                return;
            from = close + 1;
            // The last "[" before the "]", as placeholders are read.
            open = text.lastIndexOf(QLatin1Char('['), close);
            const QString inner = text.mid(open + 1, close - open - 1).trimmed();
            if (inner.contains(QChar(kStop)) || inner.contains(QChar(kObject)) || inner.isEmpty())
                continue;
            const TLanguageToken word = ReadLanguageToken(inner, isField);
            if (word.kind == TTokenKind::Plain)
                plainNames.append(inner);
            else
                tokens.append({p, int(open), int(close), inner, word});
        }
    }

    XmlNode *container(int p) const
    {
        return ancestor(paragraphs[p].node, [this](const XmlNode *n) {
            return named(n, d.cells) || named(n, d.frames);
        });
    }
    XmlNode *row(XmlNode *node) const
    {
        return ancestor(node, [this](const XmlNode *n) { return named(n, d.rows); });
    }
    XmlNode *table(XmlNode *node) const
    {
        return ancestor(node, [this](const XmlNode *n) { return named(n, d.table); });
    }
};

QString paragraphShown(const QString &text)
{
    QString shown = text;
    shown.replace(QChar(kStop), QLatin1Char(' '));
    shown.replace(QChar(kObject), QLatin1Char(' '));
    return shown.simplified();
}

bool blankBetween(const QString &text, int from, int to)
{
    for (int i = from; i < to; ++i)
        if (!isBlank(text.at(i)))
            return false;
    return true;
}

// The first and last element child of node among names.
XmlNode *edgeChild(XmlNode *node, const QStringList &names, bool first)
{
    for (int k = 0; k < node->childCount(); ++k) {
        XmlNode *c = node->child(first ? k : node->childCount() - 1 - k);
        if (named(c, names))
            return c;
    }
    return nullptr;
}

} // namespace

TemplateBlocks::TemplateBlocks(const TBlockDialect &dialect, const QStringList &fields, int columns)
    : m_dialect(dialect), m_fields(fields), m_columns(columns)
{
}

namespace {

// The index of a field among names by the format's rule of letter case; -1 when absent.
int fieldIndex(const QStringList &names, const QString &name, Qt::CaseSensitivity cs, int count = -1)
{
    const int n = count < 0 ? int(names.size()) : count;
    for (int i = 0; i < n; ++i)
        if (names[i].compare(name, cs) == 0)
            return i;
    return -1;
}

struct Matched
{
    QList<Block> blocks;
    QList<int> blockOf; // per token: its block
    std::optional<TTemplateLanguageError> error;
};

} // namespace

// Blocks of the tokens, and the first template error of their order and places.
Matched matchBlocks(const Scan &s)
{
    Matched m;
    m.blockOf.fill(-1, s.tokens.size());
    QList<int> open;
    const auto fail = [&](const QString &message, int token) {
        if (!m.error)
            m.error = TTemplateLanguageError{message, paragraphShown(s.paragraphs[s.tokens[token].paragraph].text)};
    };
    for (int t = 0; t < s.tokens.size() && !m.error; ++t) {
        const Token &token = s.tokens[t];
        switch (token.word.kind) {
        case TTokenKind::Open:
            if (!s.isField(token.word.field))
                fail(QStringLiteral("в условии %1 поле «%2» не найдено среди колонок таблицы")
                         .arg(MarkerText(token.inner), token.word.field),
                     t);
            open.append(int(m.blocks.size()));
            m.blocks.append(Block{t});
            m.blockOf[t] = open.last();
            break;
        case TTokenKind::Else:
            if (open.isEmpty()) {
                fail(QStringLiteral("%1 стоит вне блока [если …]").arg(MarkerText(token.inner)), t);
            } else if (m.blocks[open.last()].otherwise >= 0) {
                fail(QStringLiteral("второй %1 в блоке %2")
                         .arg(MarkerText(token.inner), MarkerText(s.tokens[m.blocks[open.last()].open].inner)),
                     t);
            } else {
                m.blocks[open.last()].otherwise = t;
                m.blockOf[t] = open.last();
            }
            break;
        case TTokenKind::Close:
            if (open.isEmpty()) {
                fail(QStringLiteral("%1 без открывающего [если …]").arg(MarkerText(token.inner)), t);
            } else {
                m.blocks[open.last()].close = t;
                m.blockOf[t] = open.takeLast();
            }
            break;
        default:
            break;
        }
    }
    if (!m.error && !open.isEmpty())
        fail(QStringLiteral("не закрыт блок %1").arg(MarkerText(s.tokens[m.blocks[open.last()].open].inner)),
             m.blocks[open.last()].open);
    return m;
}

namespace {

// True when the block covers whole table rows: its opening marker comes first in the first
// paragraph of a row's first cell, its closing one last in the last paragraph of a later (or the
// same) row's last cell of the same table.
bool coversWholeRows(const Scan &s, const Token &open, const Token &close)
{
    XmlNode *cellOpen = s.container(open.paragraph);
    XmlNode *cellClose = s.container(close.paragraph);
    if (!cellOpen || !cellClose || !named(cellOpen, s.d.cells) || !named(cellClose, s.d.cells))
        return false;
    XmlNode *rowOpen = cellOpen->parent(), *rowClose = cellClose->parent();
    if (!rowOpen || !rowClose || edgeChild(rowOpen, s.d.cells, true) != cellOpen
        || edgeChild(rowClose, s.d.cells, false) != cellClose || s.table(rowOpen) != s.table(rowClose))
        return false;
    const auto inCell = [&s](int p, XmlNode *cell) { return s.container(p) == cell; };
    for (int p = 0; p < open.paragraph; ++p)
        if (inCell(p, cellOpen))
            return false;
    for (int p = close.paragraph + 1; p < s.paragraphs.size(); ++p)
        if (inCell(p, cellClose))
            return false;
    const Paragraph &first = s.paragraphs[open.paragraph], &last = s.paragraphs[close.paragraph];
    return blankBetween(first.text, 0, open.open) && blankBetween(last.text, close.close + 1, int(last.text.size()));
}

} // namespace

// The first error of places: a block that opens in one cell and closes in another without
// covering whole rows, a line field where lines cannot be.
std::optional<TTemplateLanguageError> placeError(const Scan &s, const Matched &m, bool linesAllowed)
{
    for (const Block &b : m.blocks) {
        const Token &open = s.tokens[b.open], &close = s.tokens[b.close];
        if (open.paragraph == close.paragraph || s.container(open.paragraph) == s.container(close.paragraph))
            continue;
        if (!coversWholeRows(s, open, close))
            return TTemplateLanguageError{
                QStringLiteral("блок %1 начинается в одной ячейке таблицы, а заканчивается в другой").arg(MarkerText(open.inner)),
                paragraphShown(s.paragraphs[open.paragraph].text)};
    }
    // The rows that repeat: a line field's nearest row. A table may stand in a cell of another
    // (a layout table), but not in a row that repeats itself.
    QSet<XmlNode *> lineRows;
    for (const Token &t : s.tokens)
        if (t.word.kind == TTokenKind::Line)
            if (XmlNode *row = s.row(s.paragraphs[t.paragraph].node))
                lineRows.insert(row);
    const auto inLineRow = [&s, &lineRows](XmlNode *row) {
        for (XmlNode *outer = s.row(row); outer; outer = s.row(outer))
            if (lineRows.contains(outer))
                return true;
        return false;
    };
    for (const Token &t : s.tokens) {
        if (t.word.kind != TTokenKind::Line)
            continue;
        QString where;
        XmlNode *container = s.container(t.paragraph);
        XmlNode *row = s.row(s.paragraphs[t.paragraph].node);
        if (!linesAllowed)
            where = QStringLiteral("в колонтитуле");
        else if (container && named(container, s.d.frames))
            where = QStringLiteral("в надписи");
        else if (row && inLineRow(row))
            where = QStringLiteral("в строке таблицы, вложенной в повторяемую строку");
        if (!where.isEmpty())
            return TTemplateLanguageError{QStringLiteral("поле строки %1 стоит %2: строки повторяются только в основном тексте")
                                              .arg(MarkerText(t.inner), where),
                                          paragraphShown(s.paragraphs[t.paragraph].text)};
    }
    return std::nullopt;
}

namespace {

// What is removed from a piece of a part once its blocks are decided.
class Removal
{
public:
    Removal(Scan &s, const Matched &m) : m_s(s), m_m(m) {}

    void apply()
    {
        sweep();
        decideStructures();
        edit();
    }

private:
    bool live(const QList<std::pair<int, int>> &stack) const
    {
        for (const auto &[block, branch] : stack) {
            const Decision d = m_m.blocks[block].decision;
            if (d == Decision::Drop || (d == Decision::Then && branch == 1) || (d == Decision::Else && branch == 0))
                return false;
        }
        return true;
    }

    // For each paragraph: the ranges of its text to delete and whether it goes whole.
    void sweep()
    {
        const int count = int(m_s.paragraphs.size());
        m_cut.resize(count);
        m_removed.fill(false, count);
        m_empty.fill(false, count);
        QList<std::pair<int, int>> stack; // block, branch
        int t = 0;
        for (int p = 0; p < count; ++p) {
            const bool startLive = live(stack);
            bool decidedMarker = false;
            int from = 0;
            bool segmentLive = startLive;
            QList<std::pair<int, int>> &cut = m_cut[p];
            for (; t < m_s.tokens.size() && m_s.tokens[t].paragraph == p; ++t) {
                const Token &token = m_s.tokens[t];
                const int b = m_m.blockOf.value(t, -1);
                if (b < 0) // a line field is text here
                    continue;
                if (!segmentLive)
                    cut.append({from, token.open});
                const bool decided = b >= 0 && m_m.blocks[b].decision != Decision::Neutral;
                if (decided) {
                    cut.append({token.open, token.close + 1});
                    decidedMarker = true;
                }
                if (token.word.kind == TTokenKind::Open)
                    stack.append({b, 0});
                else if (token.word.kind == TTokenKind::Else && !stack.isEmpty())
                    stack.last().second = 1;
                else if (token.word.kind == TTokenKind::Close && !stack.isEmpty())
                    stack.removeLast();
                from = token.close + 1;
                segmentLive = live(stack);
            }
            const QString &text = m_s.paragraphs[p].text;
            if (!segmentLive)
                cut.append({from, int(text.size())});
            const bool content = liveContent(text, cut);
            m_empty[p] = !content;
            m_removed[p] = decidedMarker ? !content : !startLive;
        }
    }

    static bool liveContent(const QString &text, const QList<std::pair<int, int>> &cut)
    {
        int k = 0;
        for (int i = 0; i < text.size(); ++i) {
            while (k < cut.size() && cut[k].second <= i)
                ++k;
            if (k < cut.size() && cut[k].first <= i)
                continue;
            if (!isBlank(text.at(i)))
                return true;
        }
        return false;
    }

    // Rows, cells, list items and tables that lose all they held.
    void decideStructures()
    {
        const TBlockDialect &d = m_s.d;
        std::map<XmlNode *, std::pair<bool, bool>> rows; // row -> all gone, any removed
        std::map<XmlNode *, QList<int>> cells, items;
        for (int p = 0; p < m_s.paragraphs.size(); ++p) {
            XmlNode *node = m_s.paragraphs[p].node;
            for (XmlNode *n = node->parent(); n; n = n->parent()) {
                if (named(n, d.rows)) {
                    auto &r = rows.try_emplace(n, std::make_pair(true, false)).first->second;
                    r.first = r.first && (m_removed[p] || m_empty[p]);
                    r.second = r.second || m_removed[p];
                } else if (named(n, d.listItem)) {
                    items[n].append(p);
                }
            }
            if (XmlNode *cell = m_s.container(p); cell && named(cell, d.cells))
                cells[cell].append(p);
        }
        std::map<XmlNode *, bool> tables; // table -> every row gone
        for (const auto &[row, state] : rows) {
            const bool gone = state.first && state.second;
            if (gone)
                m_drop.insert(row);
            XmlNode *table = m_s.table(row);
            auto &all = tables.try_emplace(table, true).first->second;
            all = all && gone;
        }
        for (const auto &[table, gone] : tables)
            if (table && gone && allRowsDropped(table))
                m_drop.insert(table);
        // A cell keeps one paragraph: the first, emptied, when every one of them goes.
        for (const auto &[cell, list] : cells) {
            if (std::all_of(list.cbegin(), list.cend(), [this](int p) { return m_removed[p]; })) {
                m_removed[list.first()] = false;
                m_cut[list.first()] = {{0, int(m_s.paragraphs[list.first()].text.size())}};
            }
        }
        for (const auto &[item, list] : items)
            if (std::all_of(list.cbegin(), list.cend(), [this](int p) { return m_removed[p]; }))
                m_drop.insert(item);
        for (int p = 0; p < m_s.paragraphs.size(); ++p)
            if (m_removed[p])
                m_drop.insert(m_s.paragraphs[p].node);
    }

    bool allRowsDropped(XmlNode *table) const
    {
        bool all = true;
        const std::function<void(XmlNode *)> walk = [&](XmlNode *n) {
            for (int i = 0; i < n->childCount() && all; ++i) {
                XmlNode *c = n->child(i);
                if (named(c, m_s.d.rows))
                    all = m_drop.contains(c);
                else if (c->kind() == XmlNode::Element && !named(c, m_s.d.cells) && !named(c, m_s.d.table))
                    walk(c);
            }
        };
        walk(table);
        return all;
    }

    void edit()
    {
        // Inner paragraphs (text boxes) come after the paragraph that holds them: from the end,
        // an object is cut only once what it holds was edited.
        for (int p = int(m_s.paragraphs.size()) - 1; p >= 0; --p)
            if (!m_removed[p] && !droppedWithin(m_s.paragraphs[p].node))
                cutText(m_s.paragraphs[p], m_cut[p]);
        QList<XmlNode *> top;
        for (XmlNode *node : m_drop)
            if (!droppedWithin(node))
                top.append(node);
        for (XmlNode *node : top) {
            // A list left without items goes with its last one.
            XmlNode *parent = node->parent();
            parent->remove(node->indexInParent());
            if (named(parent, m_s.d.list) && !edgeChild(parent, {m_s.d.listItem, QStringLiteral("text:list-header")}, true)
                && parent->parent())
                parent->parent()->remove(parent->indexInParent());
        }
    }

    bool droppedWithin(XmlNode *node) const
    {
        for (XmlNode *n = node->parent(); n; n = n->parent())
            if (m_drop.contains(n))
                return true;
        return false;
    }

    static void cutText(const Paragraph &p, const QList<std::pair<int, int>> &cut)
    {
        for (int k = int(cut.size()) - 1; k >= 0; --k) {
            const auto [from, to] = cut[k];
            if (from >= to)
                continue;
            for (int s = int(p.segments.size()) - 1; s >= 0; --s) {
                const Segment &seg = p.segments[s];
                const int a = std::max(from, seg.start), b = std::min(to, seg.start + seg.length);
                if (a >= b)
                    continue;
                if (!seg.text) {
                    seg.node->parent()->remove(seg.node->indexInParent());
                    continue;
                }
                QString t = seg.node->text();
                t.remove(a - seg.start, b - a);
                seg.node->setText(t);
            }
        }
    }

    Scan &m_s;
    const Matched &m_m;
    QList<QList<std::pair<int, int>>> m_cut;
    QList<bool> m_removed;
    QList<bool> m_empty;
    QSet<XmlNode *> m_drop;
};

} // namespace

bool TemplateBlocks::isField(const QString &name) const
{
    return fieldIndex(m_fields, name, m_dialect.fieldCase) >= 0;
}

bool TemplateBlocks::uses(XmlNode *root) const
{
    const Scan s(m_dialect, [this](const QString &n) { return isField(n); }, root);
    return !s.tokens.isEmpty();
}

std::optional<TTemplateLanguageError> TemplateBlocks::firstError(XmlNode *root, bool linesAllowed) const
{
    const Scan s(m_dialect, [this](const QString &n) { return isField(n); }, root);
    const Matched m = matchBlocks(s);
    if (m.error)
        return m.error;
    return placeError(s, m, linesAllowed);
}

namespace {

const QString kNumber = QStringLiteral("№");

bool isTotal(const QString &format)
{
    return format.simplified().compare(QStringLiteral("итого"), Qt::CaseInsensitive) == 0;
}

void addOnce(QList<QPair<QString, QString>> &extra, const QString &name, const QString &value)
{
    for (const auto &pair : extra)
        if (pair.first == name)
            return;
    extra.append({name, value});
}

// The paragraph or table row that repeats for a line field of paragraph p: a row in a table, a
// list item that holds nothing else, or the paragraph itself.
XmlNode *lineUnit(const Scan &s, int p)
{
    XmlNode *paragraph = s.paragraphs[p].node;
    if (XmlNode *container = s.container(p); container && named(container, s.d.cells))
        return s.row(container) ? s.row(paragraph) : paragraph;
    XmlNode *parent = paragraph->parent();
    if (parent && named(parent, s.d.listItem)) {
        int paragraphs = 0;
        for (int i = 0; i < parent->childCount(); ++i)
            paragraphs += named(parent->child(i), s.d.paragraphs) || named(parent->child(i), s.d.list) ? 1 : 0;
        if (paragraphs == 1)
            return parent;
    }
    return paragraph;
}

XmlNode *unitHolding(const Scan &s, int p, const QSet<XmlNode *> &units)
{
    for (XmlNode *n = s.paragraphs[p].node; n; n = n->parent())
        if (units.contains(n))
            return n;
    return nullptr;
}

// The blocks of a scan, matched and placed; a template error throws.
Matched placedBlocks(const Scan &s, bool linesAllowed)
{
    Matched m = matchBlocks(s);
    if (!m.error)
        m.error = placeError(s, m, linesAllowed);
    if (m.error)
        throw TemplateLanguageFailure(m.error->message);
    return m;
}

// Puts the mark before the star of a line field, inside one text node, so the name the filler
// reads is the mark and the bracket's text; false when the field is left as written (spaces
// inside its brackets where the filler does not trim names).
bool markLineField(const Scan &s, const Token &token, const QString &mark, bool trimsNames)
{
    const Paragraph &p = s.paragraphs[token.paragraph];
    const int star = int(p.text.indexOf(QLatin1Char('*'), token.open));
    const bool bare = star == token.open + 1 && p.text.at(token.close - 1) != QLatin1Char(' ')
                      && !isBlank(p.text.at(token.close - 1));
    if (!bare && !trimsNames)
        return false;
    for (const Segment &seg : p.segments) {
        if (seg.text && star >= seg.start && star < seg.start + seg.length) {
            QString text = seg.node->text();
            text.insert(star - seg.start, mark);
            seg.node->setText(text);
            break;
        }
    }
    return true;
}

Decision decide(const std::optional<bool> &result)
{
    return !result ? Decision::Drop : *result ? Decision::Then : Decision::Else;
}

// New values for the attributes that must stay unique in a document, for the copies of lines.
class UniqueIds
{
public:
    UniqueIds(const TBlockDialect &d, XmlNode *root) : m_d(d) { scan(root); }

    void renew(XmlNode *copy, int k)
    {
        std::map<std::pair<QString, QString>, QString> renamed; // (family, old) -> new in this copy
        walk(copy, [&](XmlNode *n, const TBlockDialect::UniqueId &id, const QString &value) {
            if (id.kind == TBlockDialect::UniqueId::Name) {
                n->setAttribute(id.attribute, value + QStringLiteral("_%1").arg(k + 1));
                return;
            }
            auto [at, fresh] = renamed.try_emplace({id.family, value});
            if (fresh) {
                const qint64 next = ++m_last[id.family];
                at->second = id.kind == TBlockDialect::UniqueId::Hex
                                 ? QStringLiteral("%1").arg(next, 8, 16, QLatin1Char('0')).toUpper()
                                 : QString::number(next);
            }
            n->setAttribute(id.attribute, at->second);
        });
    }

    // Marks the ids of a copy as TCompiledMark tells; ids gets the (family, kind) of each number.
    void mark(XmlNode *copy, QList<std::pair<QString, TBlockDialect::UniqueId::Kind>> &ids)
    {
        using namespace TCompiledMark;
        std::map<std::pair<QString, QString>, int> index; // (family, old) -> its index in ids
        walk(copy, [&](XmlNode *n, const TBlockDialect::UniqueId &id, const QString &value) {
            if (id.kind == TBlockDialect::UniqueId::Name) {
                n->setAttribute(id.attribute, value + QChar(NameSuffix));
                return;
            }
            auto [at, fresh] = index.try_emplace({id.family, value}, int(ids.size()));
            if (fresh)
                ids.append({id.family, id.kind});
            n->setAttribute(id.attribute, QChar(IdOpen) + QString::number(at->second) + QChar(IdMiddle) + value
                                              + QChar(IdClose));
        });
    }

    const std::map<QString, qint64> &last() const { return m_last; }

private:
    void scan(XmlNode *root)
    {
        walk(root, [&](XmlNode *, const TBlockDialect::UniqueId &id, const QString &value) {
            if (id.kind == TBlockDialect::UniqueId::Name)
                return;
            bool ok = false;
            const qint64 v = value.toLongLong(&ok, id.kind == TBlockDialect::UniqueId::Hex ? 16 : 10);
            if (ok)
                m_last[id.family] = std::max(m_last[id.family], v);
        });
    }

    template <typename Visit>
    void walk(XmlNode *node, const Visit &visit)
    {
        if (node->kind() == XmlNode::Element) {
            for (const TBlockDialect::UniqueId &id : m_d.uniqueIds) {
                if (!id.element.isEmpty() && id.element != node->name())
                    continue;
                const QString value = node->attribute(id.attribute);
                if (!value.isEmpty())
                    visit(node, id, value);
            }
        }
        for (int i = 0; i < node->childCount(); ++i)
            walk(node->child(i), visit);
    }

    const TBlockDialect &m_d;
    std::map<QString, qint64> m_last;
};

} // namespace

namespace {

// The repeated lines of a part, each once, in the order of their first field.
QList<XmlNode *> lineUnits(const Scan &s)
{
    QList<XmlNode *> units;
    QSet<XmlNode *> seen;
    for (const Token &t : s.tokens) {
        if (t.word.kind != TTokenKind::Line)
            continue;
        XmlNode *unit = lineUnit(s, t.paragraph);
        if (!seen.contains(unit)) {
            seen.insert(unit);
            units.append(unit);
        }
    }
    return units;
}

} // namespace

std::optional<QString> TemplateBlocks::lineValue(const QString &field, const TLanguageRecords &records, int k) const
{
    const QStringList &record = records.records[k];
    const auto value = [&](const QString &name) -> std::optional<QString> {
        const int i = fieldIndex(m_fields, name, m_dialect.fieldCase, m_columns);
        if (i >= 0)
            return record.value(i);
        if (name == kNumber)
            return QString::number(k + 1);
        return std::nullopt;
    };
    if (const std::optional<QString> whole = value(field))
        return whole;
    for (const FieldFormatReading &reading : FieldFormatReadings(field))
        if (const std::optional<QString> v = value(reading.field))
            return ApplyFieldFormats(reading.formats, *v);
    return std::nullopt;
}

void TemplateBlocks::addTotals(const QStringList &names, const TLanguageRecords &records,
                               QList<QPair<QString, QString>> &extra) const
{
    addTotals(totalsOf(names), records, extra);
}

QList<TemplateBlocks::Total> TemplateBlocks::totalsOf(const QStringList &names) const
{
    QList<Total> totals;
    for (const QString &name : names) {
        if (isField(name))
            continue;
        const QList<FieldFormatReading> readings = FieldFormatReadings(name);
        for (const FieldFormatReading &reading : readings) {
            const int column = fieldIndex(m_fields, reading.field, m_dialect.fieldCase, m_columns);
            if (column < 0)
                continue;
            if (!isTotal(reading.formats.first()))
                break;
            // The name the filler reads as a field with the formats after "итого".
            QString pseudo = name;
            for (const FieldFormatReading &shorter : readings)
                if (shorter.formats == reading.formats.mid(1))
                    pseudo = shorter.field;
            totals.append({name, column, pseudo});
            break;
        }
    }
    return totals;
}

void TemplateBlocks::addTotals(const QList<Total> &totals, const TLanguageRecords &records,
                               QList<QPair<QString, QString>> &extra)
{
    // A column's total, worked out once however many formats it is written in, and written as
    // the format "сумма" writes its sum.
    static const FieldFormatChain amount(QStringList{QStringLiteral("сумма")});
    QList<std::pair<int, std::optional<QString>>> summed;
    for (const Total &t : totals) {
        qsizetype at = 0;
        while (at < summed.size() && summed[at].first != t.column)
            ++at;
        if (at == summed.size()) {
            qint64 sum = 0;
            bool any = false, fits = true;
            for (const QStringList &record : records.records) {
                if (const std::optional<qint64> n = ReadFieldNumber(record.value(t.column))) {
                    any = true;
                    fits = fits && !__builtin_add_overflow(sum, *n, &sum);
                }
            }
            summed.append({t.column, any && fits ? amount.apply(FieldNumberText(sum)) : std::nullopt});
        }
        const std::optional<QString> &total = summed[at].second;
        if (total)
            addOnce(extra, t.name, *total);
    }
}

QStringList TemplateBlocks::totalNames(const QStringList &names) const
{
    QStringList written;
    for (const Total &t : totalsOf(names))
        written.append(t.written);
    return written;
}

void TemplateBlocks::expand(XmlNode *root, bool linesAllowed, const TLanguageRecords &records,
                            QList<QPair<QString, QString>> &extra) const
{
    const auto field = [this](const QString &n) { return isField(n); };
    QList<XmlNode *> units;
    {
        Scan s(m_dialect, field, root);
        Matched m = placedBlocks(s, linesAllowed);
        const QList<XmlNode *> lines = lineUnits(s);
        const QSet<XmlNode *> repeated(lines.cbegin(), lines.cend());
        // Blocks inside one line are decided for each record of the line; the others now.
        for (Block &b : m.blocks) {
            const Token &open = s.tokens[b.open];
            XmlNode *unit = unitHolding(s, open.paragraph, repeated);
            if (unit && unit == unitHolding(s, s.tokens[b.close].paragraph, repeated))
                continue;
            const int i = fieldIndex(m_fields, open.word.field, m_dialect.fieldCase);
            b.decision = decide(EvaluateCondition(open.word, records.records.first().value(i)));
        }
        Removal(s, m).apply();
    }
    units = lineUnits(Scan(m_dialect, field, root));
    if (units.isEmpty())
        return;
    UniqueIds ids(m_dialect, root);
    for (XmlNode *unit : units) {
        XmlNode *parent = unit->parent();
        for (int k = 0; k < records.records.size(); ++k) {
            XmlNode *copy = parent->insert(unit->indexInParent(), unit->clone());
            if (k > 0)
                ids.renew(copy, k);
            expandLine(copy, records, k, extra);
        }
        parent->remove(unit->indexInParent());
    }
}

void TemplateBlocks::expandLine(XmlNode *copy, const TLanguageRecords &records, int k,
                                QList<QPair<QString, QString>> &extra) const
{
    const auto field = [this](const QString &n) { return isField(n); };
    XmlNode *parent = copy->parent();
    const int at = copy->indexInParent();
    Scan first(m_dialect, field, copy);
    Matched m = matchBlocks(first);
    // Most lines hold no block: their first reading serves for the names too.
    std::optional<Scan> again;
    if (!m.blocks.isEmpty()) {
        for (Block &b : m.blocks) {
            const Token &open = first.tokens[b.open];
            const int i = fieldIndex(m_fields, open.word.field, m_dialect.fieldCase);
            b.decision = decide(EvaluateCondition(open.word, records.records[k].value(i)));
        }
        Removal(first, m).apply();
        // The copy may be gone with its content (nothing was made since, so its place holds
        // another node then).
        if (at >= parent->childCount() || parent->child(at) != copy)
            return;
        again.emplace(m_dialect, field, copy);
    }
    const Scan &s = again ? *again : first;
    const QString mark = QString(QChar(kLineOpen)) + QString::number(k + 1) + QChar(kLineClose);
    for (int t = int(s.tokens.size()) - 1; t >= 0; --t) {
        const Token &token = s.tokens[t];
        if (token.word.kind != TTokenKind::Line)
            continue;
        const std::optional<QString> value = lineValue(token.word.field, records, k);
        if (!value || !markLineField(s, token, mark, m_dialect.trimsNames))
            continue;
        addOnce(extra, mark + token.inner, *value);
    }
}

TemplateBlocks::Use TemplateBlocks::use(XmlNode *root) const
{
    const Scan s(m_dialect, [this](const QString &n) { return isField(n); }, root);
    Use use;
    QSet<XmlNode *> lineUnits;
    for (const Token &t : s.tokens) {
        if (t.word.kind == TTokenKind::Line) {
            use.lines = true;
            lineUnits.insert(lineUnit(s, t.paragraph));
        }
    }
    const auto addColumn = [&](const QString &name) {
        const int i = fieldIndex(m_fields, name, m_dialect.fieldCase, m_columns);
        if (i >= 0 && !use.groupFields.contains(m_fields[i]))
            use.groupFields.append(m_fields[i]);
        return i >= 0;
    };
    for (const Token &t : s.tokens) {
        if (t.word.kind == TTokenKind::Open && !unitHolding(s, t.paragraph, lineUnits))
            addColumn(t.word.field);
        const auto seen = [&t](const QPair<QString, TLanguageToken> &c) { return c.first == t.inner; };
        if (t.word.kind == TTokenKind::Open && IsNumericTest(t.word.test)
            && std::none_of(use.numericConditions.cbegin(), use.numericConditions.cend(), seen))
            use.numericConditions.append({t.inner, t.word});
    }
    addGroupFields(s.plainNames, use.groupFields);
    return use;
}

void TemplateBlocks::addGroupFields(const QStringList &plainNames, QStringList &fields) const
{
    const auto addColumn = [&](const QString &name) {
        const int i = fieldIndex(m_fields, name, m_dialect.fieldCase, m_columns);
        if (i >= 0 && !fields.contains(m_fields[i]))
            fields.append(m_fields[i]);
        return i >= 0;
    };
    for (const QString &name : plainNames) {
        if (addColumn(name))
            continue;
        for (const FieldFormatReading &reading : FieldFormatReadings(name)) {
            if (fieldIndex(m_fields, reading.field, m_dialect.fieldCase, m_columns) < 0)
                continue;
            if (!isTotal(reading.formats.first()))
                addColumn(reading.field);
            break;
        }
    }
}

QList<std::optional<TBlockCondition>> TemplateBlocks::outerConditions(XmlNode *root, bool linesAllowed) const
{
    const Scan s(m_dialect, [this](const QString &n) { return isField(n); }, root);
    const Matched m = placedBlocks(s, linesAllowed);
    const QList<XmlNode *> lines = lineUnits(s);
    const QSet<XmlNode *> units(lines.cbegin(), lines.cend());
    // As expand() decides them: a block within one line waits for the line's records.
    QList<std::optional<TBlockCondition>> conditions;
    for (const Block &b : m.blocks) {
        const Token &open = s.tokens[b.open];
        XmlNode *unit = unitHolding(s, open.paragraph, units);
        if (unit && unit == unitHolding(s, s.tokens[b.close].paragraph, units))
            conditions.append(std::nullopt);
        else
            conditions.append(TBlockCondition{open.word, fieldIndex(m_fields, open.word.field, m_dialect.fieldCase)});
    }
    return conditions;
}

TBlockDecision TemplateBlocks::decision(const TBlockCondition &condition, const QStringList &record)
{
    return decide(EvaluateCondition(condition.word, record.value(condition.field)));
}

TemplateBlocks::Shape TemplateBlocks::shape(const XmlNode *root, const QList<TBlockDecision> &decisions) const
{
    const auto field = [this](const QString &n) { return isField(n); };
    Shape shape;
    shape.tree = root->clone();
    XmlNode *tree = shape.tree.get();
    {
        Scan s(m_dialect, field, tree);
        Matched m = matchBlocks(s);
        for (int b = 0; b < m.blocks.size(); ++b)
            m.blocks[b].decision = decisions.value(b, Decision::Neutral);
        Removal(s, m).apply();
    }
    const Scan s(m_dialect, field, tree);
    shape.lastIds = UniqueIds(m_dialect, tree).last();
    for (XmlNode *unit : lineUnits(s)) {
        Shape::Unit u;
        for (XmlNode *n = unit->parent(); n; n = n->parent())
            u.entangled = u.entangled || named(n, m_dialect.rows) || named(n, m_dialect.cells)
                          || named(n, m_dialect.listItem) || named(n, m_dialect.frames);
        XmlNode *parent = unit->parent();
        const int at = unit->indexInParent();
        u.node = parent->take(at);
        auto mark = std::make_unique<XmlNode>(XmlNode::Text);
        mark->setText(QString(QChar(TCompiledMark::Unit)));
        parent->insert(at, std::move(mark));
        const Scan inner(m_dialect, field, u.node.get());
        const Matched m = matchBlocks(inner);
        for (const Block &b : m.blocks) {
            const TLanguageToken &word = inner.tokens[b.open].word;
            u.conditions.append(TBlockCondition{word, fieldIndex(m_fields, word.field, m_dialect.fieldCase)});
        }
        u.entangled = u.entangled && !u.conditions.isEmpty();
        shape.units.push_back(std::move(u));
    }
    return shape;
}

std::optional<TemplateBlocks::LineSource> TemplateBlocks::lineSource(const QString &field) const
{
    // The readings lineValue() tries, in its order.
    const auto source = [this](const QString &name, const QStringList &formats) -> std::optional<LineSource> {
        const int i = fieldIndex(m_fields, name, m_dialect.fieldCase, m_columns);
        if (i >= 0 || name == kNumber)
            return LineSource{i, formats, FieldFormatChain(formats)};
        return std::nullopt;
    };
    if (std::optional<LineSource> whole = source(field, {}))
        return whole;
    for (const FieldFormatReading &reading : FieldFormatReadings(field))
        if (std::optional<LineSource> read = source(reading.field, reading.formats))
            return read;
    return std::nullopt;
}

bool TemplateBlocks::lineFieldResolves(const QString &field) const
{
    const auto known = [this](const QString &name) {
        return fieldIndex(m_fields, name, m_dialect.fieldCase, m_columns) >= 0 || name == kNumber;
    };
    if (known(field))
        return true;
    const QList<FieldFormatReading> readings = FieldFormatReadings(field);
    return std::any_of(readings.cbegin(), readings.cend(), [&](const FieldFormatReading &r) { return known(r.field); });
}

TemplateBlocks::LineForm TemplateBlocks::lineForm(const Shape::Unit &unit, const QList<TBlockDecision> &decisions) const
{
    const auto field = [this](const QString &n) { return isField(n); };
    LineForm form;
    auto held = std::make_shared<XmlNode>(XmlNode::Element, QStringLiteral("holder"));
    XmlNode &holder = *held;
    XmlNode *copy = holder.append(unit.node->clone());
    UniqueIds(m_dialect, copy).mark(copy, form.ids);
    Scan first(m_dialect, field, copy);
    Matched m = matchBlocks(first);
    std::optional<Scan> again;
    if (!m.blocks.isEmpty()) {
        for (int b = 0; b < m.blocks.size(); ++b)
            m.blocks[b].decision = decisions.value(b, Decision::Drop);
        Removal(first, m).apply();
        if (holder.childCount() == 0 || holder.child(0) != copy)
            return form;
        again.emplace(m_dialect, field, copy);
    }
    const Scan &s = again ? *again : first;
    using namespace TCompiledMark;
    const QString mark = QString(QChar(LineOpen)) + QChar(LineNumber) + QChar(LineClose);
    // As expandLine() marks them, where a value may go; one that does not fit a record's
    // formats leaves the field as written.
    for (int t = int(s.tokens.size()) - 1; t >= 0; --t) {
        const Token &token = s.tokens[t];
        if (token.word.kind != TTokenKind::Line || !lineFieldResolves(token.word.field))
            continue;
        markLineField(s, token, mark, m_dialect.trimsNames);
    }
    QString text;
    copy->writeTo(text);
    form.text = text;
    form.node = held;
    return form;
}

std::optional<QString> TemplateBlocks::LineSource::value(const QStringList &record, int k) const
{
    const QString v = column >= 0 ? record.value(column) : QString::number(k + 1);
    return chain.apply(v);
}

const QString *TemplateBlocks::LineSource::asWritten(const QStringList &record) const
{
    return chain.isEmpty() && column >= 0 && column < record.size() ? &record[column] : nullptr;
}

} // namespace dokrava
