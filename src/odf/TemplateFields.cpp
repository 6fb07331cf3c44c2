#include "odf/TemplateFields.h"

#include "odf/FieldNames.h"
#include "odf/TODTProcessor.h"
#include "settings/FindFieldsInWord.h"
#include "shell/DokravaError.h"
#include "shell/Globals.h"
#include "shell/OfficeSuite.h"

#include <QDir>
#include <QFileInfo>

QStringList FindTemplateFields(const QString &path)
{
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix == QLatin1String("odt")) {
        TODTProcessor processor;
        return processor.FindVariablesInODT(path);
    }
    if (suffix == QLatin1String("docx") || suffix == QLatin1String("doc")) {
        // ".doc" is read through the office suite's converter; the command line has no window
        // that found it at start.
        QString converter = LOPath;
        if (converter.isEmpty())
            FindLOPath(converter);
        return SortFieldNames(FindFieldsInWord(path, converter));
    }
    throw DokravaError(QStringLiteral("Поиск полей в шаблоне «%1» не поддерживается: неизвестный формат файла")
                           .arg(QDir::toNativeSeparators(path)));
}
