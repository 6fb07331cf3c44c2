#include "zip/Package.h"

#include "base/DokravaError.h"
#include "base/PendingFile.h"
#include "zip/ZipFormat.h"

#include <QSet>

#include <zlib.h>

namespace dokrava {

namespace {

// Frees the zlib state on every way out.
struct InflateEnd
{
    z_stream *stream;
    ~InflateEnd() { inflateEnd(stream); }
};

// Inflates an entry's stored bytes, which must give exactly size bytes; false for damaged data.
bool inflateStored(const QByteArray &bytes, qint64 size, QByteArray &out)
{
    // One byte more than declared tells data longer than its header says from data that fits.
    out = QByteArray(qsizetype(size) + 1, Qt::Uninitialized);
    z_stream zs{};
    if (inflateInit2(&zs, -MAX_WBITS) != Z_OK)
        return false;
    InflateEnd guard{&zs};
    zs.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(bytes.constData()));
    zs.avail_in = uInt(bytes.size());
    zs.next_out = reinterpret_cast<Bytef *>(out.data());
    zs.avail_out = uInt(out.size());
    const int ret = inflate(&zs, Z_FINISH);
    if (ret != Z_STREAM_END || qint64(zs.total_out) != size)
        return false;
    out.truncate(qsizetype(size));
    return true;
}

} // namespace

Package::Package(const QString &path) : m_path(path)
{
    ZipReader zip(path);
    m_entries.reserve(zip.count());
    for (int i = 0; i < zip.count(); ++i) {
        Entry e;
        e.name = zip.name(i);
        e.method = zip.method(i);
        e.modified = zip.modified(i);
        e.stored = zip.stored(i);
        m_entries.append(std::move(e));
    }
}

bool Package::isDir(int i) const
{
    const QString &n = m_entries.at(i).name;
    return n.endsWith(QLatin1Char('/')) || n.endsWith(QLatin1Char('\\'));
}

int Package::indexOf(const QString &name, Qt::CaseSensitivity cs) const
{
    for (int i = 0; i < m_entries.size(); ++i)
        if (m_entries[i].name.compare(name, cs) == 0)
            return i;
    return -1;
}

QByteArray Package::data(int i) const
{
    const Entry &e = m_entries.at(i);
    if (e.changed)
        return e.data;
    QByteArray out = e.stored.bytes;
    if (e.method == 8 && !inflateStored(e.stored.bytes, e.stored.size, out))
        throw DokravaError(QStringLiteral("Архив «%1» повреждён: запись «%2» содержит испорченные сжатые данные")
                               .arg(ZipFormat::shown(m_path), e.name));
    if (quint32(ZipFormat::crc32(0, out.constData(), out.size())) != e.stored.crc)
        throw DokravaError(QStringLiteral("Архив «%1» повреждён: запись «%2» не сходится по контрольной сумме")
                               .arg(ZipFormat::shown(m_path), e.name));
    return out;
}

void Package::verify() const
{
    QSet<QString> names;
    for (int i = 0; i < m_entries.size(); ++i) {
        // Letter case ignored: Word packages are read so.
        const QString &name = m_entries[i].name;
        const QString key = name.toCaseFolded();
        if (names.contains(key))
            throw DokravaError(QStringLiteral("Архив «%1» повреждён: запись «%2» записана в нём дважды")
                                   .arg(ZipFormat::shown(m_path), name));
        names.insert(key);
        // An empty entry (a folder, say) has nothing to inflate, whatever method it names.
        const Entry &e = m_entries[i];
        if (!e.changed && !(e.stored.size == 0 && e.stored.bytes.isEmpty()))
            data(i);
    }
}

QByteArray Package::data(const QString &name) const
{
    const int i = indexOf(name);
    return i < 0 ? QByteArray() : data(i);
}

void Package::replace(int i, const QByteArray &data)
{
    Entry &e = m_entries[i];
    e.data = data;
    e.stored = {};
    e.changed = true;
}

void Package::replaceStored(int i, const ZipReader::StoredEntry &stored)
{
    Entry &e = m_entries[i];
    e.data.clear();
    e.stored = stored;
    e.method = stored.method;
    e.changed = false;
}

void Package::replace(int i, const QByteArray &data, ZipWriter::Method method)
{
    replace(i, data);
    m_entries[i].method = method;
}

void Package::moveToFront(int i)
{
    m_entries.move(i, 0);
}

void Package::add(const QString &name, const QByteArray &data, ZipWriter::Method method, const QDateTime &modified)
{
    Entry e;
    e.name = name;
    e.method = method;
    e.modified = modified;
    e.data = data;
    e.changed = true;
    m_entries.append(std::move(e));
}

void Package::remove(int i)
{
    m_entries.removeAt(i);
}

void Package::writeTo(ZipWriter &zip) const
{
    for (const Entry &e : m_entries) {
        const auto method = e.method == 0 ? ZipWriter::Stored : ZipWriter::Deflated;
        if (e.changed)
            zip.addData(e.name, e.data, method, e.modified);
        else
            zip.addStored(e.name, e.stored, e.modified);
    }
}

void Package::save(const QString &path) const
{
    PendingFile pending(path);
    write(pending);
    pending.commit();
}

void Package::write(const PendingFile &pending) const
{
    ZipWriter zip(pending);
    writeTo(zip);
    zip.close();
}

} // namespace dokrava
