#include "word/DocxDocument.h"

#include "word/WordText.h"
#include "word/XmlNode.h"
#include "base/PendingFile.h"
#include "zip/ZipReader.h"
#include "zip/ZipWriter.h"
#include "base/DokravaError.h"

#include <QDir>

struct DocxDocument::Entry
{
    QString name;
    QByteArray data;
    int method = 8;
    QDateTime modified;
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

DocxDocument::DocxDocument(const QString &path) : m_path(path)
{
    ZipReader zip(path);
    for (int i = 0; i < zip.count(); ++i) {
        auto e = std::make_unique<Entry>();
        e->name = zip.name(i);
        e->method = zip.method(i) == 0 ? 0 : 8;
        e->modified = zip.modified(i);
        e->data = zip.isDir(i) ? QByteArray() : zip.data(i);
        m_entries.push_back(std::move(e));
    }
    readRelationships();
    if (m_main.isEmpty() || !entry(m_main))
        throw DokravaError(QStringLiteral("Файл %1 не является документом Word (.docx)")
                               .arg(QDir::toNativeSeparators(path)));
    tree(m_main);
}

DocxDocument::~DocxDocument() = default;

DocxDocument::Entry *DocxDocument::entry(const QString &name) const
{
    for (const auto &e : m_entries)
        if (e->name.compare(name, Qt::CaseInsensitive) == 0)
            return e.get();
    return nullptr;
}

XmlNode *DocxDocument::tree(const QString &name)
{
    Entry *e = entry(name);
    if (!e)
        return nullptr;
    if (!e->tree)
        e->tree = XmlNode::parse(e->data, name);
    return e->tree.get();
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
    if (m_main.isEmpty() && entry(QStringLiteral("word/document.xml")))
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
        if (!entry(target))
            continue;
        if (type.endsWith(QLatin1String("/header")))
            m_headers.append(entry(target)->name);
        else if (type.endsWith(QLatin1String("/footer")))
            m_footers.append(entry(target)->name);
    }
}

int DocxDocument::replaceInMainText(const QString &find, const QString &value, bool all)
{
    Entry *e = entry(m_main);
    const int n = ReplaceInWordPart(tree(m_main), find, value, all ? -1 : 1);
    e->dirty = e->dirty || n > 0;
    return n;
}

int DocxDocument::replaceInHeadersFooters(const QString &find, const QString &value)
{
    int total = 0;
    for (const QString &part : m_headers + m_footers) {
        const int n = ReplaceInWordPart(tree(part), find, value);
        if (n > 0)
            entry(part)->dirty = true;
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

QByteArray DocxDocument::partData(const QString &entryName) const
{
    const Entry *e = entry(entryName);
    if (!e)
        return QByteArray();
    return e->dirty ? e->tree->serialize() : e->data;
}

void DocxDocument::save(const QString &path)
{
    PendingFile pending(path);
    ZipWriter zip(pending);
    for (const auto &e : m_entries) {
        // A name the reader would refuse to unpack ("../", absolute, a drive letter) is not
        // passed on to the user's documents.
        if (ZipReader::safeRelativePath(e->name).isEmpty())
            continue;
        zip.addData(e->name, e->dirty ? e->tree->serialize() : e->data,
                    e->method == 0 ? ZipWriter::Stored : ZipWriter::Deflated, e->modified);
    }
    zip.close();
    pending.commit();
}
