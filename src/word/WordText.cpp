#include "word/WordText.h"

#include "base/XmlNode.h"

#include <QList>
#include <QSet>

#include <algorithm>
#include <map>
#include <memory>

namespace dokrava {

namespace {

// Stands in the searchable text for tabs, breaks and symbols: never part of a match.
constexpr char16_t kStop = 0xFFFF;

const QString kW_p = QStringLiteral("w:p");
const QString kW_t = QStringLiteral("w:t");
const QString kW_r = QStringLiteral("w:r");

// One w:t element of a paragraph, or a stop, with its place in the paragraph's text.
struct Segment
{
    XmlNode *element; // w:t, or nullptr for a stop
    int start;
    int length;
};

struct ParagraphText
{
    QString text;
    QList<Segment> segments;
};

bool isSkippedSubtree(const QString &name)
{
    // Text boxes hold paragraphs of their own; field codes, deleted text and properties are
    // not part of the text Word shows.
    return name == QLatin1String("w:txbxContent") || name == QLatin1String("w:instrText")
           || name == QLatin1String("w:delText") || name == QLatin1String("w:del")
           || name == QLatin1String("w:rPr") || name == QLatin1String("w:pPr")
           || name == QLatin1String("w:delInstrText") || name == kW_p;
}

bool isStop(const QString &name)
{
    return name == QLatin1String("w:tab") || name == QLatin1String("w:br")
           || name == QLatin1String("w:cr") || name == QLatin1String("w:ptab")
           || name == QLatin1String("w:sym") || name == QLatin1String("w:noBreakHyphen");
}

void collectSegments(XmlNode *node, ParagraphText &out)
{
    for (int i = 0; i < node->childCount(); ++i) {
        XmlNode *c = node->child(i);
        if (c->kind() != XmlNode::Element)
            continue;
        const QString &name = c->name();
        if (name == kW_t) {
            const QString t = c->innerText();
            out.segments.append({c, int(out.text.size()), int(t.size())});
            out.text += t;
        } else if (isStop(name)) {
            out.segments.append({nullptr, int(out.text.size()), 1});
            out.text += QChar(kStop);
        } else if (!isSkippedSubtree(name)) {
            collectSegments(c, out);
        }
    }
}

ParagraphText paragraphText(XmlNode *paragraph)
{
    ParagraphText pt;
    collectSegments(paragraph, pt);
    return pt;
}

QString fold(const QString &s)
{
    QString f = s;
    for (QChar &c : f) {
        // Latin and Russian letters, nearly all a template holds, fold without the Unicode tables.
        const char16_t u = c.unicode();
        if (u < 0x80)
            c = u >= 'A' && u <= 'Z' ? QChar(u + 0x20) : c;
        else if (u >= 0x0410 && u <= 0x042F)
            c = QChar(u + 0x20);
        else if (u >= 0x0430 && u <= 0x044F)
            continue;
        else
            c = c.toCaseFolded();
    }
    return f;
}

void findParagraphs(XmlNode *node, QList<XmlNode *> &out)
{
    for (int i = 0; i < node->childCount(); ++i) {
        XmlNode *c = node->child(i);
        if (c->kind() != XmlNode::Element)
            continue;
        // Text elements are rewritten and replaced while filling, so nothing inside one may be
        // held as a paragraph of its own.
        if (c->name() == kW_t)
            continue;
        if (c->name() == kW_p)
            out.append(c);
        findParagraphs(c, out); // text boxes inside a paragraph hold paragraphs too
    }
}

std::unique_ptr<XmlNode> textElement(const QString &text)
{
    auto t = std::make_unique<XmlNode>(XmlNode::Element, kW_t);
    // Leading and trailing blanks of a value must survive.
    t->setAttribute(QStringLiteral("xml:space"), QStringLiteral("preserve"));
    if (!text.isEmpty()) {
        auto node = std::make_unique<XmlNode>(XmlNode::Text);
        node->setText(text);
        t->append(std::move(node));
    }
    return t;
}

void setElementText(XmlNode *element, const QString &text)
{
    while (element->childCount() > 0)
        element->remove(0);
    if (!text.isEmpty()) {
        auto node = std::make_unique<XmlNode>(XmlNode::Text);
        node->setText(text);
        element->append(std::move(node));
    }
    if (text != text.trimmed())
        element->setAttribute(QStringLiteral("xml:space"), QStringLiteral("preserve"));
}

// Writes text holding line feeds and tabs into the run of element: w:t pieces with w:br and
// w:tab between them, in place of element.
void writeRunText(XmlNode *element, const QString &text)
{
    if (!text.contains(QLatin1Char('\n')) && !text.contains(QLatin1Char('\t'))) {
        setElementText(element, text);
        return;
    }
    XmlNode *run = element->parent();
    int at = element->indexInParent();
    run->remove(at);
    QString piece;
    auto flush = [&] {
        run->insert(at++, textElement(piece));
        piece.clear();
    };
    for (const QChar c : text) {
        if (c == QLatin1Char('\n') || c == QLatin1Char('\t')) {
            flush();
            run->insert(at++, std::make_unique<XmlNode>(
                                  XmlNode::Element, c == QLatin1Char('\n') ? QStringLiteral("w:br")
                                                                           : QStringLiteral("w:tab")));
        } else {
            piece += c;
        }
    }
    flush();
}

// The segment holding character pos: segments follow the text in order, so the last one that
// starts at or before pos (an empty one never does, being followed by one that starts there too).
int segmentAt(const ParagraphText &pt, int pos)
{
    const auto after = std::upper_bound(pt.segments.cbegin(), pt.segments.cend(), pos,
                                        [](int p, const Segment &s) { return p < s.start; });
    return int(after - pt.segments.cbegin()) - 1;
}

// The new text of every segment that matches touch: the value takes the place of each match in
// the segment where it starts, and the match's characters in the following segments go.
std::map<int, QString> replacedTexts(const ParagraphText &pt, const QList<int> &matches, int len, const QString &value)
{
    std::map<int, QString> texts;
    std::map<int, int> copied; // segment -> original position copied up to
    const auto segmentEnd = [&pt](int s) { return pt.segments[s].start + pt.segments[s].length; };
    const auto copyUpTo = [&](int s, int upTo) {
        int &from = copied.try_emplace(s, pt.segments[s].start).first->second;
        texts[s] += pt.text.mid(from, upTo - from);
        from = upTo;
    };
    for (const int pos : matches) {
        const int end = pos + len;
        const int first = segmentAt(pt, pos);
        const int last = segmentAt(pt, end - 1);
        copyUpTo(first, pos);
        texts[first] += value;
        copied[first] = std::min(end, segmentEnd(first));
        for (int s = first + 1; s <= last; ++s) {
            texts[s];
            copied[s] = std::min(end, segmentEnd(s));
        }
    }
    for (auto &[s, text] : texts)
        copyUpTo(s, segmentEnd(s));
    return texts;
}

// Every match is found in one reading of the paragraph and every touched segment written once,
// so a paragraph with many placeholders costs no more than reading it.
int replaceInParagraph(XmlNode *paragraph, const QString &foldedFind, const QString &value, int limit)
{
    const ParagraphText pt = paragraphText(paragraph);
    const QString folded = fold(pt.text);
    const int len = int(foldedFind.size());
    QList<int> matches;
    // Non-overlapping, left to right: an inserted value is not searched again for the same text.
    for (int from = 0; limit < 0 || matches.size() < limit;) {
        const int pos = int(folded.indexOf(foldedFind, from));
        if (pos < 0)
            break;
        matches.append(pos);
        from = pos + len;
    }
    for (const auto &[s, text] : replacedTexts(pt, matches, len, value))
        writeRunText(pt.segments[s].element, text);
    return int(matches.size());
}

bool isInside(const XmlNode *node, const XmlNode *ancestor)
{
    for (const XmlNode *n = node->parent(); n; n = n->parent())
        if (n == ancestor)
            return true;
    return false;
}

bool nestedHoldsBracket(XmlNode *paragraph)
{
    QList<XmlNode *> nested;
    findParagraphs(paragraph, nested);
    for (XmlNode *p : nested)
        if (paragraphText(p).text.contains(QLatin1Char('[')))
            return true;
    return false;
}

bool isBlank(QChar c)
{
    return c.unicode() <= 32 || c.isSpace();
}

QString trimBlanks(const QString &s)
{
    int b = 0, e = int(s.size());
    while (b < e && isBlank(s[b]))
        ++b;
    while (e > b && isBlank(s[e - 1]))
        --e;
    return s.mid(b, e - b);
}

void collectFromText(const QString &text, QStringList &names, QSet<QString> &seen)
{
    int from = 0;
    for (;;) {
        int open = int(text.indexOf(QLatin1Char('['), from));
        if (open < 0)
            return;
        const int close = text.indexOf(QLatin1Char(']'), open + 1);
        if (close < 0)
            return;
        from = close + 1;
        // The last "[" before the "]": a "[" left open never hides the field after it, which the
        // filler's search for "[name]" finds all the same.
        open = text.lastIndexOf(QLatin1Char('['), close);
        QString found = trimBlanks(text.mid(open, close - open + 1)).remove(QChar(kStop));
        if (found.size() < 2 || !found.startsWith(QLatin1Char('[')) || !found.endsWith(QLatin1Char(']')))
            continue;
        const QString name = found.mid(1, found.size() - 2);
        if (!name.isEmpty() && !seen.contains(name.toCaseFolded())) {
            seen.insert(name.toCaseFolded());
            names.append(name);
        }
    }
}

bool isXmlChar(char32_t c)
{
    return c == 0x9 || c == 0xA || c == 0xD || (c >= 0x20 && c <= 0xD7FF) || (c >= 0xE000 && c <= 0xFFFD)
           || (c >= 0x10000 && c <= 0x10FFFF);
}

} // namespace

QList<XmlNode *> ParagraphsWithBrackets(XmlNode *root)
{
    QList<XmlNode *> all;
    findParagraphs(root, all);
    QList<XmlNode *> outer;
    for (XmlNode *p : all) {
        if (!outer.isEmpty() && isInside(p, outer.last()))
            continue;
        if (paragraphText(p).text.contains(QLatin1Char('[')) || nestedHoldsBracket(p))
            outer.append(p);
    }
    return outer;
}

QString FoldedSearchText(XmlNode *root)
{
    QList<XmlNode *> paragraphs;
    findParagraphs(root, paragraphs);
    QString text;
    for (XmlNode *p : paragraphs)
        text += fold(paragraphText(p).text) + QChar(kStop);
    return text;
}

TWordReplacement PrepareWordReplacement(const QString &find, const QString &value)
{
    if (find.isEmpty() || find.contains(QChar(kStop)))
        return {};
    return {fold(find), CleanWordValue(value)};
}

int ReplaceInWordPart(XmlNode *root, const QString &find, const QString &value, int limit)
{
    return ReplaceInWordPart(root, PrepareWordReplacement(find, value), limit);
}

int ReplaceInWordPart(XmlNode *root, const TWordReplacement &replacement, int limit)
{
    if (replacement.foldedFind.isEmpty())
        return 0;
    const QString &foldedFind = replacement.foldedFind;
    const QString &cleaned = replacement.value;
    QList<XmlNode *> paragraphs;
    findParagraphs(root, paragraphs);
    int count = 0;
    for (XmlNode *p : paragraphs) {
        if (limit >= 0 && count >= limit)
            break;
        count += replaceInParagraph(p, foldedFind, cleaned, limit < 0 ? -1 : limit - count);
    }
    return count;
}

void CollectBracketedFields(const XmlNode *root, QStringList &names)
{
    QList<XmlNode *> paragraphs;
    findParagraphs(const_cast<XmlNode *>(root), paragraphs);
    // The names met so far, letter case folded: looking each new one up in the list made a
    // template with many fields quadratic.
    QSet<QString> seen;
    for (const QString &name : names)
        seen.insert(name.toCaseFolded());
    for (XmlNode *p : paragraphs)
        collectFromText(paragraphText(p).text, names, seen);
}

QStringList WordParagraphTexts(const XmlNode *root)
{
    QList<XmlNode *> paragraphs;
    findParagraphs(const_cast<XmlNode *>(root), paragraphs);
    QStringList texts;
    texts.reserve(paragraphs.size());
    for (XmlNode *p : paragraphs)
        texts.append(paragraphText(p).text);
    return texts;
}

bool IsCleanWordValue(const QString &value)
{
    const qsizetype n = value.size();
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t u = value[i].unicode();
        if (u >= 0x20 && u < 0xD800)
            continue;
        if (u == 0x9 || u == 0xA || (u >= 0xE000 && u <= 0xFFFD))
            continue;
        if (QChar::isHighSurrogate(u) && i + 1 < n && QChar::isLowSurrogate(value[i + 1].unicode())) {
            ++i;
            continue;
        }
        return false;
    }
    return true;
}

QString CleanWordValue(const QString &value)
{
    if (IsCleanWordValue(value))
        return value;
    QString v = value;
    v.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    v.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    v.replace(QLatin1Char('\v'), QLatin1Char('\n'));
    QString out;
    out.reserve(v.size());
    for (char32_t c : v.toUcs4())
        if (isXmlChar(c))
            out.append(QString::fromUcs4(&c, 1));
    return out;
}

} // namespace dokrava
