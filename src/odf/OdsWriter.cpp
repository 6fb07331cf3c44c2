#include "odf/OdsWriter.h"

#include "odf/OdtText.h"
#include "odf/PendingFile.h"
#include "odf/ZipWriter.h"
#include "shell/DokravaError.h"
#include "table/TGridModel.h"

#include <QDir>
#include <QFileInfo>

namespace {

const QByteArray kBom("\xEF\xBB\xBF");

QByteArray manifestXml()
{
    return kBom
           + "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
             "<manifest:manifest xmlns:manifest=\"urn:oasis:names:tc:opendocument:xmlns:manifest:1.0\" "
             "manifest:version=\"1.2\">\n"
             "  <manifest:file-entry manifest:full-path=\"/\" manifest:version=\"1.2\" "
             "manifest:media-type=\"application/vnd.oasis.opendocument.spreadsheet\"/>\n"
             "  <manifest:file-entry manifest:full-path=\"content.xml\" manifest:media-type=\"text/xml\"/>\n"
             "</manifest:manifest>";
}

QByteArray contentXml(const TGridModel &grid)
{
    QString s;
    s += QStringLiteral(
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        "<office:document-content xmlns:office=\"urn:oasis:names:tc:opendocument:xmlns:office:1.0\" "
        "xmlns:table=\"urn:oasis:names:tc:opendocument:xmlns:table:1.0\" "
        "xmlns:text=\"urn:oasis:names:tc:opendocument:xmlns:text:1.0\" office:version=\"1.2\">\n"
        "<office:body><office:spreadsheet>\n"
        "<table:table table:name=\"Sheet1\">\n");
    for (int r = 0; r < grid.rowCount(); ++r) {
        s += QLatin1String("  <table:table-row>\n");
        for (int c = 0; c < grid.colCount(); ++c) {
            // Characters XML forbids would make the whole file unreadable: they are dropped. A
            // raw carriage return would come back as a line feed, so it is written as a reference.
            s += QLatin1String("    <table:table-cell office:value-type=\"string\"><text:p>");
            s += EscapeXML(DropForbiddenXmlChars(grid.cell(c, r))).replace(QLatin1Char('\r'), QLatin1String("&#13;"));
            s += QLatin1String("</text:p></table:table-cell>\n");
        }
        s += QLatin1String("  </table:table-row>\n");
    }
    s += QLatin1String("</table:table></office:spreadsheet></office:body></office:document-content>");
    return kBom + s.toUtf8();
}

} // namespace

bool SaveGridToODS(const TGridModel &Grid, const QString &TargetFile)
{
    if (!QFileInfo(TargetFile).absoluteDir().exists())
        throw DokravaError(QStringLiteral("Не удалось создать файл «%1»: папка не существует")
                               .arg(QDir::toNativeSeparators(TargetFile)));
    PendingFile pending(TargetFile);
    {
        ZipWriter zip(pending.path());
        zip.addData(QStringLiteral("mimetype"), QByteArray("application/vnd.oasis.opendocument.spreadsheet"),
                    ZipWriter::Stored);
        zip.addData(QStringLiteral("content.xml"), contentXml(Grid), ZipWriter::Deflated);
        zip.addData(QStringLiteral("META-INF/manifest.xml"), manifestXml(), ZipWriter::Deflated);
        zip.close();
    }
    pending.commit();
    return true;
}
