#include "word/DocxDocument.h"

#include "base/DokravaError.h"
#include "word/WordText.h"
#include "base/XmlNode.h"
#include "zip/ZipReader.h"

#include <QDir>

namespace dokrava {

struct DocxDocument::Part
{
    std::unique_ptr<XmlNode> tree; // parsed on first use
    bool dirty = false;
};

namespace {

const QString kOfficeDocument = QStringLiteral("/officeDocument");

// Resolves a relationship target against the folder of the part that holds the relationship.
QString resolveTarget(const QString &sourcePart, const QString &target)
{
    if (target.startsWith(QLatin1Char('/')))
        return target.mid(1);
    const int slash = sourcePart.lastIndexOf(QLatin1Char('/'));
    const QString base = slash < 0 ? QString() : sourcePart.left(slash + 1);
    return QDir::cleanPath(base + target);
}

QString relationshipsPartOf(const QString &part)
{
    const int slash = part.lastIndexOf(QLatin1Char('/'));
    return part.left(slash + 1) + QStringLiteral("_rels/") + part.mid(slash + 1) + QStringLiteral(".rels");
}

} // namespace

DocxDocument::DocxDocument(const QString &path) : m_package(path)
{
    // An entry copied as stored must be as sound as the parts rewritten.
    m_package.verify();
    readRelationships();
    if (m_main.isEmpty() || entry(m_main) < 0)
        throw DokravaError(QStringLiteral("Файл %1 не является документом Word (.docx)")
                               .arg(QDir::toNativeSeparators(path)));
    tree(m_main);
}

DocxDocument::~DocxDocument() = default;

int DocxDocument::entry(const QString &name) const
{
    return name.isEmpty() ? -1 : m_package.indexOf(name, Qt::CaseInsensitive);
}

XmlNode *DocxDocument::tree(const QString &name)
{
    const int i = entry(name);
    if (i < 0 || m_package.isDir(i))
        return nullptr;
    Part &part = m_parts[i];
    if (!part.tree)
        part.tree = XmlNode::parse(m_package.data(i), name);
    return part.tree.get();
}

void DocxDocument::readRelationships()
{
    // The package relationships name the main part; its own relationships name the headers
    // and footers.
    if (XmlNode *rels = tree(QStringLiteral("_rels/.rels"))) {
        XmlNode *root = rels->rootElement();
        for (int i = 0; i < root->childCount(); ++i) {
            const XmlNode *r = root->child(i);
            if (r->kind() == XmlNode::Element && r->attribute(QStringLiteral("Type")).endsWith(kOfficeDocument)
                && r->attribute(QStringLiteral("TargetMode")) != QLatin1String("External")) {
                m_main = resolveTarget(QString(), r->attribute(QStringLiteral("Target")));
                break;
            }
        }
    }
    if (m_main.isEmpty() && entry(QStringLiteral("word/document.xml")) >= 0)
        m_main = QStringLiteral("word/document.xml");
    XmlNode *docRels = tree(relationshipsPartOf(m_main));
    if (!docRels)
        return;
    XmlNode *root = docRels->rootElement();
    for (int i = 0; i < root->childCount(); ++i) {
        const XmlNode *r = root->child(i);
        if (r->kind() != XmlNode::Element || r->attribute(QStringLiteral("TargetMode")) == QLatin1String("External"))
            continue;
        const QString type = r->attribute(QStringLiteral("Type"));
        const QString target = resolveTarget(m_main, r->attribute(QStringLiteral("Target")));
        const int index = entry(target);
        if (index < 0)
            continue;
        if (type.endsWith(QLatin1String("/header")))
            m_headers.append(m_package.name(index));
        else if (type.endsWith(QLatin1String("/footer")))
            m_footers.append(m_package.name(index));
    }
}

int DocxDocument::replaceInMainText(const QString &find, const QString &value, bool all)
{
    const int n = ReplaceInWordPart(tree(m_main), find, value, all ? -1 : 1);
    if (n > 0)
        m_parts[entry(m_main)].dirty = true;
    return n;
}

int DocxDocument::replaceInHeadersFooters(const QString &find, const QString &value)
{
    int total = 0;
    for (const QString &part : m_headers + m_footers) {
        const int n = ReplaceInWordPart(tree(part), find, value);
        if (n > 0)
            m_parts[entry(part)].dirty = true;
        total += n;
    }
    return total;
}

QStringList DocxDocument::bracketedFields()
{
    QStringList names;
    CollectBracketedFields(tree(m_main), names);
    for (const QString &part : m_headers + m_footers)
        CollectBracketedFields(tree(part), names);
    return names;
}

QStringList DocxDocument::paragraphTexts(const QString &entryName)
{
    const XmlNode *root = tree(entryName);
    return root ? WordParagraphTexts(root) : QStringList();
}

QByteArray DocxDocument::partData(const QString &entryName) const
{
    const int i = entry(entryName);
    if (i < 0)
        return QByteArray();
    const auto part = m_parts.find(i);
    return part != m_parts.end() && part->second.dirty ? part->second.tree->serialize() : m_package.data(i);
}

void DocxDocument::markEdited(const QString &entryName)
{
    const int i = entry(entryName);
    if (i >= 0 && m_parts.count(i) && m_parts[i].tree)
        m_parts[i].dirty = true;
}

std::unique_ptr<DocxDocument> DocxDocument::copy() const
{
    std::unique_ptr<DocxDocument> out(new DocxDocument());
    out->m_package = m_package;
    out->m_main = m_main;
    out->m_headers = m_headers;
    out->m_footers = m_footers;
    for (const auto &[i, part] : m_parts) {
        Part &copied = out->m_parts[i];
        copied.tree = part.tree ? part.tree->clone() : nullptr;
        copied.dirty = part.dirty;
    }
    return out;
}

void DocxDocument::save(const QString &path) const
{
    edited().save(path);
}

Package DocxDocument::edited() const
{
    // Made from a copy: the document may be saved again (a PDF that failed keeps a ".docx").
    Package out = m_package;
    for (const auto &[i, part] : m_parts)
        if (part.dirty)
            out.replace(i, part.tree->serialize());
    dropUnsafeNames(out);
    return out;
}

Package DocxDocument::packageForSaving() const
{
    Package out = m_package;
    dropUnsafeNames(out);
    return out;
}

void DocxDocument::dropUnsafeNames(Package &package)
{
    // A name the reader would refuse to unpack ("../", absolute, a drive letter) is not passed
    // on to the user's documents.
    for (int i = package.count() - 1; i >= 0; --i)
        if (ZipReader::safeRelativePath(package.name(i)).isEmpty())
            package.remove(i);
}

} // namespace dokrava
