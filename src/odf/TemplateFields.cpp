#include "odf/TemplateFields.h"

#include "odf/TODTProcessor.h"
#include "shell/DokravaError.h"

#include <QDir>
#include <QFileInfo>

QStringList FindTemplateFields(const QString &path)
{
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix == QLatin1String("odt")) {
        TODTProcessor processor;
        return processor.FindVariablesInODT(path);
    }
    throw DokravaError(QStringLiteral("Поиск полей в шаблоне «%1» не поддерживается: неизвестный формат файла")
                           .arg(QDir::toNativeSeparators(path)));
}
