#include "office/ConvertedFile.h"

#include "base/DokravaError.h"
#include "base/LibraryFileName.h"
#include "zip/ZipReader.h"

#include <QFile>
#include <QFileInfo>

#include <freexl.h>

namespace dokrava {

namespace {

bool opensAsZip(const QString &path)
{
    try {
        ZipReader zip(path);
        return zip.count() > 0;
    } catch (const DokravaError &) {
        return false;
    }
}

bool opensAsXls(const QString &path)
{
    const void *handle = nullptr;
    const int rc = freexl_open(LibraryFileName(path).constData(), &handle);
    if (handle)
        freexl_close(handle);
    return rc == FREEXL_OK;
}

bool hasCompoundSignature(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) && f.size() >= 512
           && f.read(8) == QByteArray("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8);
}

} // namespace

namespace ConvertedFile {

bool isCompletePdf(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly) || f.read(5) != "%PDF-")
        return false;
    // The trailer marker may be followed by a line end or a few bytes of padding.
    const qint64 tail = std::min<qint64>(f.size(), 1024);
    return f.seek(f.size() - tail) && f.read(tail).contains("%%EOF");
}

bool isComplete(const QString &path)
{
    const QFileInfo info(path);
    if (!info.isFile() || info.size() == 0)
        return false;
    const QString ext = info.suffix().toLower();
    if (ext == QLatin1String("pdf"))
        return isCompletePdf(path);
    if (ext == QLatin1String("docx") || ext == QLatin1String("xlsx") || ext == QLatin1String("odt")
        || ext == QLatin1String("ods"))
        return opensAsZip(path);
    if (ext == QLatin1String("xls"))
        return opensAsXls(path);
    if (ext == QLatin1String("doc"))
        return hasCompoundSignature(path);
    return true;
}

QString name(const QString &source, const QString &format)
{
    return QFileInfo(source).completeBaseName() + QLatin1Char('.') + format.section(QLatin1Char(':'), 0, 0);
}

} // namespace ConvertedFile

} // namespace dokrava
