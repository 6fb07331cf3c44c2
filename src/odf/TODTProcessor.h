#pragma once

#include "odf/OdtText.h"

#include <QList>
#include <QString>
#include <QStringList>

namespace dokrava {

// The OpenDocument processor: fills ".odt" templates, lists their fields and reads ".ods" tables.
// A caller makes one per use. Each operation unpacks the package into its own scratch folder
// (FTempPath + operation prefix + unique name) and removes it at its end, success or failure.
// Failures throw DokravaError.
class Package;

class TODTProcessor
{
public:
    // Sets FTempPath to DefaultTempPath() (this process's folder under "temp"); creates nothing.
    TODTProcessor();

    // Prefix of every scratch folder this processor makes.
    QString FTempPath;

    // Fills every [Field] of Data in "content.xml" and "styles.xml" and writes OutputFile
    // (replaced only once complete; it may equal TemplateFile). Works on the package in memory:
    // the entries it does not fill are copied as they were stored. A template CheckOdtTemplate
    // refuses is not filled (DokravaError). Returns true when written.
    bool ProcessODTTemplate(const QString &TemplateFile, const QString &OutputFile, const TFieldValues &Data);

    // The same for a group of records (see OdtLanguage.h): the first gives the plain fields,
    // every one a line of the document.
    bool ProcessODTGroup(const QString &TemplateFile, const QString &OutputFile, const QList<TFieldValues> &Group);

    // The package ProcessODTGroup writes, filled in memory.
    static Package FilledOdtGroup(const QString &TemplateFile, const QList<TFieldValues> &Group);

    // The placeholder names of the template's body and styles, sorted (SortFieldNames); a field
    // used with a format ("[Сумма:прописью]") is listed under its own name.
    QStringList FindVariablesInODT(const QString &ODTFile);

    // Reads the first sheet of a spreadsheet: Headers in column order, one list per record with a
    // value per header. Errors carry the prefix "Ошибка парсинга ODS: ". Returns true.
    bool LoadODSToGrid(const QString &ODSFile, QStringList &Headers, QList<QStringList> &Rows);

    // The reading behind LoadODSToGrid; Headers and Rows are left empty on failure.
    void ParseODSContent(const QString &ODSFile, QStringList &Headers, QList<QStringList> &Rows);

    // A fresh UUID, 38 characters with braces, upper-case.
    static QString GenerateUniqueName();

    // Unpacks every entry of ZipFile into Folder (created when missing); hostile names are refused.
    void UnzipToFolder(const QString &ZipFile, const QString &Folder);

    // Packs every file under Folder into ZipFile: a root "mimetype" first and stored, the rest
    // deflated in walk order. ZipFile is replaced only once the new archive is complete.
    void ZipFolder(const QString &Folder, const QString &ZipFile);

    // The text of an XML part: UTF-8, a leading byte-order mark skipped.
    static QString ReadXmlPart(const QString &path);
    // Writes an XML part as UTF-8 preceded by a byte-order mark.
    static void WriteXmlPart(const QString &path, const QString &text);
    // The text of an XML part's bytes, a leading byte-order mark skipped.
    static QString XmlPartText(QByteArray bytes);
    // An XML part's bytes: UTF-8 preceded by a byte-order mark.
    static QByteArray XmlPartBytes(const QString &text);

    // Throws DokravaError with the reason when a template cannot be filled into a sound document:
    // an entry that fails to inflate or its CRC-32, a name written twice, or a "content.xml" or
    // "styles.xml" that is not UTF-8 or not well-formed XML.
    static void CheckOdtTemplate(const Package &package);

    // Lays a package out as a written document has it: names that could leave a folder are
    // refused (DokravaError), folder entries dropped, "mimetype" first and stored.
    static void PrepareOdtPackage(Package &package);
};

} // namespace dokrava
