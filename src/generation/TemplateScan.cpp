#include "generation/TemplateScan.h"

#include <QDir>
#include <QFileInfo>
#include <QSet>

namespace dokrava {

namespace {

// ".doc" lists ".doc" and ".docx" files, ".odt" lists ".odt" files; nothing else is a template,
// so "x.odtx" or "x.docx1" stay out.
bool matches(const QString &name, const QString &extension)
{
    const QString suffix = QFileInfo(name).suffix();
    const QString wanted = extension.mid(1);
    if (suffix.compare(wanted, Qt::CaseInsensitive) == 0)
        return true;
    return wanted.compare(QLatin1String("doc"), Qt::CaseInsensitive) == 0
           && suffix.compare(QLatin1String("docx"), Qt::CaseInsensitive) == 0;
}

void scan(const QString &root, const QString &relative, QStringList &list, const QString &extension,
          const std::function<void()> &afterEntry, QSet<QString> &visited)
{
    const QDir dir(relative.isEmpty() ? root : QDir(root).filePath(relative));
    // A folder reached twice through links is scanned once, so a link loop cannot recurse forever.
    const QString canonical = dir.canonicalPath();
    if (canonical.isEmpty() || visited.contains(canonical))
        return;
    visited.insert(canonical);
    const QFileInfoList entries = dir.entryInfoList(
        QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name | QDir::IgnoreCase);
    for (const QFileInfo &entry : entries) {
        const QString name = relative.isEmpty() ? entry.fileName()
                                                : relative + QDir::separator() + entry.fileName();
        if (entry.isDir())
            scan(root, name, list, extension, afterEntry, visited);
        else if (matches(entry.fileName(), extension) && !entry.fileName().startsWith(QLatin1String("~$")))
            list << name;
        if (afterEntry)
            afterEntry();
    }
}

} // namespace

namespace TemplateScan {

void AddTemplateFiles(const QString &folder, QStringList &list, const QString &extension,
                      const std::function<void()> &afterEntry)
{
    if (folder.isEmpty())
        return;
    QSet<QString> visited;
    scan(folder, QString(), list, extension, afterEntry, visited);
}

QStringList ListTemplates(const QString &folder, const std::function<void()> &afterEntry)
{
    QStringList list;
    AddTemplateFiles(folder, list, QStringLiteral(".doc"), afterEntry);
    AddTemplateFiles(folder, list, QStringLiteral(".odt"), afterEntry);
    return list;
}

} // namespace TemplateScan

} // namespace dokrava
