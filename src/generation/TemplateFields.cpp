#include "generation/TemplateFields.h"

#include "base/DokravaError.h"
#include "generation/FindFieldsInWord.h"
#include "odf/FieldNames.h"
#include "odf/TODTProcessor.h"

#include <QDir>
#include <QFileInfo>

QStringList FindTemplateFields(const QString &path, const QString &converter)
{
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix == QLatin1String("odt")) {
        TODTProcessor processor;
        return processor.FindVariablesInODT(path);
    }
    if (suffix == QLatin1String("docx") || suffix == QLatin1String("doc")) {
        return SortFieldNames(FindFieldsInWord(path, converter));
    }
    throw DokravaError(QStringLiteral("Поиск полей в шаблоне «%1» не поддерживается: неизвестный формат файла")
                           .arg(QDir::toNativeSeparators(path)));
}
