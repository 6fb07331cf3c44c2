#pragma once

// A tiny ZIP builder for tests: writes exactly the headers it is given, lies included, so that
// damaged and hostile archives can be made without any other tool.

#include <QByteArray>
#include <QList>

#include <zlib.h>

#include <cstdint>

struct RawEntry
{
    QByteArray name;
    QByteArray payload;      // bytes as stored (already deflated for method 8)
    uint16_t method = 0;
    uint16_t flags = 0x0800;
    uint32_t crc = 0;
    uint32_t size = 0;       // inflated size written in the headers
    QByteArray extra;        // central directory extra field
    int sharePayloadOf = -1; // point the central entry at an earlier entry's local header
};

inline void rawPut16(QByteArray &b, uint16_t v)
{
    b.append(char(v & 0xff));
    b.append(char(v >> 8));
}

inline void rawPut32(QByteArray &b, uint32_t v)
{
    rawPut16(b, uint16_t(v & 0xffff));
    rawPut16(b, uint16_t(v >> 16));
}

inline uint32_t rawCrc(const QByteArray &data)
{
    return uint32_t(crc32(0, reinterpret_cast<const Bytef *>(data.constData()), uInt(data.size())));
}

// A stored entry whose headers tell the truth.
inline RawEntry storedEntry(const QByteArray &name, const QByteArray &data)
{
    RawEntry e;
    e.name = name;
    e.payload = data;
    e.crc = rawCrc(data);
    e.size = uint32_t(data.size());
    return e;
}

// Raw deflate of `count` zero bytes, produced in slices so that nothing big is held in memory.
inline QByteArray deflatedZeros(qint64 count)
{
    z_stream zs{};
    deflateInit2(&zs, Z_BEST_COMPRESSION, Z_DEFLATED, -MAX_WBITS, 9, Z_DEFAULT_STRATEGY);
    const QByteArray zeros(1 << 20, '\0');
    QByteArray out;
    char buf[1 << 16];
    while (count >= 0) {
        const qint64 n = std::min<qint64>(count, zeros.size());
        count -= n;
        const bool last = count == 0;
        zs.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(zeros.constData()));
        zs.avail_in = uInt(n);
        do {
            zs.next_out = reinterpret_cast<Bytef *>(buf);
            zs.avail_out = sizeof buf;
            deflate(&zs, last ? Z_FINISH : Z_NO_FLUSH);
            out.append(buf, qsizetype(sizeof buf - zs.avail_out));
        } while (zs.avail_out == 0);
        if (last)
            break;
    }
    deflateEnd(&zs);
    return out;
}

// CRC-32 of `count` zero bytes.
inline uint32_t zerosCrc(qint64 count)
{
    const QByteArray zeros(1 << 20, '\0');
    uLong c = 0;
    while (count > 0) {
        const qint64 n = std::min<qint64>(count, zeros.size());
        c = crc32(c, reinterpret_cast<const Bytef *>(zeros.constData()), uInt(n));
        count -= n;
    }
    return uint32_t(c);
}

// The archive bytes; declaredCount < 0 writes the true count (wrapped to 16 bits).
inline QByteArray rawZip(const QList<RawEntry> &entries, int declaredCount = -1)
{
    QByteArray out;
    QList<uint32_t> offsets;
    for (const RawEntry &e : entries) {
        offsets.append(e.sharePayloadOf >= 0 ? offsets.at(e.sharePayloadOf) : uint32_t(out.size()));
        if (e.sharePayloadOf >= 0)
            continue;
        rawPut32(out, 0x04034b50);
        rawPut16(out, 20);
        rawPut16(out, e.flags);
        rawPut16(out, e.method);
        rawPut16(out, 0);
        rawPut16(out, 0x5a21); // 2025-01-01
        rawPut32(out, e.crc);
        rawPut32(out, uint32_t(e.payload.size()));
        rawPut32(out, e.size);
        rawPut16(out, uint16_t(e.name.size()));
        rawPut16(out, 0);
        out.append(e.name);
        out.append(e.payload);
    }
    const uint32_t dirOffset = uint32_t(out.size());
    for (qsizetype i = 0; i < entries.size(); ++i) {
        const RawEntry &e = entries.at(i);
        const RawEntry &data = e.sharePayloadOf >= 0 ? entries.at(e.sharePayloadOf) : e;
        rawPut32(out, 0x02014b50);
        rawPut16(out, 20);
        rawPut16(out, 20);
        rawPut16(out, e.flags);
        rawPut16(out, e.method);
        rawPut16(out, 0);
        rawPut16(out, 0x5a21);
        rawPut32(out, e.crc);
        rawPut32(out, uint32_t(data.payload.size()));
        rawPut32(out, e.size);
        rawPut16(out, uint16_t(e.name.size()));
        rawPut16(out, uint16_t(e.extra.size()));
        rawPut16(out, 0);
        rawPut16(out, 0);
        rawPut16(out, 0);
        rawPut32(out, 0);
        rawPut32(out, offsets.at(i));
        out.append(e.name);
        out.append(e.extra);
    }
    const uint32_t dirSize = uint32_t(out.size()) - dirOffset;
    const uint16_t count = uint16_t(declaredCount >= 0 ? declaredCount : entries.size());
    rawPut32(out, 0x06054b50);
    rawPut16(out, 0);
    rawPut16(out, 0);
    rawPut16(out, count);
    rawPut16(out, count);
    rawPut32(out, dirSize);
    rawPut32(out, dirOffset);
    rawPut16(out, 0);
    return out;
}
