#include "base/XmlEdit.h"

#include "base/DokravaError.h"
#include "base/XmlEscape.h"

#include <QRegularExpression>
#include <QXmlStreamReader>

#include <algorithm>

namespace dokrava {

QString XmlEdit::Element::prefix() const
{
    const qsizetype colon = qualifiedName.indexOf(QLatin1Char(':'));
    return colon < 0 ? QString() : qualifiedName.left(colon + 1);
}

XmlEdit::XmlEdit(const QString &text, const QString &partName)
    : m_text(text)
{
    QXmlStreamReader reader(m_text);
    QList<int> open; // indexes into m_elements of the elements not yet closed
    while (!reader.atEnd()) {
        const QXmlStreamReader::TokenType token = reader.readNext();
        if (token == QXmlStreamReader::StartElement) {
            Element e;
            e.startTagEnd = reader.characterOffset();
            // '<' cannot occur inside a start tag, so the last one before its end opens it.
            e.start = m_text.lastIndexOf(QLatin1Char('<'), e.startTagEnd - 1);
            e.depth = int(open.size());
            e.qualifiedName = reader.qualifiedName().toString();
            e.attributes = reader.attributes();
            open << int(m_elements.size());
            m_elements << e;
        } else if (token == QXmlStreamReader::EndElement && !open.isEmpty()) {
            m_elements[open.takeLast()].end = reader.characterOffset();
        }
    }
    if (reader.hasError())
        throw DokravaError(QStringLiteral("Повреждена часть \"%1\" книги: %2")
                               .arg(partName, reader.errorString()));
}

QList<XmlEdit::Element> XmlEdit::find(const QString &localName) const
{
    QList<Element> found;
    for (const Element &e : m_elements) {
        const qsizetype colon = e.qualifiedName.indexOf(QLatin1Char(':'));
        if (QStringView(e.qualifiedName).mid(colon + 1) == localName)
            found << e;
    }
    return found;
}

XmlEdit::Element XmlEdit::first(const QString &localName) const
{
    const QList<Element> all = find(localName);
    if (!all.isEmpty())
        return all.first();
    Element none;
    none.start = -1;
    return none;
}

void XmlEdit::replace(qsizetype start, qsizetype end, const QString &text)
{
    m_edits << Edit{start, end, text};
}

void XmlEdit::setAttribute(const Element &e, const QString &name, const QString &value)
{
    const QString tag = m_text.mid(e.start, e.startTagEnd - e.start);
    const QRegularExpression existing(QStringLiteral("\\s%1\\s*=\\s*(\"[^\"]*\"|'[^']*')")
                                          .arg(QRegularExpression::escape(name)));
    const QRegularExpressionMatch m = existing.match(tag);
    const QString attr = QStringLiteral(" %1=\"%2\"").arg(name, XmlEscaped(value, XmlEscapeFor::Attribute));
    if (m.hasMatch()) {
        replace(e.start + m.capturedStart(), e.start + m.capturedEnd(), attr);
    } else {
        // Before "/>" or ">".
        const qsizetype close = tag.endsWith(QLatin1String("/>")) ? tag.size() - 2 : tag.size() - 1;
        insert(e.start + close, attr);
    }
}

QString XmlEdit::apply() const
{
    QList<Edit> edits = m_edits;
    std::stable_sort(edits.begin(), edits.end(),
                     [](const Edit &a, const Edit &b) { return a.start > b.start; });
    QString out = m_text;
    for (const Edit &e : edits)
        out.replace(e.start, e.end - e.start, e.text);
    return out;
}

QString XmlEdit::attribute(const QXmlStreamAttributes &attrs, const QString &localName)
{
    for (const QXmlStreamAttribute &a : attrs)
        if (a.name() == localName)
            return a.value().toString();
    return QString();
}

QString XmlEdit::decode(const QByteArray &bytes)
{
    // Workbook parts are UTF-8; a byte-order mark is dropped and written back without one.
    if (bytes.startsWith("\xEF\xBB\xBF"))
        return QString::fromUtf8(bytes.mid(3));
    return QString::fromUtf8(bytes);
}

} // namespace dokrava
