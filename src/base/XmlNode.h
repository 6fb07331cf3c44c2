#pragma once

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>

#include <memory>
#include <vector>

namespace dokrava {

// A small in-memory XML tree for the parts of Word packages. Names are kept as written
// (prefix included) and namespace declarations stay ordinary attributes, so a part written
// back keeps its prefixes, its attribute order and everything the program does not touch.
class XmlNode
{
public:
    enum Kind { Document, Element, Text, CData, Comment, ProcessingInstruction };

    // A node of the given kind; name is the qualified element name or the instruction target.
    explicit XmlNode(Kind kind, const QString &name = QString());

    // Parses a whole part; throws DokravaError naming partName when the part is not well-formed,
    // is neither UTF-8 as its declaration says nor UTF-16 with a byte-order mark, or carries a
    // document type declaration.
    static std::unique_ptr<XmlNode> parse(const QByteArray &data, const QString &partName);

    // The part as UTF-8 with the declaration it was read with.
    QByteArray serialize() const;
    // Appends this node as it stands in its part's text (an element with everything below it).
    void writeTo(QString &out) const;
    // A deep copy of this node, without a parent.
    std::unique_ptr<XmlNode> clone() const;

    Kind kind() const { return m_kind; }
    // Qualified element name ("w:t") or instruction target.
    const QString &name() const { return m_name; }
    // Text of a text, CDATA or comment node, data of an instruction.
    const QString &text() const { return m_text; }
    void setText(const QString &text) { m_text = text; }

    // Attribute value, or an empty string when absent.
    QString attribute(const QString &name) const;
    // Sets or adds an attribute, keeping the position of an existing one.
    void setAttribute(const QString &name, const QString &value);

    XmlNode *parent() const { return m_parent; }
    int childCount() const { return int(m_children.size()); }
    XmlNode *child(int i) const { return m_children[size_t(i)].get(); }
    // Position of this node among its parent's children.
    int indexInParent() const;

    // Appends a child and returns it.
    XmlNode *append(std::unique_ptr<XmlNode> node);
    // Inserts a child at position i and returns it.
    XmlNode *insert(int i, std::unique_ptr<XmlNode> node);
    // Removes and destroys the child at position i.
    void remove(int i);
    // Removes the child at position i and hands it over.
    std::unique_ptr<XmlNode> take(int i);

    // The concatenated text of all text and CDATA nodes below.
    QString innerText() const;

    // The whole element (first child element of the document node), or nullptr.
    XmlNode *rootElement() const;

private:

    Kind m_kind;
    QString m_name;
    QString m_text;
    QList<QPair<QString, QString>> m_attributes;
    std::vector<std::unique_ptr<XmlNode>> m_children;
    XmlNode *m_parent = nullptr;
    // Declaration of the document node, written back as read.
    QString m_declaration;
};

} // namespace dokrava
