#pragma once

#include <QString>
#include <QStringList>

namespace dokrava {

// The field names of one template, chosen by its extension (".odt", ".docx", ".doc"); sorted as
// SortFieldNames sorts. converter is the office suite's converter, which a ".doc" needs (empty:
// none). Throws DokravaError for a format it cannot scan.
QStringList FindTemplateFields(const QString &path, const QString &converter);

} // namespace dokrava
