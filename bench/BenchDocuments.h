#pragma once

#include "zip/ZipWriter.h"

#include <QByteArray>
#include <QString>

using namespace dokrava;

// Small documents the benchmarks write as templates.
namespace BenchDocuments {

// A ".docx" whose main text holds body (the content of w:body).
inline void writeDocx(const QString &path, const QByteArray &body)
{
    ZipWriter zip(path);
    zip.addData(QStringLiteral("[Content_Types].xml"),
                "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
                "<Default Extension=\"rels\" ContentType=\"application/vnd.openxmlformats-package.relationships+xml\"/>"
                "<Override PartName=\"/word/document.xml\" ContentType=\"application/vnd.openxmlformats-officedocument.wordprocessingml.document.main+xml\"/>"
                "</Types>",
                ZipWriter::Deflated);
    zip.addData(QStringLiteral("_rels/.rels"),
                "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
                "<Relationship Id=\"rId1\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument\" Target=\"word/document.xml\"/>"
                "</Relationships>",
                ZipWriter::Deflated);
    zip.addData(QStringLiteral("word/document.xml"),
                "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\r\n<w:document "
                "xmlns:w=\"http://schemas.openxmlformats.org/wordprocessingml/2006/main\" "
                "xmlns:w14=\"http://schemas.microsoft.com/office/word/2010/wordml\"><w:body>"
                    + body + "</w:body></w:document>",
                ZipWriter::Deflated);
    zip.close();
}

// An ".odt" whose text holds text (the content of office:text).
inline void writeOdt(const QString &path, const QByteArray &text)
{
    ZipWriter zip(path);
    zip.addData(QStringLiteral("mimetype"), "application/vnd.oasis.opendocument.text", ZipWriter::Stored);
    zip.addData(QStringLiteral("content.xml"),
                "<?xml version=\"1.0\" encoding=\"UTF-8\"?><office:document-content "
                "xmlns:office=\"urn:oasis:names:tc:opendocument:xmlns:office:1.0\" "
                "xmlns:text=\"urn:oasis:names:tc:opendocument:xmlns:text:1.0\" "
                "xmlns:table=\"urn:oasis:names:tc:opendocument:xmlns:table:1.0\"><office:body><office:text>"
                    + text + "</office:text></office:body></office:document-content>",
                ZipWriter::Deflated);
    zip.close();
}

} // namespace BenchDocuments
