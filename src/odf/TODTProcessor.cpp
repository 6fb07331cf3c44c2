#include "odf/TODTProcessor.h"

#include "base/DokravaError.h"
#include "base/FailureReason.h"
#include "base/FieldFormat.h"
#include "base/PendingFile.h"
#include "base/ScratchFolder.h"
#include "base/XmlPartCheck.h"
#include "base/XmlNode.h"
#include "odf/FieldNames.h"
#include "odf/OdtLanguage.h"
#include "odf/OdsContentReader.h"
#include "zip/Package.h"
#include "zip/ZipFormat.h"
#include "zip/ZipReader.h"
#include "zip/ZipWriter.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <memory>
#include <vector>

namespace dokrava {

namespace {

const char *const kXmlParts[] = {"content.xml", "styles.xml"};

// Files below folder, depth first: each folder's entries by name, a subfolder walked where the
// listing meets it. Folders give no entry; links are never followed.
void listFiles(const QString &folder, const QString &relative, QStringList &out)
{
    const QDir dir(relative.isEmpty() ? folder : folder + QLatin1Char('/') + relative);
    const QFileInfoList entries = dir.entryInfoList(
        QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System | QDir::NoSymLinks,
        QDir::Name | QDir::IgnoreCase);
    for (const QFileInfo &fi : entries) {
        const QString name = relative.isEmpty() ? fi.fileName() : relative + QLatin1Char('/') + fi.fileName();
        if (fi.isDir())
            listFiles(folder, name, out);
        else if (fi.isFile())
            out.append(name);
    }
}

} // namespace

TODTProcessor::TODTProcessor()
    : FTempPath(DefaultTempPath())
{
}

QString TODTProcessor::GenerateUniqueName()
{
    return dokrava::GenerateUniqueName();
}

QString TODTProcessor::ReadXmlPart(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        throw DokravaError(QStringLiteral("Не удалось прочитать файл «%1»").arg(QDir::toNativeSeparators(path)));
    return XmlPartText(f.readAll());
}

void TODTProcessor::WriteXmlPart(const QString &path, const QString &text)
{
    QFile f(path);
    const QByteArray bytes = XmlPartBytes(text);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || !WriteWhole(f, bytes))
        throw DokravaError(QStringLiteral("Не удалось записать файл «%1»: %2").arg(QDir::toNativeSeparators(path), FailureReason(f)));
}

void TODTProcessor::UnzipToFolder(const QString &ZipFile, const QString &Folder)
{
    if (!QDir().mkpath(Folder))
        throw DokravaError(QStringLiteral("Не удалось создать папку «%1»").arg(QDir::toNativeSeparators(Folder)));
    ZipReader zip(ZipFile);
    for (int i = 0; i < zip.count(); ++i)
        zip.extractTo(i, Folder);
}

void TODTProcessor::ZipFolder(const QString &Folder, const QString &ZipFile)
{
    QStringList files;
    listFiles(Folder, QString(), files);
    const QFileInfo target(ZipFile);
    if (!target.absoluteDir().exists())
        throw DokravaError(QStringLiteral("Не удалось создать файл «%1»: папка не существует")
                               .arg(QDir::toNativeSeparators(ZipFile)));
    PendingFile pending(ZipFile);
    {
        ZipWriter zip(pending);
        // An OpenDocument package must open with its media type, uncompressed.
        if (files.removeAll(QStringLiteral("mimetype")) > 0)
            zip.addFile(Folder + QStringLiteral("/mimetype"), QStringLiteral("mimetype"), ZipWriter::Stored);
        for (const QString &name : files)
            zip.addFile(Folder + QLatin1Char('/') + name, name, ZipWriter::Deflated);
        zip.close();
    }
    pending.commit();
}

bool TODTProcessor::ProcessODTTemplate(const QString &TemplateFile, const QString &OutputFile,
                                       const TFieldValues &Data)
{
    return ProcessODTGroup(TemplateFile, OutputFile, QList<TFieldValues>{Data});
}

bool TODTProcessor::ProcessODTGroup(const QString &TemplateFile, const QString &OutputFile,
                                    const QList<TFieldValues> &Group)
{
    const Package package = FilledOdtGroup(TemplateFile, Group);
    if (!QFileInfo(OutputFile).absoluteDir().exists())
        throw DokravaError(QStringLiteral("Не удалось создать файл «%1»: папка не существует")
                               .arg(QDir::toNativeSeparators(OutputFile)));
    package.save(OutputFile);
    return true;
}

Package TODTProcessor::FilledOdtGroup(const QString &TemplateFile, const QList<TFieldValues> &Group)
{
    Package package(TemplateFile);
    CheckOdtTemplate(package);
    PrepareOdtPackage(package);
    const TLanguageRecords records = OdtLanguageRecords(Group);
    QList<int> entries;
    QStringList texts, names;
    std::vector<std::unique_ptr<XmlNode>> trees;
    bool language = false;
    for (const char *part : kXmlParts) {
        const int i = package.indexOf(QLatin1String(part));
        if (i < 0)
            continue;
        entries.append(i);
        texts.append(XmlPartText(package.data(i)));
        for (const TPlaceholderSpan &span : FindPlaceholders(texts.last()))
            names.append(span.name);
        std::unique_ptr<XmlNode> tree;
        if (OdtTextMayUseLanguage(texts.last())) {
            tree = OdtPartTree(texts.last(), QLatin1String(part));
            if (!OdtTreeUsesLanguage(tree.get(), records.fields))
                tree.reset();
        }
        language = language || tree;
        trees.push_back(std::move(tree));
    }
    TFieldValues all = Group.value(0);
    if (language) {
        TFieldValues extra;
        for (qsizetype k = 0; k < entries.size(); ++k)
            if (trees[size_t(k)])
                texts[k] = ExpandOdtPart(trees[size_t(k)].get(), package.name(entries[k]), records, extra);
        AddOdtTotals(names, records, extra);
        all += extra;
    }
    for (qsizetype k = 0; k < entries.size(); ++k)
        package.replace(entries[k], XmlPartBytes(ReplaceVariables(texts[k], all)));
    return package;
}

void TODTProcessor::CheckOdtTemplate(const Package &package)
{
    package.verify();
    for (const char *part : kXmlParts) {
        const int i = package.indexOf(QLatin1String(part));
        if (i >= 0)
            CheckWellFormedXml(Utf8XmlPartText(package.data(i), QLatin1String(part)), QLatin1String(part));
    }
}

void TODTProcessor::PrepareOdtPackage(Package &package)
{
    for (int i = package.count() - 1; i >= 0; --i) {
        // Refused as unpacking would refuse it: such a name could climb out of any folder.
        if (ZipReader::safeRelativePath(package.name(i)).isEmpty())
            throw DokravaError(QStringLiteral("Архив «%1» содержит запись с недопустимым именем «%2»")
                                   .arg(ZipFormat::shown(package.path()), package.name(i)));
        // A written package holds files only, as one packed from an unpacked folder does.
        if (package.isDir(i))
            package.remove(i);
    }
    // An OpenDocument package must open with its media type, uncompressed.
    const int mimetype = package.indexOf(QStringLiteral("mimetype"));
    if (mimetype >= 0) {
        if (package.method(mimetype) != ZipWriter::Stored)
            package.replace(mimetype, package.data(mimetype), ZipWriter::Stored);
        package.moveToFront(mimetype);
    }
}

QString TODTProcessor::XmlPartText(QByteArray bytes)
{
    if (bytes.startsWith("\xEF\xBB\xBF"))
        bytes.remove(0, 3);
    return QString::fromUtf8(bytes);
}

QByteArray TODTProcessor::XmlPartBytes(const QString &text)
{
    return QByteArray("\xEF\xBB\xBF") + text.toUtf8();
}

QStringList TODTProcessor::FindVariablesInODT(const QString &ODTFile)
{
    ScratchFolder scratch(FTempPath, QStringLiteral("Find_"));
    UnzipToFolder(ODTFile, scratch.path());
    QStringList found;
    for (const char *part : kXmlParts) {
        const QString path = scratch.filePath(QLatin1String(part));
        if (QFileInfo(path).isFile())
            CollectVariables(ReadXmlPart(path), found);
    }
    return SortFieldNames(PlainFieldNames(found, Qt::CaseSensitive));
}

void TODTProcessor::ParseODSContent(const QString &ODSFile, QStringList &Headers, QList<QStringList> &Rows)
{
    Headers.clear();
    Rows.clear();
    try {
        ScratchFolder scratch(FTempPath, QStringLiteral("ODS_"));
        UnzipToFolder(ODSFile, scratch.path());
        const QString content = scratch.filePath(QStringLiteral("content.xml"));
        if (!QFileInfo(content).isFile())
            throw DokravaError(QStringLiteral("Файл content.xml не найден в ODS"));
        OdsContentReader::Parse(ReadXmlPart(content), Headers, Rows);
    } catch (const DokravaError &e) {
        Headers.clear();
        Rows.clear();
        throw DokravaError(QStringLiteral("Ошибка парсинга ODS: ") + e.message());
    }
}

bool TODTProcessor::LoadODSToGrid(const QString &ODSFile, QStringList &Headers, QList<QStringList> &Rows)
{
    Headers.clear();
    Rows.clear();
    ParseODSContent(ODSFile, Headers, Rows);
    return true;
}

} // namespace dokrava
