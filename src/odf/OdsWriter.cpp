#include "odf/OdsWriter.h"

#include "base/DokravaError.h"
#include "base/PendingFile.h"
#include "base/TextGrid.h"
#include "base/XmlEdit.h"
#include "odf/OdsTableRewrite.h"
#include "zip/ZipReader.h"
#include "zip/ZipWriter.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QXmlStreamReader>

namespace dokrava {

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

QByteArray contentXml(const TTextGrid &grid)
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
        for (int c = 0; c < grid.colCount(); ++c)
            s += QLatin1String("    ") + OdsTextCell(grid.cell(c, r)) + QLatin1Char('\n');
        s += QLatin1String("  </table:table-row>\n");
    }
    s += QLatin1String("</table:table></office:spreadsheet></office:body></office:document-content>");
    return kBom + s.toUtf8();
}

// True when the file exists and starts as a ZIP archive does. Anything else (a new name, an
// empty or foreign file) holds no sheets to keep and is written anew.
bool isPackage(const QString &path)
{
    if (!QFileInfo::exists(path))
        return false;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw DokravaError(QStringLiteral("Не удалось прочитать файл «%1»: %2")
                               .arg(QDir::toNativeSeparators(path), file.errorString()));
    return file.read(4) == QByteArray("PK\x03\x04", 4);
}

// The attributes an element of this writer's own content part may carry.
QStringList ownAttributes(QStringView element)
{
    if (element == u"office:document-content")
        return {QStringLiteral("office:version")};
    if (element == u"table:table")
        return {QStringLiteral("table:name")};
    if (element == u"table:table-cell")
        return {QStringLiteral("office:value-type")};
    if (element == u"office:body" || element == u"office:spreadsheet" || element == u"table:table-row"
        || element == u"text:p")
        return {QString()}; // none, but known
    return {};
}

// True when the content part holds what this writer writes and nothing else: one table of rows
// of text cells, no other sheet, style, formula or setting that writing anew would lose.
bool isOwnContent(const QByteArray &content)
{
    QXmlStreamReader xml(content);
    int tables = 0;
    int paragraphs = 0; // open text:p elements, the only place for text
    while (!xml.atEnd()) {
        switch (xml.readNext()) {
        case QXmlStreamReader::StartElement: {
            const QStringList allowed = ownAttributes(xml.qualifiedName());
            if (allowed.isEmpty() || paragraphs > 0)
                return false;
            for (const QXmlStreamAttribute &a : xml.attributes())
                if (!allowed.contains(a.qualifiedName().toString())
                    || (a.qualifiedName() == u"office:value-type" && a.value() != u"string"))
                    return false;
            tables += xml.qualifiedName() == u"table:table";
            paragraphs += xml.qualifiedName() == u"text:p";
            break;
        }
        case QXmlStreamReader::EndElement:
            paragraphs -= xml.qualifiedName() == u"text:p";
            break;
        case QXmlStreamReader::Characters:
            if (paragraphs == 0 && !xml.isWhitespace())
                return false;
            break;
        case QXmlStreamReader::StartDocument:
        case QXmlStreamReader::EndDocument:
            break;
        default: // comments, processing instructions, document types
            return false;
        }
    }
    return !xml.hasError() && tables == 1;
}

// The layout this writer makes itself, told by its three entries and by what the content holds:
// such a file is written anew as it always was. Three entries alone say little: another
// program's file of two sheets may have them too.
bool isOwnLayout(ZipReader &zip)
{
    QStringList names;
    for (int i = 0; i < zip.count(); ++i)
        names << zip.name(i);
    names.sort();
    if (names != QStringList({QStringLiteral("META-INF/manifest.xml"), QStringLiteral("content.xml"),
                              QStringLiteral("mimetype")}))
        return false;
    return isOwnContent(zip.data(zip.indexOf(QStringLiteral("content.xml"))));
}

void writeNew(const TTextGrid &grid, const QString &target)
{
    PendingFile pending(target);
    {
        ZipWriter zip(pending);
        zip.addData(QStringLiteral("mimetype"), QByteArray("application/vnd.oasis.opendocument.spreadsheet"),
                    ZipWriter::Stored);
        zip.addData(QStringLiteral("content.xml"), contentXml(grid), ZipWriter::Deflated);
        zip.addData(QStringLiteral("META-INF/manifest.xml"), manifestXml(), ZipWriter::Deflated);
        zip.close();
    }
    pending.commit();
}

// Every entry is copied in its order with its method and time; only content.xml changes. The
// package read (zip names target) is let go before the new one replaces it.
void writeSpliced(const TTextGrid &grid, ZipReader &zip, int contentIndex, const QString &target)
{
    const QByteArray old = zip.data(contentIndex);
    const QByteArray bom = old.startsWith(kBom) ? kBom : QByteArray();
    const QByteArray content = bom + RewriteFirstTable(XmlEdit::decode(old), grid).toUtf8();
    PendingFile pending(target);
    {
        ZipWriter out(pending);
        for (int i = 0; i < zip.count(); ++i) {
            const ZipWriter::Method method = zip.method(i) == 0 ? ZipWriter::Stored : ZipWriter::Deflated;
            out.addData(zip.name(i), i == contentIndex ? content : zip.data(i), method, zip.modified(i));
        }
        out.close();
    }
    zip.close();
    pending.commit();
}

} // namespace

bool SaveGridToODS(const TTextGrid &Grid, const QString &TargetFile)
{
    if (!QFileInfo(TargetFile).absoluteDir().exists())
        throw DokravaError(QStringLiteral("Не удалось создать файл «%1»: папка не существует")
                               .arg(QDir::toNativeSeparators(TargetFile)));
    if (!isPackage(TargetFile)) {
        writeNew(Grid, TargetFile);
        return true;
    }
    ZipReader zip(TargetFile);
    if (isOwnLayout(zip)) {
        zip.close();
        writeNew(Grid, TargetFile);
        return true;
    }
    const int content = zip.indexOf(QStringLiteral("content.xml"));
    try {
        if (content < 0)
            throw DokravaError(QStringLiteral("нет части content.xml"));
        writeSpliced(Grid, zip, content, TargetFile);
    } catch (const DokravaError &e) {
        throw DokravaError(QStringLiteral("Не удалось сохранить таблицу в файл «%1»: %2")
                               .arg(QDir::toNativeSeparators(TargetFile), e.message()));
    }
    return true;
}

} // namespace dokrava
