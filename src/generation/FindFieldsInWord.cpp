#include "generation/FindFieldsInWord.h"

#include "base/DokravaError.h"
#include "base/FieldFormat.h"
#include "base/ScratchFolder.h"
#include "generation/LegacyWordFile.h"
#include "generation/TemplateKind.h"
#include "word/DocxDocument.h"

#include <QFileInfo>

#include <memory>

namespace dokrava {

QStringList FindFieldsInWord(const QString &path, const QString &converter)
{
    if (!QFileInfo(path).isFile())
        throw DokravaError(QStringLiteral("Файл шаблона не найден."));
    if (IsZipPackage(path))
        return PlainFieldNames(DocxDocument(path).bracketedFields(), Qt::CaseInsensitive);
    // Only ".doc" is the legacy format; a ".docx" that is no package is broken.
    if (TemplateKindOf(path) == TemplateKind::Docx)
        throw DokravaError(QStringLiteral("Шаблон повреждён: ") + QFileInfo(path).fileName());
    ScratchFolder scratch(QStringLiteral("Find_"));
    return PlainFieldNames(DocxDocument(ConvertToDocx(path, scratch.path(), converter)).bracketedFields(),
                           Qt::CaseInsensitive);
}

} // namespace dokrava
