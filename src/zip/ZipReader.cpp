#include "zip/ZipReader.h"

#include "base/DokravaError.h"
#include "zip/ZipEntry.h"
#include "zip/ZipFormat.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>

#include <zlib.h>

#include <algorithm>
#include <functional>

namespace dokrava {

using namespace ZipFormat;

namespace {

constexpr qint64 kChunk = 64 * 1024;
constexpr qint64 kMinInflateLimit = 64LL * 1024 * 1024;
constexpr qint64 kMaxInflateLimit = 1024LL * 1024 * 1024;
constexpr qint64 kBombRatio = 100;

using Entry = ZipEntry;

using Sink = std::function<void(const char *, qsizetype)>;

// Frees the zlib state on every way out of an inflation.
struct InflateGuard
{
    z_stream *stream;
    ~InflateGuard() { inflateEnd(stream); }
};

} // namespace

struct ZipReader::Private
{
    QString path;
    QFile file;
    qint64 fileSize = 0;
    QList<Entry> entries;
    QList<qint64> inflated; // bytes produced so far per entry, for the size budget
    qint64 inflatedTotal = 0; // their sum
    QHash<QString, int> index;
    qint64 inflateLimit = kMaxInflateLimit;

    [[noreturn]] void damaged(const QString &detail) const;
    [[noreturn]] void damagedEntry(const Entry &e, const QString &detail) const;
    QByteArray readAt(qint64 offset, qint64 size) const;
    qint64 findEndOfCentralDirectory() const;
    void readDirectory();
    int readCentralHeader(const QByteArray &dir, int pos);
    void checkDeclaredSizes() const;
    qint64 dataOffset(const Entry &e) const;
    void account(int i, qint64 produced);
    void copyStored(int i, qint64 offset, const Sink &sink);
    void inflateEntry(int i, qint64 offset, const Sink &sink);
    void readEntry(int i, const Sink &sink);
};

void ZipReader::Private::damaged(const QString &detail) const
{
    throw DokravaError(QStringLiteral("Архив «%1» повреждён: %2").arg(shown(path), detail));
}

void ZipReader::Private::damagedEntry(const Entry &e, const QString &detail) const
{
    damaged(QStringLiteral("запись «%1» %2").arg(e.name, detail));
}

QByteArray ZipReader::Private::readAt(qint64 offset, qint64 size) const
{
    QFile &f = const_cast<QFile &>(file);
    if (offset < 0 || size < 0 || offset + size > fileSize || !f.seek(offset))
        damaged(QStringLiteral("данные обрываются раньше времени"));
    QByteArray bytes = f.read(size);
    if (bytes.size() != size)
        throw DokravaError(QStringLiteral("Не удалось прочитать файл «%1»").arg(shown(path)));
    return bytes;
}

qint64 ZipReader::Private::findEndOfCentralDirectory() const
{
    // The record sits at the very end, followed only by a comment of at most 65 535 bytes.
    const qint64 tailSize = std::min<qint64>(fileSize, kEndOfCentralDirSize + 65535);
    if (tailSize < kEndOfCentralDirSize)
        return -1;
    const QByteArray tail = readAt(fileSize - tailSize, tailSize);
    // The comment may itself hold the signature: prefer the record whose comment ends the file.
    qint64 fallback = -1;
    for (qint64 pos = tailSize - kEndOfCentralDirSize; pos >= 0; --pos) {
        if (get32(tail.constData() + pos) != kEndOfCentralDirSig)
            continue;
        if (pos + kEndOfCentralDirSize + get16(tail.constData() + pos + 20) == tailSize)
            return fileSize - tailSize + pos;
        if (fallback < 0)
            fallback = fileSize - tailSize + pos;
    }
    return fallback;
}

void ZipReader::Private::readDirectory()
{
    const qint64 eocd = findEndOfCentralDirectory();
    if (eocd < 0)
        throw DokravaError(QStringLiteral("Файл «%1» не является архивом ZIP").arg(shown(path)));
    const QByteArray rec = readAt(eocd, kEndOfCentralDirSize);
    const uint16_t declaredCount = get16(rec.constData() + 10);
    const uint32_t dirSize = get32(rec.constData() + 12);
    const uint32_t dirOffset = get32(rec.constData() + 16);
    if (eocd >= 20 && get32(readAt(eocd - 20, 4).constData()) == kZip64LocatorSig)
        throw DokravaError(QStringLiteral("Архив «%1» записан в формате ZIP64, который не поддерживается")
                               .arg(shown(path)));
    if (qint64(dirOffset) + dirSize > eocd)
        damaged(QStringLiteral("центральный каталог выходит за пределы файла"));
    const QByteArray dir = readAt(dirOffset, dirSize);
    int pos = 0;
    while (pos < dir.size()) {
        if (entries.size() >= kMaxEntries)
            throw DokravaError(QStringLiteral("Архив «%1» содержит больше 65 535 записей").arg(shown(path)));
        pos = readCentralHeader(dir, pos);
    }
    if (entries.size() != declaredCount)
        damaged(QStringLiteral("число записей не совпадает с оглавлением"));
    inflated.fill(0, entries.size());
}

int ZipReader::Private::readCentralHeader(const QByteArray &dir, int pos)
{
    const char *p = dir.constData() + pos;
    if (dir.size() - pos < kCentralHeaderSize || get32(p) != kCentralHeaderSig)
        damaged(QStringLiteral("центральный каталог не читается"));
    Entry e;
    GetZipSharedFields(p + 6, e);
    const int nameLen = get16(p + 28), extraLen = get16(p + 30), commentLen = get16(p + 32);
    e.localOffset = get32(p + 42);
    const qint64 end = qint64(pos) + kCentralHeaderSize + nameLen + extraLen + commentLen;
    if (end > dir.size())
        damaged(QStringLiteral("центральный каталог не читается"));
    const QByteArray raw(p + kCentralHeaderSize, nameLen);
    e.name = (e.flags & kFlagUtf8) ? QString::fromUtf8(raw) : fromCp437(raw);
    // The Info-ZIP Unicode Path field counts only while it describes the very name stored beside it.
    const char *x = p + kCentralHeaderSize + nameLen;
    for (int k = 0; k + 4 <= extraLen;) {
        const uint16_t id = get16(x + k), len = get16(x + k + 2);
        if (k + 4 + len > extraLen)
            break;
        if (id == kUnicodePathExtraId && len >= 5 && x[k + 4] == 1
            && get32(x + k + 5) == crc32(0, raw.constData(), raw.size()))
            e.name = QString::fromUtf8(x + k + 9, len - 5);
        k += 4 + len;
    }
    if (!index.contains(e.name))
        index.insert(e.name, int(entries.size()));
    entries.append(e);
    return int(end);
}

void ZipReader::Private::checkDeclaredSizes() const
{
    qint64 total = 0;
    for (const Entry &e : entries)
        total += e.size;
    if (total > inflateLimit)
        throw DokravaError(QStringLiteral("Архив «%1» распаковывается в слишком большой объём данных")
                               .arg(shown(path)));
}

qint64 ZipReader::Private::dataOffset(const Entry &e) const
{
    const QByteArray local = readAt(e.localOffset, kLocalHeaderSize);
    if (get32(local.constData()) != kLocalHeaderSig)
        damagedEntry(e, QStringLiteral("не найдена на своём месте"));
    const qint64 start = qint64(e.localOffset) + kLocalHeaderSize + get16(local.constData() + 26)
                         + get16(local.constData() + 28);
    if (start + e.compressedSize > fileSize)
        damagedEntry(e, QStringLiteral("обрывается раньше времени"));
    return start;
}

void ZipReader::Private::account(int i, qint64 produced)
{
    // Sizes are counted as they come out of inflation: headers may lie.
    if (produced > entries[i].size)
        damagedEntry(entries[i], QStringLiteral("длиннее, чем указано в оглавлении"));
    // A running total: summing every entry per chunk made reading a large archive quadratic.
    const qint64 total = inflatedTotal - inflated[i] + produced;
    if (total > inflateLimit)
        throw DokravaError(QStringLiteral("Архив «%1» распаковывается в слишком большой объём данных")
                               .arg(shown(path)));
    inflated[i] = produced;
    inflatedTotal = total;
}

void ZipReader::Private::copyStored(int i, qint64 offset, const Sink &sink)
{
    const Entry &e = entries[i];
    if (e.compressedSize != e.size)
        damagedEntry(e, QStringLiteral("имеет неверный размер"));
    qint64 done = 0;
    while (done < e.size) {
        const QByteArray chunk = readAt(offset + done, std::min<qint64>(kChunk, e.size - done));
        done += chunk.size();
        account(i, done);
        sink(chunk.constData(), chunk.size());
    }
}

void ZipReader::Private::inflateEntry(int i, qint64 offset, const Sink &sink)
{
    const Entry &e = entries[i];
    z_stream zs{};
    if (inflateInit2(&zs, -MAX_WBITS) != Z_OK)
        throw DokravaError(QStringLiteral("Недостаточно памяти для распаковки архива «%1»").arg(shown(path)));
    InflateGuard guard{&zs};
    QByteArray in;
    qint64 consumed = 0, produced = 0;
    char out[kChunk];
    int ret = Z_OK;
    while (ret != Z_STREAM_END) {
        if (zs.avail_in == 0) {
            if (consumed >= e.compressedSize)
                damagedEntry(e, QStringLiteral("обрывается раньше времени"));
            in = readAt(offset + consumed, std::min<qint64>(kChunk, e.compressedSize - consumed));
            consumed += in.size();
            zs.next_in = reinterpret_cast<Bytef *>(in.data());
            zs.avail_in = uInt(in.size());
        }
        zs.next_out = reinterpret_cast<Bytef *>(out);
        zs.avail_out = uInt(kChunk);
        ret = inflate(&zs, Z_NO_FLUSH);
        if (ret != Z_OK && ret != Z_STREAM_END && ret != Z_BUF_ERROR)
            damagedEntry(e, QStringLiteral("содержит испорченные сжатые данные"));
        const qint64 n = kChunk - zs.avail_out;
        produced += n;
        account(i, produced);
        if (n > 0)
            sink(out, n);
    }
}

void ZipReader::Private::readEntry(int i, const Sink &sink)
{
    const Entry &e = entries[i];
    if (e.flags & kFlagEncrypted)
        throw DokravaError(QStringLiteral("Запись «%1» архива «%2» зашифрована").arg(e.name, shown(path)));
    if (e.method != 0 && e.method != 8)
        throw DokravaError(QStringLiteral("Запись «%1» архива «%2» сжата неподдерживаемым методом %3")
                               .arg(e.name, shown(path))
                               .arg(e.method));
    const qint64 offset = dataOffset(e);
    uint32_t crc = 0;
    qint64 size = 0;
    const Sink checked = [&](const char *p, qsizetype n) {
        crc = crc32(crc, p, n);
        size += n;
        sink(p, n);
    };
    if (e.method == 0)
        copyStored(i, offset, checked);
    else
        inflateEntry(i, offset, checked);
    if (size != e.size)
        damagedEntry(e, QStringLiteral("короче, чем указано в оглавлении"));
    if (crc != e.crc)
        damagedEntry(e, QStringLiteral("не сходится по контрольной сумме"));
}

ZipReader::ZipReader(const QString &path)
    : d(new Private)
{
    d->path = path;
    d->file.setFileName(path);
    try {
        if (!QFileInfo(path).isFile())
            throw DokravaError(QStringLiteral("Файл «%1» не найден").arg(shown(path)));
        if (!d->file.open(QIODevice::ReadOnly))
            throw DokravaError(QStringLiteral("Не удалось открыть файл «%1»").arg(shown(path)));
        d->fileSize = d->file.size();
        d->inflateLimit = std::clamp(d->fileSize * kBombRatio, kMinInflateLimit, kMaxInflateLimit);
        d->readDirectory();
        d->checkDeclaredSizes();
    } catch (...) {
        delete d;
        throw;
    }
}

ZipReader::~ZipReader()
{
    delete d;
}

int ZipReader::count() const
{
    return int(d->entries.size());
}

QString ZipReader::name(int i) const
{
    return d->entries.at(i).name;
}

int ZipReader::method(int i) const
{
    return d->entries.at(i).method;
}

QDateTime ZipReader::modified(int i) const
{
    return fromDos(d->entries.at(i).dosDate, d->entries.at(i).dosTime);
}

bool ZipReader::isDir(int i) const
{
    const QString &n = d->entries.at(i).name;
    return n.endsWith(QLatin1Char('/')) || n.endsWith(QLatin1Char('\\'));
}

QByteArray ZipReader::data(int i)
{
    QByteArray out;
    out.reserve(qsizetype(std::min<qint64>(d->entries.at(i).size, d->inflateLimit)));
    d->readEntry(i, [&](const char *p, qsizetype n) { out.append(p, n); });
    return out;
}

ZipReader::StoredEntry ZipReader::stored(int i)
{
    const Entry &e = d->entries.at(i);
    if ((e.flags & kFlagEncrypted) || (e.method != 0 && e.method != 8))
        throw DokravaError(QStringLiteral("Запись «%1» архива «%2» не может быть скопирована").arg(e.name, shown(d->path)));
    if (e.method == 0 && e.compressedSize != e.size)
        d->damagedEntry(e, QStringLiteral("имеет неверный размер"));
    // Counted against the budget as if inflated: a copy puts the same data into the new archive.
    d->account(i, e.size);
    return {e.method, e.crc, e.size, d->readAt(d->dataOffset(e), e.compressedSize)};
}

int ZipReader::indexOf(const QString &name) const
{
    return d->index.value(name, -1);
}

QString ZipReader::path() const
{
    return d->path;
}

void ZipReader::close()
{
    d->file.close();
}

qint64 ZipReader::inflateLimit() const
{
    return d->inflateLimit;
}

void ZipReader::setInflateLimit(qint64 bytes)
{
    d->inflateLimit = bytes;
    d->checkDeclaredSizes();
}

QString ZipReader::safeRelativePath(const QString &name)
{
    QString n = name;
    n.replace(QLatin1Char('\\'), QLatin1Char('/'));
    if (n.startsWith(QLatin1Char('/')) || n.contains(QChar(0)))
        return QString();
    // "C:name" is relative to a drive's current folder on Windows: never below ours.
    if (n.size() >= 2 && n.at(1) == QLatin1Char(':') && n.at(0).isLetter())
        return QString();
    QStringList kept;
    for (const QString &part : n.split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
        if (part == QLatin1String(".."))
            return QString();
#ifdef Q_OS_WIN
        // A colon would name an alternate data stream or a device.
        if (part.contains(QLatin1Char(':')))
            return QString();
#endif
        if (part != QLatin1String("."))
            kept.append(part);
    }
    return kept.join(QLatin1Char('/'));
}

void ZipReader::extractTo(int i, const QString &folder)
{
    const QString rel = safeRelativePath(name(i));
    if (rel.isEmpty())
        throw DokravaError(QStringLiteral("Архив «%1» содержит запись с недопустимым именем «%2»")
                               .arg(shown(d->path), name(i)));
    if (!QDir().mkpath(folder))
        throw DokravaError(QStringLiteral("Не удалось создать папку «%1»").arg(shown(folder)));
    const QStringList parts = rel.split(QLatin1Char('/'));
    const qsizetype levels = isDir(i) ? parts.size() : parts.size() - 1;
    QString current = QDir(folder).absolutePath();
    for (qsizetype k = 0; k < levels; ++k) {
        current += QLatin1Char('/') + parts.at(k);
        const QFileInfo fi(current);
        // A link planted in the folder could lead the write anywhere: links are never followed.
        if (fi.isSymLink() || (fi.exists() && !fi.isDir()) || (!fi.exists() && !QDir().mkdir(current)))
            throw DokravaError(QStringLiteral("Не удалось создать папку «%1»").arg(shown(current)));
    }
    if (isDir(i))
        return;
    const QString target = current + QLatin1Char('/') + parts.last();
    const QFileInfo ti(target);
    if (ti.isSymLink())
        QFile::remove(target);
    QFile out(target);
    if (ti.isDir() || !out.open(QIODevice::WriteOnly | QIODevice::Truncate))
        throw DokravaError(QStringLiteral("Не удалось записать файл «%1»").arg(shown(target)));
    try {
        d->readEntry(i, [&](const char *p, qsizetype n) {
            if (out.write(p, n) != n)
                throw DokravaError(QStringLiteral("Не удалось записать файл «%1»").arg(shown(target)));
        });
        if (!out.flush())
            throw DokravaError(QStringLiteral("Не удалось записать файл «%1»").arg(shown(target)));
    } catch (...) {
        out.close();
        out.remove();
        throw;
    }
    const QDateTime stamp = modified(i);
    if (stamp.isValid()) {
        out.setFileTime(stamp, QFileDevice::FileModificationTime);
        out.setFileTime(stamp, QFileDevice::FileBirthTime);
    }
    out.close();
}

} // namespace dokrava
