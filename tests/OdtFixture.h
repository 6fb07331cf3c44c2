#pragma once

#include "zip/ZipWriter.h"

#include <QString>

using namespace dokrava;

// Writes a small ".odt" package whose body holds the given paragraphs of text.
namespace OdtFixture {

inline void write(const QString &path, const QString &text)
{
    ZipWriter zip(path);
    zip.addData(QStringLiteral("mimetype"), "application/vnd.oasis.opendocument.text", ZipWriter::Stored);
    zip.addData(QStringLiteral("META-INF/manifest.xml"),
                "<?xml version=\"1.0\" encoding=\"UTF-8\"?>"
                "<manifest:manifest xmlns:manifest=\"urn:oasis:names:tc:opendocument:xmlns:manifest:1.0\" manifest:version=\"1.2\">"
                "<manifest:file-entry manifest:full-path=\"/\" manifest:media-type=\"application/vnd.oasis.opendocument.text\"/>"
                "<manifest:file-entry manifest:full-path=\"content.xml\" manifest:media-type=\"text/xml\"/>"
                "</manifest:manifest>",
                ZipWriter::Deflated);
    zip.addData(QStringLiteral("content.xml"),
                "<?xml version=\"1.0\" encoding=\"UTF-8\"?>"
                "<office:document-content xmlns:office=\"urn:oasis:names:tc:opendocument:xmlns:office:1.0\""
                " xmlns:text=\"urn:oasis:names:tc:opendocument:xmlns:text:1.0\" office:version=\"1.2\">"
                "<office:body><office:text><text:p>"
                    + text.toUtf8() + "</text:p></office:text></office:body></office:document-content>",
                ZipWriter::Deflated);
    zip.close();
}

} // namespace OdtFixture
