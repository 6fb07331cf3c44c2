#include "odf/OdtText.h"

#include "base/FieldFormat.h"
#include "base/XmlEscape.h"

#include <QSet>
#include <QStringView>

#include <optional>

namespace dokrava {

namespace {

// Where a position of a part's text lies. A placeholder may stand in text content or inside one
// attribute value; markup of any other kind (a tag's name or attribute names, a comment, a
// processing instruction, a CDATA section, a declaration) is never filled.
enum class Place { Text, Tag, Value, Other };

// Reads a part's text as markup, forward only, so a whole scan costs one pass. The place of a
// position is the place after the characters before it.
class MarkupLexer
{
public:
    explicit MarkupLexer(const QString &text) : m_text(text) {}

    Place placeAt(qsizetype pos)
    {
        for (; m_at < pos; ++m_at)
            step(m_at);
        return m_place;
    }

private:
    bool startsAt(qsizetype i, QLatin1String s) const { return QStringView(m_text).mid(i).startsWith(s); }

    void step(qsizetype i)
    {
        const QChar c = m_text.at(i);
        switch (m_place) {
        case Place::Text:
            if (c == QLatin1Char('<'))
                enterMarkup(i);
            return;
        case Place::Tag:
            if (c == QLatin1Char('>')) {
                m_place = Place::Text;
            } else if (c == QLatin1Char('"') || c == QLatin1Char('\'')) {
                m_quote = c;
                m_place = Place::Value;
            }
            return;
        case Place::Value:
            if (c == m_quote)
                m_place = Place::Tag;
            return;
        case Place::Other:
            // The end mark must follow the opening one whole ("<!-->" ends no comment).
            if (c == QLatin1Char('>') && i + 1 - m_end.size() >= m_bodyFrom && startsAt(i + 1 - m_end.size(), m_end))
                m_place = Place::Text;
            return;
        }
    }

    void enterMarkup(qsizetype i)
    {
        static const struct { QLatin1String open, end; } kinds[] = {
            {QLatin1String("<!--"), QLatin1String("-->")},
            {QLatin1String("<![CDATA["), QLatin1String("]]>")},
            {QLatin1String("<?"), QLatin1String("?>")},
            {QLatin1String("<!"), QLatin1String(">")},
        };
        for (const auto &k : kinds) {
            if (startsAt(i, k.open)) {
                m_place = Place::Other;
                m_end = k.end;
                m_bodyFrom = i + k.open.size();
                return;
            }
        }
        m_place = Place::Tag;
    }

    const QString &m_text;
    qsizetype m_at = 0;
    Place m_place = Place::Text;
    QChar m_quote;
    QLatin1String m_end;
    qsizetype m_bodyFrom = 0; // where the comment, instruction or section's own text begins
};

// The ">" that ends the tag opened at lt, skipping quoted attribute values; -1 when none.
qsizetype tagEnd(QStringView text, qsizetype lt)
{
    QChar quote;
    for (qsizetype i = lt + 1; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (!quote.isNull()) {
            if (c == quote)
                quote = QChar();
        } else if (c == QLatin1Char('"') || c == QLatin1Char('\'')) {
            quote = c;
        } else if (c == QLatin1Char('>')) {
            return i;
        }
    }
    return -1;
}

QStringView tagName(QStringView tag)
{
    qsizetype from = tag.startsWith(QLatin1String("</")) ? 2 : 1;
    qsizetype to = from;
    while (to < tag.size() && !tag.at(to).isSpace() && tag.at(to) != QLatin1Char('/')
           && tag.at(to) != QLatin1Char('>'))
        ++to;
    return tag.mid(from, to - from);
}

// The tags of inner markup that close an element opened before it or open one closed after it,
// in their order (closing ones always come first in well-formed text).
QString unbalancedTags(QStringView inner)
{
    QList<QStringView> kept;
    QList<QStringView> open;
    for (qsizetype lt = inner.indexOf(QLatin1Char('<')); lt >= 0; lt = inner.indexOf(QLatin1Char('<'), lt + 1)) {
        const qsizetype gt = tagEnd(inner, lt);
        if (gt < 0)
            break;
        const QStringView tag = inner.mid(lt, gt - lt + 1);
        lt = gt;
        if (tag.startsWith(QLatin1String("<?")) || tag.startsWith(QLatin1String("<!")) || tag.endsWith(QLatin1String("/>")))
            continue;
        if (!tag.startsWith(QLatin1String("</"))) {
            open.append(tag);
        } else if (!open.isEmpty() && tagName(open.last()) == tagName(tag)) {
            open.removeLast();
        } else {
            kept.append(tag);
        }
    }
    QString out;
    for (QStringView t : kept + open)
        out += t;
    return out;
}

bool isParagraphTag(QStringView tag)
{
    const QStringView name = tagName(tag);
    return name == QLatin1String("text:p") || name == QLatin1String("text:h");
}

// True when inner text content may be dropped with a placeholder: it holds elements only, and no
// paragraph begins or ends in it, so a field name never joins the text of two paragraphs.
bool fillableMarkup(QStringView inner)
{
    for (qsizetype lt = inner.indexOf(QLatin1Char('<')); lt >= 0; lt = inner.indexOf(QLatin1Char('<'), lt + 1)) {
        const QStringView rest = inner.mid(lt);
        if (rest.startsWith(QLatin1String("<!")) || rest.startsWith(QLatin1String("<?")))
            return false;
        const qsizetype gt = tagEnd(inner, lt);
        if (gt < 0 || isParagraphTag(inner.mid(lt, gt - lt + 1)))
            return false;
        lt = gt;
    }
    return true;
}

struct Candidate
{
    qsizetype open = 0;
    qsizetype close = 0;
    bool inTag = false; // inside an attribute value
    bool usable = false;
};

// The next "]" at or after start with the last "[" before it: a "[" left open never hides the
// placeholder after it. A candidate counts only when it lies wholly in text content or wholly
// inside one attribute value: replacing one that crosses a tag's edge would cut the tag in two.
bool nextCandidate(const QString &text, qsizetype start, MarkupLexer &lexer, Candidate &c)
{
    c.open = text.indexOf(QLatin1Char('['), start);
    if (c.open < 0)
        return false;
    c.close = text.indexOf(QLatin1Char(']'), c.open + 1);
    if (c.close < 0)
        return false;
    c.open = text.lastIndexOf(QLatin1Char('['), c.close);
    const Place open = lexer.placeAt(c.open);
    const Place close = lexer.placeAt(c.close);
    const QStringView inner = QStringView(text).mid(c.open + 1, c.close - c.open - 1);
    c.inTag = open == Place::Value;
    if (c.inTag) {
        c.usable = close == Place::Value && !inner.contains(QLatin1Char('"')) && !inner.contains(QLatin1Char('\''))
                   && !inner.contains(QLatin1Char('<')) && !inner.contains(QLatin1Char('>'));
    } else {
        c.usable = open == Place::Text && close == Place::Text && fillableMarkup(inner);
    }
    return true;
}

QString spaceElement(qsizetype count)
{
    if (count == 1)
        return QStringLiteral("<text:s/>");
    return QStringLiteral("<text:s text:c=\"%1\"/>").arg(count);
}

// An escaped value as text content: line ends, tabs and runs of spaces as ODF elements, because
// the office suite folds raw white space into one blank.
QString textForm(const QString &escaped)
{
    QString v = DropForbiddenXmlChars(escaped);
    v.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    v.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    QString out;
    out.reserve(v.size() + 16);
    bool lineStart = true;
    for (qsizetype i = 0; i < v.size();) {
        const QChar c = v.at(i);
        if (c == QLatin1Char(' ')) {
            qsizetype run = 1;
            while (i + run < v.size() && v.at(i + run) == QLatin1Char(' '))
                ++run;
            const bool atEdge = lineStart || i + run == v.size() || v.at(i + run) == QLatin1Char('\n');
            if (atEdge)
                out += spaceElement(run);
            else
                out += run == 1 ? QStringLiteral(" ") : QLatin1Char(' ') + spaceElement(run - 1);
            i += run;
            lineStart = false;
            continue;
        }
        if (c == QLatin1Char('\n'))
            out += QLatin1String("<text:line-break/>");
        else if (c == QLatin1Char('\t'))
            out += QLatin1String("<text:tab/>");
        else
            out += c;
        lineStart = c == QLatin1Char('\n');
        ++i;
    }
    return out;
}

// An escaped value inside an attribute: white space that attribute normalisation would turn
// into blanks is kept as character references.
QString attributeForm(const QString &escaped)
{
    QString v = DropForbiddenXmlChars(escaped);
    v.replace(QLatin1Char('\t'), QLatin1String("&#9;"));
    v.replace(QLatin1Char('\n'), QLatin1String("&#10;"));
    v.replace(QLatin1Char('\r'), QLatin1String("&#13;"));
    return v;
}

} // namespace

QString StripTags(const QString &Text)
{
    QString out;
    out.reserve(Text.size());
    bool inTag = false;
    for (const QChar c : Text) {
        if (c == QLatin1Char('<'))
            inTag = true;
        else if (c == QLatin1Char('>'))
            inTag = false;
        else if (!inTag)
            out += c;
    }
    qsizetype from = 0, to = out.size();
    while (from < to && out.at(from).unicode() <= 32)
        ++from;
    while (to > from && out.at(to - 1).unicode() <= 32)
        --to;
    return out.mid(from, to - from);
}

QString DecodeXmlReferences(const QString &Text)
{
    static const struct { QLatin1String ref; QChar ch; } refs[] = {
        {QLatin1String("&amp;"), QLatin1Char('&')},  {QLatin1String("&lt;"), QLatin1Char('<')},
        {QLatin1String("&gt;"), QLatin1Char('>')},   {QLatin1String("&quot;"), QLatin1Char('"')},
        {QLatin1String("&apos;"), QLatin1Char('\'')},
    };
    if (!Text.contains(QLatin1Char('&')))
        return Text;
    QString out;
    out.reserve(Text.size());
    for (qsizetype i = 0; i < Text.size(); ++i) {
        bool matched = false;
        if (Text.at(i) == QLatin1Char('&')) {
            for (const auto &r : refs) {
                if (QStringView(Text).mid(i).startsWith(r.ref)) {
                    out += r.ch;
                    i += r.ref.size() - 1;
                    matched = true;
                    break;
                }
            }
        }
        if (!matched)
            out += Text.at(i);
    }
    return out;
}

QString PlaceholderName(const QString &Inner)
{
    return DecodeXmlReferences(StripTags(Inner));
}

QString DropForbiddenXmlChars(const QString &Text)
{
    QString out;
    out.reserve(Text.size());
    for (qsizetype i = 0; i < Text.size(); ++i) {
        const char16_t c = Text.at(i).unicode();
        if (QChar::isHighSurrogate(c)) {
            if (i + 1 < Text.size() && QChar::isLowSurrogate(Text.at(i + 1).unicode())) {
                out += Text.at(i);
                out += Text.at(++i);
            }
            continue;
        }
        const bool forbidden = (c < 0x20 && c != 0x09 && c != 0x0a && c != 0x0d) || QChar::isLowSurrogate(c)
                               || c == 0xfffe || c == 0xffff;
        if (!forbidden)
            out += QChar(c);
    }
    return out;
}

QString OdfTextContent(const QString &Value)
{
    return textForm(XmlEscaped(DropForbiddenXmlChars(Value), XmlEscapeFor::Markup));
}

namespace {

// Text with every placeholder whose name valueOf knows replaced by what it gives (escaped).
template <typename ValueOf>
QString replaceKnown(const QString &Text, const ValueOf &valueOf)
{
    QString out;
    MarkupLexer lexer(Text);
    Candidate c;
    qsizetype start = 0, copied = 0;
    while (start < Text.size() && nextCandidate(Text, start, lexer, c)) {
        const QString inner = Text.mid(c.open + 1, c.close - c.open - 1);
        const std::optional<QString> value = c.usable ? valueOf(PlaceholderName(inner)) : std::nullopt;
        if (value) {
            if (out.isEmpty())
                out.reserve(Text.size() + value->size());
            out += QStringView(Text).mid(copied, c.open - copied);
            out += c.inTag ? attributeForm(*value) : textForm(*value) + unbalancedTags(inner);
            copied = c.close + 1;
        }
        start = c.close + 1;
    }
    if (copied == 0)
        return Text;
    out += QStringView(Text).mid(copied);
    return out;
}

} // namespace

QString ReplaceVariable(const QString &Text, const QString &Field, const QString &Value)
{
    return replaceKnown(Text, [&](const QString &name) {
        return name == Field ? std::optional<QString>(Value) : std::nullopt;
    });
}

QString PlaceholderValue(const QString &EscapedValue, bool InTag)
{
    return InTag ? attributeForm(EscapedValue) : textForm(EscapedValue);
}

QByteArray PlaceholderBytes(const QString &Value, bool InTag)
{
    // Plain: no character to escape, drop or write as an element, no space at an edge or
    // doubled (those become "<text:s/>"), no surrogate to check for its pair.
    const qsizetype n = Value.size();
    bool plain = n == 0 || (Value.front() != QLatin1Char(' ') && Value.back() != QLatin1Char(' '));
    for (qsizetype i = 0; plain && i < n; ++i) {
        const char16_t c = Value.at(i).unicode();
        plain = c >= 0x20 && c < 0xD800 && c != '&' && c != '<' && c != '>' && c != '"' && c != '\''
                && !(c == ' ' && i > 0 && Value.at(i - 1) == QLatin1Char(' '));
    }
    return plain ? Value.toUtf8() : PlaceholderValue(XmlEscaped(Value, XmlEscapeFor::Markup), InTag).toUtf8();
}

QList<TPlaceholderSpan> FindPlaceholders(const QString &Text)
{
    QList<TPlaceholderSpan> found;
    MarkupLexer lexer(Text);
    Candidate c;
    qsizetype start = 0;
    while (start < Text.size() && nextCandidate(Text, start, lexer, c)) {
        if (c.usable) {
            const QString inner = Text.mid(c.open + 1, c.close - c.open - 1);
            found.append({c.open, c.close, c.inTag, PlaceholderName(inner),
                          c.inTag ? QString() : unbalancedTags(inner)});
        }
        start = c.close + 1;
    }
    return found;
}

QString ReplaceVariables(const QString &Text, const TFieldValues &Data)
{
    QSet<QString> names;
    for (const auto &pair : Data)
        names.insert(pair.first);
    QString s = Text;
    for (const auto &[field, value] : Data) {
        s = replaceKnown(s, [&, field = field, value = value](const QString &name) -> std::optional<QString> {
            if (name == field)
                return XmlEscaped(value, XmlEscapeFor::Markup);
            // "[Поле:формат]" is a field with a format only where no column bears the whole name;
            // "[Поле:формат:формат]" reads the part before the last ":" again when it is no field.
            if (names.contains(name))
                return std::nullopt;
            for (const FieldFormatReading &reading : FieldFormatReadings(name)) {
                if (!names.contains(reading.field))
                    continue;
                if (reading.field != field)
                    return std::nullopt;
                const std::optional<QString> formatted = ApplyFieldFormats(reading.formats, value);
                return formatted ? std::optional<QString>(XmlEscaped(*formatted, XmlEscapeFor::Markup)) : std::nullopt;
            }
            return std::nullopt;
        });
    }
    return s;
}

void CollectVariables(const QString &Text, QStringList &List)
{
    MarkupLexer lexer(Text);
    Candidate c;
    qsizetype start = 0;
    while (start < Text.size() && nextCandidate(Text, start, lexer, c)) {
        if (c.usable) {
            const QString name = PlaceholderName(Text.mid(c.open + 1, c.close - c.open - 1));
            if (!name.isEmpty())
                List.append(name);
        }
        start = c.close + 1;
    }
}

} // namespace dokrava
