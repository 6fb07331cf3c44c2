#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>

namespace dokrava {

// One entry of a ZIP archive as its headers describe it, for reading and writing alike.
struct ZipEntry
{
    QString name;                // "/" separated
    uint16_t flags = 0;          // general purpose bits
    uint16_t method = 0;         // 0 stored, 8 deflate
    uint16_t dosDate = 0;
    uint16_t dosTime = 0;
    uint32_t crc = 0;            // CRC-32 of the inflated data
    uint32_t compressedSize = 0;
    uint32_t size = 0;           // inflated
    uint32_t localOffset = 0;    // where its local header starts
};

// Length of the fields the local and the central header share: from the version needed to
// extract to the length of the extra field.
constexpr int kZipSharedFieldsSize = 26;

// Appends the shared fields of e, its name's and extra field's lengths given.
void PutZipSharedFields(QByteArray &out, const ZipEntry &e, uint16_t versionNeeded, uint16_t nameLength,
                        uint16_t extraLength);

// Reads the shared fields at p (kZipSharedFieldsSize bytes the caller guarantees) into e: flags,
// method, time stamp, CRC-32 and sizes.
void GetZipSharedFields(const char *p, ZipEntry &e);

} // namespace dokrava
