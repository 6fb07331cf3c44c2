#include "zip/ZipEntry.h"

#include "zip/ZipFormat.h"

namespace dokrava {

using namespace ZipFormat;

void PutZipSharedFields(QByteArray &out, const ZipEntry &e, uint16_t versionNeeded, uint16_t nameLength,
                        uint16_t extraLength)
{
    put16(out, versionNeeded);
    put16(out, e.flags);
    put16(out, e.method);
    put16(out, e.dosTime);
    put16(out, e.dosDate);
    put32(out, e.crc);
    put32(out, e.compressedSize);
    put32(out, e.size);
    put16(out, nameLength);
    put16(out, extraLength);
}

void GetZipSharedFields(const char *p, ZipEntry &e)
{
    e.flags = get16(p + 2);
    e.method = get16(p + 4);
    e.dosTime = get16(p + 6);
    e.dosDate = get16(p + 8);
    e.crc = get32(p + 10);
    e.compressedSize = get32(p + 14);
    e.size = get32(p + 18);
}

} // namespace dokrava
