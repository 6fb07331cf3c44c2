#pragma once

#include "zip/Package.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QStringList>

#include <map>
#include <memory>

namespace dokrava {

class XmlNode;

// A Word document (.docx) held in memory as a Package: the main text and the header and footer
// parts are parsed when first used. Text is replaced as Word's find-and-replace would replace it (see WordText.h);
// parts never touched are written back byte for byte.
class DocxDocument
{
public:
    // Opens the package at path; throws DokravaError when it is not a readable Word document or
    // an entry is damaged (Package::verify).
    explicit DocxDocument(const QString &path);
    ~DocxDocument();

    DocxDocument(const DocxDocument &) = delete;
    DocxDocument &operator=(const DocxDocument &) = delete;

    // Replaces every occurrence of find (letter case ignored) in the main text, text boxes
    // included; only the first when all is false. Returns the number replaced.
    int replaceInMainText(const QString &find, const QString &value, bool all = true);

    // Replaces every occurrence of find in every header and footer part, tables included.
    int replaceInHeadersFooters(const QString &find, const QString &value);

    // Names between "[" and "]" in the main text, then the headers, then the footers, each once
    // (letter case ignored), in the order met.
    QStringList bracketedFields();

    // The paragraph texts of one part, as WordParagraphTexts gives them; none when the part is
    // absent. Throws DokravaError when the part is no readable XML.
    QStringList paragraphTexts(const QString &entryName);

    // Writes the package to path through a temporary file beside it, so a failed save never
    // leaves a half-written document under that name.
    void save(const QString &path) const;

    // Entry names of the header and footer parts, in the order of the main part's relationships.
    QStringList headerParts() const { return m_headers; }
    QStringList footerParts() const { return m_footers; }
    // Entry name of the main part ("word/document.xml" in every Word-written file).
    QString mainPart() const { return m_main; }

    // The parsed tree of one part (letter case of the name ignored), parsed on first use;
    // nullptr when absent.
    XmlNode *partTree(const QString &entryName) { return tree(entryName); }

    // The package as save() writes it.
    Package edited() const;
    // The package as save() writes it, before any edit: names the reader would refuse dropped.
    Package packageForSaving() const;

    // The current bytes of one entry (edited parts serialised); empty when absent.
    QByteArray partData(const QString &entryName) const;

    // Marks a part whose tree was edited through partTree(), so that it is written anew.
    void markEdited(const QString &entryName);

    // A copy with every part parsed so far copied as it stands; the package's bytes are shared.
    std::unique_ptr<DocxDocument> copy() const;

private:
    DocxDocument() = default;
    struct Part;
    // Index of the entry with this name, letter case ignored, or -1.
    int entry(const QString &name) const;
    XmlNode *tree(const QString &name);
    void readRelationships();
    static void dropUnsafeNames(Package &package);

    Package m_package;
    std::map<int, Part> m_parts; // parsed parts by entry index
    QString m_main;
    QStringList m_headers;
    QStringList m_footers;
};

} // namespace dokrava
