#include "base/XmlNode.h"

#include "base/DokravaError.h"
#include "base/XmlEscape.h"
#include "base/XmlPartCheck.h"

#include <QHash>
#include <QStringList>
#include <QXmlStreamReader>

namespace dokrava {

namespace {

constexpr int kMaxDepth = 2000;

QString declarationOf(const QXmlStreamReader &reader)
{
    QString decl = QStringLiteral("<?xml version=\"%1\" encoding=\"UTF-8\"")
                       .arg(reader.documentVersion().isEmpty() ? QStringLiteral("1.0")
                                                               : reader.documentVersion().toString());
    if (reader.isStandaloneDocument())
        decl += QLatin1String(" standalone=\"yes\"");
    return decl + QLatin1String("?>");
}

// A text, CDATA, comment or instruction node for the reader's current token.
std::unique_ptr<XmlNode> leafNode(const QXmlStreamReader &reader)
{
    if (reader.tokenType() == QXmlStreamReader::ProcessingInstruction) {
        auto node = std::make_unique<XmlNode>(XmlNode::ProcessingInstruction,
                                              reader.processingInstructionTarget().toString());
        node->setText(reader.processingInstructionData().toString());
        return node;
    }
    const XmlNode::Kind kind = reader.tokenType() == QXmlStreamReader::Comment ? XmlNode::Comment
                               : reader.isCDATA()                             ? XmlNode::CData
                                                                              : XmlNode::Text;
    auto node = std::make_unique<XmlNode>(kind);
    node->setText(reader.text().toString());
    return node;
}

// The namespace prefixes declared around the element being read. The reader works without
// namespace processing, so that declarations stay attributes in their place, and would let an
// undeclared prefix pass, which no office suite reads.
class PrefixScopes
{
public:
    // Declares the element's prefixes; false when its name or an attribute's uses one not declared.
    bool enter(const QString &name, const QList<QPair<QString, QString>> &attributes)
    {
        QStringList declared;
        for (const auto &a : attributes) {
            if (a.first.startsWith(QLatin1String("xmlns:"))) {
                declared.append(a.first.mid(6));
                ++m_count[declared.last()];
            }
        }
        m_scopes.append(declared);
        if (!known(prefixOf(name)))
            return false;
        for (const auto &a : attributes)
            if (!a.first.startsWith(QLatin1String("xmlns")) && !known(prefixOf(a.first)))
                return false;
        return true;
    }

    void leave()
    {
        for (const QString &p : m_scopes.takeLast())
            if (--m_count[p] == 0)
                m_count.remove(p);
    }

private:
    static QString prefixOf(const QString &qualified)
    {
        const qsizetype colon = qualified.indexOf(QLatin1Char(':'));
        return colon < 0 ? QString() : qualified.left(colon);
    }
    bool known(const QString &prefix) const
    {
        return prefix.isEmpty() || prefix == QLatin1String("xml") || m_count.contains(prefix);
    }

    QHash<QString, int> m_count;
    QList<QStringList> m_scopes;
};

} // namespace

XmlNode::XmlNode(Kind kind, const QString &name) : m_kind(kind), m_name(name) {}

std::unique_ptr<XmlNode> XmlNode::parse(const QByteArray &data, const QString &partName)
{
    // Written back as UTF-8: a part must be UTF-8 as it declares, or UTF-16 told by its byte-order mark.
    if (!data.startsWith("\xFF\xFE") && !data.startsWith("\xFE\xFF"))
        Utf8XmlPartText(data, partName);
    auto document = std::make_unique<XmlNode>(Document);
    XmlNode *current = document.get();
    int depth = 0;
    PrefixScopes prefixes;
    QXmlStreamReader reader(data);
    reader.setNamespaceProcessing(false);
    while (!reader.atEnd()) {
        switch (reader.readNext()) {
        case QXmlStreamReader::StartDocument:
            if (!reader.documentVersion().isEmpty())
                document->m_declaration = declarationOf(reader);
            break;
        case QXmlStreamReader::DTD:
            throw DokravaError(QStringLiteral("Недопустимое объявление типа документа в части %1").arg(partName));
        case QXmlStreamReader::StartElement: {
            // Writing and freeing the tree recurse: refuse nesting no word processor produces.
            if (++depth > kMaxDepth)
                throw DokravaError(QStringLiteral("Слишком глубокая вложенность в части %1 документа").arg(partName));
            auto element = std::make_unique<XmlNode>(Element, reader.qualifiedName().toString());
            for (const QXmlStreamAttribute &a : reader.attributes())
                element->m_attributes.append({a.qualifiedName().toString(), a.value().toString()});
            if (!prefixes.enter(element->m_name, element->m_attributes))
                throw DokravaError(QStringLiteral("Повреждена часть %1 документа: префикс пространства имён не объявлен (%2)")
                                       .arg(partName, element->m_name));
            current = current->append(std::move(element));
            break;
        }
        case QXmlStreamReader::EndElement:
            --depth;
            prefixes.leave();
            current = current->m_parent;
            break;
        case QXmlStreamReader::Characters:
        case QXmlStreamReader::Comment:
        case QXmlStreamReader::ProcessingInstruction:
            current->append(leafNode(reader));
            break;
        default:
            break;
        }
    }
    if (reader.hasError() || !document->rootElement())
        throw DokravaError(QStringLiteral("Повреждена часть %1 документа: %2")
                               .arg(partName, reader.hasError() ? reader.errorString()
                                                                : QStringLiteral("нет корневого элемента")));
    return document;
}

QByteArray XmlNode::serialize() const
{
    QString out;
    writeTo(out);
    return out.toUtf8();
}

void XmlNode::writeTo(QString &out) const
{
    switch (m_kind) {
    case Document:
        if (!m_declaration.isEmpty())
            out += m_declaration + QLatin1String("\r\n");
        for (const auto &c : m_children)
            c->writeTo(out);
        return;
    case Text:
        AppendXmlEscaped(out, m_text, XmlEscapeFor::Text);
        return;
    case CData:
        // "]]>" cannot stand inside a CDATA section: split it across two sections.
        out += QLatin1String("<![CDATA[") + QString(m_text).replace(QLatin1String("]]>"), QLatin1String("]]]]><![CDATA[>"))
               + QLatin1String("]]>");
        return;
    case Comment:
        out += QLatin1String("<!--") + m_text + QLatin1String("-->");
        return;
    case ProcessingInstruction:
        out += QLatin1String("<?") + m_name;
        if (!m_text.isEmpty())
            out += QLatin1Char(' ') + m_text;
        out += QLatin1String("?>");
        return;
    case Element:
        break;
    }
    // Appended piece by piece: joining the pieces first would make a string per piece.
    out += QLatin1Char('<');
    out += m_name;
    for (const auto &a : m_attributes) {
        out += QLatin1Char(' ');
        out += a.first;
        out += QLatin1String("=\"");
        AppendXmlEscaped(out, a.second, XmlEscapeFor::Attribute);
        out += QLatin1Char('"');
    }
    if (m_children.empty()) {
        out += QLatin1String("/>");
        return;
    }
    out += QLatin1Char('>');
    for (const auto &c : m_children)
        c->writeTo(out);
    out += QLatin1String("</");
    out += m_name;
    out += QLatin1Char('>');
}

QString XmlNode::attribute(const QString &name) const
{
    for (const auto &a : m_attributes)
        if (a.first == name)
            return a.second;
    return QString();
}

void XmlNode::setAttribute(const QString &name, const QString &value)
{
    for (auto &a : m_attributes) {
        if (a.first == name) {
            a.second = value;
            return;
        }
    }
    m_attributes.append({name, value});
}

int XmlNode::indexInParent() const
{
    if (!m_parent)
        return -1;
    for (size_t i = 0; i < m_parent->m_children.size(); ++i)
        if (m_parent->m_children[i].get() == this)
            return int(i);
    return -1;
}

XmlNode *XmlNode::append(std::unique_ptr<XmlNode> node)
{
    return insert(childCount(), std::move(node));
}

XmlNode *XmlNode::insert(int i, std::unique_ptr<XmlNode> node)
{
    node->m_parent = this;
    XmlNode *raw = node.get();
    m_children.insert(m_children.begin() + i, std::move(node));
    return raw;
}

void XmlNode::remove(int i)
{
    m_children.erase(m_children.begin() + i);
}

std::unique_ptr<XmlNode> XmlNode::take(int i)
{
    std::unique_ptr<XmlNode> node = std::move(m_children[size_t(i)]);
    m_children.erase(m_children.begin() + i);
    node->m_parent = nullptr;
    return node;
}

std::unique_ptr<XmlNode> XmlNode::clone() const
{
    auto copy = std::make_unique<XmlNode>(m_kind, m_name);
    copy->m_text = m_text;
    copy->m_attributes = m_attributes;
    copy->m_declaration = m_declaration;
    copy->m_children.reserve(m_children.size());
    for (const auto &c : m_children)
        copy->append(c->clone());
    return copy;
}

QString XmlNode::innerText() const
{
    if (m_kind == Text || m_kind == CData)
        return m_text;
    QString text;
    for (const auto &c : m_children)
        text += c->innerText();
    return text;
}

XmlNode *XmlNode::rootElement() const
{
    for (const auto &c : m_children)
        if (c->m_kind == Element)
            return c.get();
    return nullptr;
}

} // namespace dokrava
