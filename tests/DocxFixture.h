#pragma once

#include "zip/ZipWriter.h"

#include <QByteArray>
#include <QString>

using namespace dokrava;

// Builds small Word packages for the tests: a body, one header and one footer, each given as the
// inner XML of its root element.
namespace DocxFixture {

inline QByteArray part(const char *root, const QString &inner)
{
    return QByteArray("<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\r\n<w:") + root
           + " xmlns:w=\"http://schemas.openxmlformats.org/wordprocessingml/2006/main\""
             " xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\">"
           + inner.toUtf8() + "</w:" + root + ">";
}

inline QString para(const QString &text)
{
    return QStringLiteral("<w:p><w:r><w:t xml:space=\"preserve\">") + text + QStringLiteral("</w:t></w:r></w:p>");
}

inline void write(const QString &path, const QString &body, const QString &header = QString(),
                  const QString &footer = QString())
{
    ZipWriter zip(path);
    zip.addData(QStringLiteral("[Content_Types].xml"),
                "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\r\n"
                "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
                "<Default Extension=\"rels\" ContentType=\"application/vnd.openxmlformats-package.relationships+xml\"/>"
                "<Default Extension=\"xml\" ContentType=\"application/xml\"/>"
                "<Override PartName=\"/word/document.xml\" ContentType=\"application/vnd.openxmlformats-officedocument.wordprocessingml.document.main+xml\"/>"
                "<Override PartName=\"/word/header1.xml\" ContentType=\"application/vnd.openxmlformats-officedocument.wordprocessingml.header+xml\"/>"
                "<Override PartName=\"/word/footer1.xml\" ContentType=\"application/vnd.openxmlformats-officedocument.wordprocessingml.footer+xml\"/>"
                "</Types>",
                ZipWriter::Deflated);
    zip.addData(QStringLiteral("_rels/.rels"),
                "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\r\n"
                "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
                "<Relationship Id=\"rId1\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument\" Target=\"word/document.xml\"/>"
                "</Relationships>",
                ZipWriter::Deflated);
    zip.addData(QStringLiteral("word/_rels/document.xml.rels"),
                "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\r\n"
                "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
                "<Relationship Id=\"rId7\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/footer\" Target=\"footer1.xml\"/>"
                "<Relationship Id=\"rId6\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/header\" Target=\"header1.xml\"/>"
                "</Relationships>",
                ZipWriter::Deflated);
    zip.addData(QStringLiteral("word/document.xml"),
                part("document", QStringLiteral("<w:body>") + body
                                     + QStringLiteral("<w:sectPr><w:headerReference w:type=\"default\" r:id=\"rId6\"/>"
                                                      "<w:footerReference w:type=\"default\" r:id=\"rId7\"/></w:sectPr></w:body>")),
                ZipWriter::Deflated);
    zip.addData(QStringLiteral("word/header1.xml"), part("hdr", header.isEmpty() ? para(QString()) : header),
                ZipWriter::Deflated);
    zip.addData(QStringLiteral("word/footer1.xml"), part("ftr", footer.isEmpty() ? para(QString()) : footer),
                ZipWriter::Stored);
    zip.close();
}

} // namespace DocxFixture
