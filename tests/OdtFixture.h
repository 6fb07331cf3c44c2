#pragma once

#include "zip/ZipWriter.h"

#include <QString>

using namespace dokrava;

// Writes small ".odt" packages.
namespace OdtFixture {

// An ".odt" package of these parts; styles.xml only when styles is not empty.
inline void writePackage(const QString &path, const QByteArray &content, const QByteArray &styles = {})
{
    const QByteArray stylesEntry =
        styles.isEmpty() ? QByteArray()
                         : "<manifest:file-entry manifest:full-path=\"styles.xml\" manifest:media-type=\"text/xml\"/>";
    ZipWriter zip(path);
    zip.addData(QStringLiteral("mimetype"), "application/vnd.oasis.opendocument.text", ZipWriter::Stored);
    zip.addData(QStringLiteral("META-INF/manifest.xml"),
                "<?xml version=\"1.0\" encoding=\"UTF-8\"?>"
                "<manifest:manifest xmlns:manifest=\"urn:oasis:names:tc:opendocument:xmlns:manifest:1.0\" manifest:version=\"1.2\">"
                "<manifest:file-entry manifest:full-path=\"/\" manifest:media-type=\"application/vnd.oasis.opendocument.text\"/>"
                "<manifest:file-entry manifest:full-path=\"content.xml\" manifest:media-type=\"text/xml\"/>"
                    + stylesEntry + "</manifest:manifest>",
                ZipWriter::Deflated);
    zip.addData(QStringLiteral("content.xml"), content, ZipWriter::Deflated);
    if (!styles.isEmpty())
        zip.addData(QStringLiteral("styles.xml"), styles, ZipWriter::Deflated);
    zip.close();
}

// An ".odt" whose body holds one paragraph of text.
inline void write(const QString &path, const QString &text)
{
    writePackage(path, "<?xml version=\"1.0\" encoding=\"UTF-8\"?>"
                       "<office:document-content xmlns:office=\"urn:oasis:names:tc:opendocument:xmlns:office:1.0\""
                       " xmlns:text=\"urn:oasis:names:tc:opendocument:xmlns:text:1.0\" office:version=\"1.2\">"
                       "<office:body><office:text><text:p>"
                           + text.toUtf8() + "</text:p></office:text></office:body></office:document-content>");
}

} // namespace OdtFixture
