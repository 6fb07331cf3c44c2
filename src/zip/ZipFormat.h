#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>

#include <cstdint>

namespace dokrava {

// Byte-level pieces shared by ZipReader and ZipWriter: record signatures, little-endian access,
// CRC-32, DOS time stamps and the messages that name the archive.
namespace ZipFormat {

constexpr uint32_t kLocalHeaderSig = 0x04034b50;
constexpr uint32_t kCentralHeaderSig = 0x02014b50;
constexpr uint32_t kEndOfCentralDirSig = 0x06054b50;
constexpr uint32_t kZip64LocatorSig = 0x07064b50;
constexpr int kLocalHeaderSize = 30;
constexpr int kCentralHeaderSize = 46;
constexpr int kEndOfCentralDirSize = 22;
constexpr int kMaxEntries = 65535;
constexpr uint16_t kFlagEncrypted = 0x0001;
constexpr uint16_t kFlagUtf8 = 0x0800;
constexpr uint16_t kUnicodePathExtraId = 0x7075;

// Little-endian reads; the caller guarantees the bytes are there.
uint16_t get16(const char *p);
uint32_t get32(const char *p);
// Little-endian appends.
void put16(QByteArray &out, uint16_t v);
void put32(QByteArray &out, uint32_t v);

// CRC-32 of the ZIP format, continued from crc (start with 0).
uint32_t crc32(uint32_t crc, const char *data, qsizetype size);

// A local time as DOS date and time (years before 1980 are clamped to 1 January 1980).
void toDos(const QDateTime &time, uint16_t &dosDate, uint16_t &dosTime);
// A DOS date and time as local time; invalid fields give an invalid QDateTime.
QDateTime fromDos(uint16_t dosDate, uint16_t dosTime);

// Decodes a name stored without the UTF-8 flag (code page 437).
QString fromCp437(const QByteArray &bytes);

// The file name as the user reads it in messages.
QString shown(const QString &path);

} // namespace ZipFormat

} // namespace dokrava
