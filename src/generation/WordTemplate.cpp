#include "generation/WordTemplate.h"

#include "base/AppFolder.h"
#include "base/DokravaError.h"
#include "base/ScratchFolder.h"
#include "settings/Settings.h"
#include "word/DocxDocument.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

// The fields of one document, with the personal fields of "replace.ini" when the file exists.
TWordFields wordFields(const TWordFillData &data)
{
    TWordFields fields;
    fields.headers = data.headers;
    fields.record = data.record;
    fields.Colontit = data.Colontit;
    if (QFileInfo::exists(data.personalFieldsFile)) {
        fields.personal.emplace();
        for (const TPersonalField &f : ReadPersonalFieldsFile(data.personalFieldsFile))
            fields.personal->append({f.name, f.value});
    }
    return fields;
}


std::unique_ptr<ScratchFolder> scratchFolder()
{
    return std::make_unique<ScratchFolder>(QStringLiteral("DOC_"));
}

TWordFillResult saveAsPdf(DocxDocument &doc, const QString &outputPath, const TWordFillData &data)
{
    const QFileInfo out(outputPath);
    const QString keptDocx = AppFolder::join(out.absolutePath(), out.completeBaseName() + QStringLiteral(".docx"));
    if (data.converter.isEmpty()) {
        doc.save(keptDocx);
        return TWordFillResult::KeptAsDocx;
    }
    if (data.convertLater) {
        doc.save(keptDocx);
        return TWordFillResult::ConvertLater;
    }
    auto scratch = scratchFolder();
    const QString filled = AppFolder::join(scratch->path(), out.completeBaseName() + QStringLiteral(".docx"));
    doc.save(filled);
    if (!ConvertDocument(filled, QStringLiteral("pdf"), out.absolutePath(), data.converter, data.waitMs).isEmpty())
        return TWordFillResult::Written;
    doc.save(keptDocx);
    return TWordFillResult::PdfFailed;
}

void saveAsLegacy(DocxDocument &doc, const QString &outputPath, const TWordFillData &data)
{
    const QFileInfo out(outputPath);
    auto scratch = scratchFolder();
    const QString filled = AppFolder::join(scratch->path(), out.completeBaseName() + QStringLiteral(".docx"));
    doc.save(filled);
    const QString written = ConvertDocument(filled, LegacyWordFormat(out.suffix().toLower()), out.absolutePath(),
                                            data.converter, data.waitMs);
    if (written.isEmpty())
        throw DokravaError(QStringLiteral("Не удалось сохранить документ %1").arg(QDir::toNativeSeparators(outputPath)));
    // The converter names its file with the lower-case extension of its format.
    if (QFileInfo(written).fileName() != out.fileName()) {
        QFile::remove(outputPath);
        if (!QFile::rename(written, outputPath))
            throw DokravaError(QStringLiteral("Не удалось сохранить документ %1").arg(QDir::toNativeSeparators(outputPath)));
    }
}

TWordFillResult fillAndSave(DocxDocument &doc, TReplaceOptions options, const QString &outputPath,
                            const TWordFillData &data, bool legacyTemplate)
{
    FillWordDocument(doc, options, wordFields(data));
    const QString suffix = QFileInfo(outputPath).suffix().toLower();
    if (suffix == QLatin1String("pdf"))
        return saveAsPdf(doc, outputPath, data);
    if (legacyTemplate && IsLegacyWordOutput(suffix))
        saveAsLegacy(doc, outputPath, data);
    else
        doc.save(outputPath);
    return TWordFillResult::Written;
}

} // namespace

QString LegacyWordFormat(const QString &suffix)
{
    if (suffix == QLatin1String("rtf"))
        return QStringLiteral("rtf");
    return QStringLiteral("doc:MS Word 97");
}

bool IsLegacyWordOutput(const QString &suffix)
{
    return suffix == QLatin1String("doc") || suffix == QLatin1String("dot") || suffix == QLatin1String("rtf");
}

bool IsLegacyWordFile(const QString &path)
{
    // Only a ".doc" holds the legacy format; a ".docx" that is no package is a broken file, and
    // handing it to the converter would turn its bytes into a document of garbage.
    return !IsZipPackage(path) && QFileInfo(path).suffix().compare(QLatin1String("docx"), Qt::CaseInsensitive) != 0;
}

QString ConvertToDocx(const QString &path, const QString &folder, const QString &converter, int waitMs)
{
    if (converter.isEmpty())
        throw DokravaError(QStringLiteral("Для шаблонов .doc нужен LibreOffice"));
    const QString docx = ConvertDocument(path, QStringLiteral("docx:MS Word 2007 XML"), folder, converter, waitMs);
    if (docx.isEmpty())
        throw DokravaError(QStringLiteral("Не удалось открыть шаблон %1").arg(QDir::toNativeSeparators(path)));
    return docx;
}

TWordFillResult FillWordTemplate(const QString &templatePath, TReplaceOptions options,
                                 const QString &outputPath, const TWordFillData &data)
{
    if (!QFileInfo(templatePath).isFile()) {
        if (data.notice)
            data.notice(QStringLiteral("Файл шаблона не найден."));
        return TWordFillResult::TemplateMissing;
    }
    const bool legacyTemplate = IsLegacyWordFile(templatePath);
    std::unique_ptr<ScratchFolder> scratch;
    QString source = templatePath;
    if (legacyTemplate) {
        if (data.converter.isEmpty())
            throw DokravaError(QStringLiteral("Для шаблонов .doc нужен LibreOffice"));
        if (data.legacyConverted) {
            source = data.legacyConverted(templatePath);
        } else {
            scratch = scratchFolder();
            source = ConvertToDocx(templatePath, scratch->path(), data.converter, data.waitMs);
        }
    }
    std::unique_ptr<DocxDocument> doc;
    try {
        doc = std::make_unique<DocxDocument>(source);
    } catch (const DokravaError &) {
        return TWordFillResult::TemplateBroken;
    }
    return fillAndSave(*doc, options, outputPath, data, legacyTemplate);
}

