#include "zip/ZipFormat.h"

#include <QDir>

#include <zlib.h>

#include <limits>

namespace dokrava {

namespace ZipFormat {

uint16_t get16(const char *p)
{
    const auto *u = reinterpret_cast<const unsigned char *>(p);
    return uint16_t(u[0] | (u[1] << 8));
}

uint32_t get32(const char *p)
{
    const auto *u = reinterpret_cast<const unsigned char *>(p);
    return uint32_t(u[0]) | (uint32_t(u[1]) << 8) | (uint32_t(u[2]) << 16) | (uint32_t(u[3]) << 24);
}

void put16(QByteArray &out, uint16_t v)
{
    out.append(char(v & 0xff));
    out.append(char(v >> 8));
}

void put32(QByteArray &out, uint32_t v)
{
    put16(out, uint16_t(v & 0xffff));
    put16(out, uint16_t(v >> 16));
}

uint32_t crc32(uint32_t crc, const char *data, qsizetype size)
{
    // zlib takes uInt lengths: feed very large buffers in slices.
    const auto *p = reinterpret_cast<const Bytef *>(data);
    uLong c = crc;
    while (size > 0) {
        const uInt n = uInt(std::min<qsizetype>(size, std::numeric_limits<uInt>::max() / 2));
        c = ::crc32(c, p, n);
        p += n;
        size -= n;
    }
    return uint32_t(c);
}

void toDos(const QDateTime &time, uint16_t &dosDate, uint16_t &dosTime)
{
    QDateTime local = time.isValid() ? time.toLocalTime() : QDateTime::currentDateTime();
    QDate d = local.date();
    QTime t = local.time();
    if (d.year() < 1980) {
        d = QDate(1980, 1, 1);
        t = QTime(0, 0);
    } else if (d.year() > 2107) {
        d = QDate(2107, 12, 31);
        t = QTime(23, 59, 58);
    }
    dosDate = uint16_t(((d.year() - 1980) << 9) | (d.month() << 5) | d.day());
    dosTime = uint16_t((t.hour() << 11) | (t.minute() << 5) | (t.second() / 2));
}

QDateTime fromDos(uint16_t dosDate, uint16_t dosTime)
{
    const QDate d(1980 + (dosDate >> 9), (dosDate >> 5) & 0x0f, dosDate & 0x1f);
    const QTime t(dosTime >> 11, (dosTime >> 5) & 0x3f, (dosTime & 0x1f) * 2);
    if (!d.isValid() || !t.isValid())
        return QDateTime();
    return QDateTime(d, t);
}

QString fromCp437(const QByteArray &bytes)
{
    // Upper half of code page 437; the lower half is ASCII.
    static const QString upper = QString::fromUtf8(
        "ÇüéâäàåçêëèïîìÄÅÉæÆôöòûùÿÖÜ¢£¥₧ƒáíóúñÑªº¿⌐¬½¼¡«»"
        "░▒▓│┤╡╢╖╕╣║╗╝╜╛┐└┴┬├─┼╞╟╚╔╩╦╠═╬╧╨╤╥╙╘╒╓╫╪┘┌█▄▌▐▀"
        "αßΓπΣσµτΦΘΩδ∞φε∩≡±≥≤⌠⌡÷≈°∙·√ⁿ²■\u00a0");
    QString out;
    out.reserve(bytes.size());
    for (char c : bytes) {
        const auto u = static_cast<unsigned char>(c);
        out.append(u < 0x80 ? QChar(u) : upper.at(u - 0x80));
    }
    return out;
}

QString shown(const QString &path)
{
    return QDir::toNativeSeparators(path);
}

} // namespace ZipFormat

} // namespace dokrava
