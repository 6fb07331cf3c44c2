#include "settings/FindFieldsInWord.h"

#include "generation/DocxDocument.h"
#include "generation/WordFiller.h"
#include "odf/ScratchFolder.h"
#include "shell/DokravaError.h"

#include <QFileInfo>

#include <memory>

QStringList FindFieldsInWord(const QString &path, const QString &converter)
{
    if (!QFileInfo(path).isFile())
        throw DokravaError(QStringLiteral("Файл шаблона не найден."));
    if (IsZipPackage(path))
        return DocxDocument(path).bracketedFields();
    ScratchFolder scratch(QStringLiteral("Find_"));
    return DocxDocument(ConvertToDocx(path, scratch.path(), converter)).bracketedFields();
}
