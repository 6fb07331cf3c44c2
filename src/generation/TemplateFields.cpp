#include "generation/TemplateFields.h"

#include "base/DokravaError.h"
#include "generation/FindFieldsInWord.h"
#include "generation/TemplateKind.h"
#include "odf/FieldNames.h"
#include "odf/TODTProcessor.h"

#include <QDir>

namespace dokrava {

QStringList FindTemplateFields(const QString &path, const QString &converter)
{
    const TemplateKind kind = TemplateKindOf(path);
    if (kind == TemplateKind::Odt) {
        TODTProcessor processor;
        return processor.FindVariablesInODT(path);
    }
    if (IsWordKind(kind)) {
        return SortFieldNames(FindFieldsInWord(path, converter));
    }
    throw DokravaError(QStringLiteral("Поиск полей в шаблоне «%1» не поддерживается: неизвестный формат файла")
                           .arg(QDir::toNativeSeparators(path)));
}

} // namespace dokrava
