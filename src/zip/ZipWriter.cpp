#include "zip/ZipWriter.h"

#include "base/DokravaError.h"
#include "base/FailureReason.h"
#include "base/PendingFile.h"
#include "zip/Deflater.h"
#include "zip/ZipEntry.h"
#include "zip/ZipFormat.h"

#include <QFile>
#include <QFileInfo>
#include <QList>

#include <zlib.h>

#include <limits>

namespace dokrava {

using namespace ZipFormat;

namespace {

constexpr uint16_t kVersion = 20; // version 2.0, host byte 0 (MS-DOS and compatible)

QByteArray rawDeflate(const QByteArray &data, const QString &archive)
{
    QByteArray out;
    if (!Deflater::compressReusing(data.constData(), data.size(), Deflater::Final, out))
        throw DokravaError(QStringLiteral("Не удалось сжать данные для архива «%1»").arg(shown(archive)));
    return out;
}

} // namespace

struct ZipWriter::Private
{
    QString path; // as shown in messages
    QFile file;
    QByteArray *memory = nullptr; // the archive's destination when it is kept in memory
    // The archive is built here and reaches its file in one write at close().
    QByteArray bytes;
    QList<ZipEntry> entries;
    bool closed = false;

    [[noreturn]] void writeFailed() const
    {
        throw DokravaError(QStringLiteral("Не удалось записать архив «%1»: %2").arg(shown(path), FailureReason(file)));
    }
    void write(const QByteArray &data) { bytes.append(data); }
    void writeOut();
    QByteArray localHeader(const ZipEntry &e) const;
    void writeEntry(const QString &entryName, const ZipReader::StoredEntry &stored, const QDateTime &modified);
    QByteArray centralHeader(const ZipEntry &e) const;
};

QByteArray ZipWriter::Private::localHeader(const ZipEntry &e) const
{
    const QByteArray name = e.name.toUtf8();
    QByteArray h;
    h.reserve(kLocalHeaderSize + name.size());
    put32(h, kLocalHeaderSig);
    PutZipSharedFields(h, e, kVersion, uint16_t(name.size()), 0);
    h.append(name);
    return h;
}

QByteArray ZipWriter::Private::centralHeader(const ZipEntry &e) const
{
    const QByteArray name = e.name.toUtf8();
    QByteArray h;
    h.reserve(kCentralHeaderSize + name.size());
    put32(h, kCentralHeaderSig);
    put16(h, kVersion); // made by
    PutZipSharedFields(h, e, kVersion, uint16_t(name.size()), 0);
    put16(h, 0); // comment
    put16(h, 0); // disk
    put16(h, 0); // internal attributes
    put32(h, name.endsWith('/') ? 0x10 : 0); // folder attribute for folder entries
    put32(h, e.localOffset);
    h.append(name);
    return h;
}

ZipWriter::ZipWriter(const QString &path)
    : ZipWriter(path, path)
{
}

ZipWriter::ZipWriter(const PendingFile &pending)
    : ZipWriter(pending.path(), pending.target())
{
}

ZipWriter::ZipWriter(const QString &path, const QString &shownAs)
    : d(new Private)
{
    d->path = shownAs;
    d->file.setFileName(path);
    if (!d->file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        const QString reason = FailureReason(d->file);
        delete d;
        throw DokravaError(QStringLiteral("Не удалось создать архив «%1»: %2").arg(shown(shownAs), reason));
    }
}

ZipWriter::ZipWriter(QByteArray *out, const QString &shownAs)
    : d(new Private)
{
    d->path = shownAs;
    d->memory = out;
}

ZipWriter::~ZipWriter()
{
    delete d;
}

void ZipWriter::addFile(const QString &filePath, const QString &entryName, Method method)
{
    QFile in(filePath);
    if (!in.open(QIODevice::ReadOnly))
        throw DokravaError(QStringLiteral("Не удалось прочитать файл «%1»").arg(shown(filePath)));
    const QByteArray bytes = in.readAll();
    if (in.error() != QFileDevice::NoError)
        throw DokravaError(QStringLiteral("Не удалось прочитать файл «%1»").arg(shown(filePath)));
    addData(entryName, bytes, method, QFileInfo(filePath).lastModified());
}

void ZipWriter::addData(const QString &entryName, const QByteArray &data, Method method,
                        const QDateTime &modified)
{
    if (data.size() > std::numeric_limits<uint32_t>::max())
        throw DokravaError(QStringLiteral("Запись «%1» не помещается в архив «%2»").arg(entryName, shown(d->path)));
    d->writeEntry(entryName, storedForm(data, method, d->path), modified);
}

ZipReader::StoredEntry ZipWriter::storedForm(const QByteArray &data, Method method, const QString &archive)
{
    if (data.size() > std::numeric_limits<uint32_t>::max())
        throw DokravaError(QStringLiteral("Запись не помещается в архив «%1»").arg(shown(archive)));
    const QByteArray stored = method == Deflated ? rawDeflate(data, archive) : data;
    return {method, crc32(0, data.constData(), data.size()), data.size(), stored};
}

void ZipWriter::addStored(const QString &entryName, const ZipReader::StoredEntry &entry, const QDateTime &modified)
{
    d->writeEntry(entryName, entry, modified);
}

void ZipWriter::Private::writeEntry(const QString &entryName, const ZipReader::StoredEntry &stored,
                                    const QDateTime &modified)
{
    if (closed)
        throw DokravaError(QStringLiteral("Архив «%1» уже закрыт").arg(shown(path)));
    if (entries.size() >= kMaxEntries)
        throw DokravaError(QStringLiteral("В архив «%1» нельзя добавить больше 65 535 записей").arg(shown(path)));
    const qsizetype nameLength = entryName.toUtf8().size();
    const qint64 offset = bytes.size();
    if (nameLength == 0 || nameLength > 0xffff || stored.size > std::numeric_limits<uint32_t>::max()
        || stored.bytes.size() > std::numeric_limits<uint32_t>::max() || offset > std::numeric_limits<uint32_t>::max())
        throw DokravaError(QStringLiteral("Запись «%1» не помещается в архив «%2»").arg(entryName, shown(path)));
    ZipEntry e;
    e.name = entryName;
    e.flags = kFlagUtf8;
    e.method = uint16_t(stored.method);
    toDos(modified, e.dosDate, e.dosTime);
    e.crc = stored.crc;
    e.size = uint32_t(stored.size);
    e.compressedSize = uint32_t(stored.bytes.size());
    e.localOffset = uint32_t(offset);
    write(localHeader(e));
    write(stored.bytes);
    entries.append(e);
}

void ZipWriter::close()
{
    if (d->closed)
        return;
    const qint64 dirOffset = d->bytes.size();
    QByteArray dir;
    for (const ZipEntry &e : d->entries)
        dir.append(d->centralHeader(e));
    if (dirOffset + dir.size() > std::numeric_limits<uint32_t>::max())
        throw DokravaError(QStringLiteral("Архив «%1» слишком велик").arg(shown(d->path)));
    QByteArray end;
    put32(end, kEndOfCentralDirSig);
    put16(end, 0);
    put16(end, 0);
    put16(end, uint16_t(d->entries.size()));
    put16(end, uint16_t(d->entries.size()));
    put32(end, uint32_t(dir.size()));
    put32(end, uint32_t(dirOffset));
    put16(end, 0);
    d->write(dir);
    d->write(end);
    d->closed = true;
    d->writeOut();
}

void ZipWriter::Private::writeOut()
{
    if (memory) {
        *memory = std::move(bytes);
        return;
    }
    if (!WriteWhole(file, bytes))
        writeFailed();
    bytes.clear();
    file.close();
    if (file.error() != QFileDevice::NoError)
        writeFailed();
}

} // namespace dokrava
