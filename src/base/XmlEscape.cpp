#include "base/XmlEscape.h"

namespace dokrava {

namespace {

QLatin1String textReference(char16_t c)
{
    switch (c) {
    case '&': return QLatin1String("&amp;");
    case '<': return QLatin1String("&lt;");
    case '>': return QLatin1String("&gt;");
    case '\r': return QLatin1String("&#13;");
    default: return QLatin1String();
    }
}

QLatin1String attributeReference(char16_t c)
{
    switch (c) {
    case '&': return QLatin1String("&amp;");
    case '<': return QLatin1String("&lt;");
    case '"': return QLatin1String("&quot;");
    case '\t': return QLatin1String("&#9;");
    case '\n': return QLatin1String("&#10;");
    case '\r': return QLatin1String("&#13;");
    default: return QLatin1String();
    }
}

QLatin1String markupReference(char16_t c)
{
    switch (c) {
    case '&': return QLatin1String("&amp;");
    case '<': return QLatin1String("&lt;");
    case '>': return QLatin1String("&gt;");
    case '"': return QLatin1String("&quot;");
    case '\'': return QLatin1String("&apos;");
    default: return QLatin1String();
    }
}

// The characters between references go in as whole slices: most values need none.
template <typename Reference>
void appendWith(QString &out, QStringView text, Reference reference)
{
    qsizetype plain = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QLatin1String ref = reference(text[i].unicode());
        if (ref.isEmpty())
            continue;
        out += text.mid(plain, i - plain);
        out += ref;
        plain = i + 1;
    }
    out += text.mid(plain);
}

} // namespace

void AppendXmlEscaped(QString &out, QStringView text, XmlEscapeFor where)
{
    switch (where) {
    case XmlEscapeFor::Text: return appendWith(out, text, textReference);
    case XmlEscapeFor::Attribute: return appendWith(out, text, attributeReference);
    case XmlEscapeFor::Markup: return appendWith(out, text, markupReference);
    }
}

QString XmlEscaped(QStringView text, XmlEscapeFor where)
{
    QString out;
    out.reserve(text.size());
    AppendXmlEscaped(out, text, where);
    return out;
}

} // namespace dokrava
