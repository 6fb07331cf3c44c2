#pragma once

#include <QList>
#include <QString>
#include <QXmlStreamAttributes>

#include <functional>

namespace dokrava {

// Edits parts of an XML text in place: finds elements by local name and splices replacements
// into the original text, so everything not edited (namespace prefixes, declarations, unknown
// extensions) stays byte for byte as it was.
class XmlEdit
{
public:
    // One element found in the text.
    struct Element
    {
        qsizetype start = 0;       // index of its "<"
        qsizetype startTagEnd = 0; // index after the ">" of its start tag
        qsizetype end = 0;         // index after its end tag (== startTagEnd when empty)
        int depth = 0;             // 0 for the root element
        QString qualifiedName;     // as written, prefix included
        QXmlStreamAttributes attributes;

        // The prefix of the qualified name with its colon ("x:"), or empty.
        QString prefix() const;
        // True when written as <name/>.
        bool isEmpty() const { return end == startTagEnd; }
    };

    // Parses text; throws DokravaError with partName in the message when it is not well-formed.
    XmlEdit(const QString &text, const QString &partName);

    // Every element with this local name, in document order (nested ones included).
    QList<Element> find(const QString &localName) const;
    // The first element with this local name, or an element with start == -1.
    Element first(const QString &localName) const;
    // Every element, in document order.
    const QList<Element> &elements() const { return m_elements; }

    // Replaces [start, end) by text. Edits must not overlap; apply() performs them.
    void replace(qsizetype start, qsizetype end, const QString &text);
    // Inserts text at a position.
    void insert(qsizetype position, const QString &text) { replace(position, position, text); }
    // Removes an element.
    void remove(const Element &e) { replace(e.start, e.end, QString()); }
    // Replaces the whole element by text.
    void replace(const Element &e, const QString &text) { replace(e.start, e.end, text); }
    // Sets (adds or replaces) an attribute in the element's start tag.
    void setAttribute(const Element &e, const QString &name, const QString &value);

    // The original text with every edit applied.
    QString apply() const;
    // True when some edit was requested.
    bool changed() const { return !m_edits.isEmpty(); }
    // The original text.
    const QString &text() const { return m_text; }

    // The value of the attribute with this local name (any namespace), or empty.
    static QString attribute(const QXmlStreamAttributes &attrs, const QString &localName);
    // Decodes a UTF-8 XML part (a byte-order mark dropped).
    static QString decode(const QByteArray &bytes);

private:
    struct Edit
    {
        qsizetype start;
        qsizetype end;
        QString text;
    };
    QString m_text;
    QList<Element> m_elements;
    QList<Edit> m_edits;
};

} // namespace dokrava
