#pragma once

#include <QString>
#include <QStringList>

#include <functional>

namespace dokrava {

// Lists the templates of a folder tree for the template list.
namespace TemplateScan {

// Appends to list the files of folder's tree whose extension is extension (".doc" also finds
// ".docx"), letter case ignored; "x.odtx" or "x.docx1" are no templates. A file in a sub-folder is listed with
// its path relative to folder, joined with the platform's separator; a sub-folder's matches come
// before the rest of its parent's entries. Office lock files ("~$…") are skipped. afterEntry runs
// after every entry so the caller can keep its window responsive. A folder that does not exist
// or cannot be listed adds nothing.
void AddTemplateFiles(const QString &folder, QStringList &list, const QString &extension,
                      const std::function<void()> &afterEntry = {});

// The template list: every ".doc"/".docx" of the tree first, then every ".odt".
QStringList ListTemplates(const QString &folder, const std::function<void()> &afterEntry = {});

} // namespace TemplateScan

} // namespace dokrava
