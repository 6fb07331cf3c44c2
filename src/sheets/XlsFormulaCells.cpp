#include "sheets/XlsFormulaCells.h"

#include "sheets/CellText.h"
#include "sheets/XlsxWorkbook.h"

#include <QtEndian>

#include <cstring>

namespace dokrava {

namespace {

const quint32 kEndOfChain = 0xFFFFFFFE;

quint16 u16(const QByteArray &b, qsizetype at)
{
    // Byte by byte: gcc's bounds analysis mistakes an unaligned load from an empty array for an overrun.
    return at >= 0 && at + 2 <= b.size() ? quint16(quint8(b[at]) | quint8(b[at + 1]) << 8) : 0;
}

quint8 u8(const QByteArray &b, qsizetype at)
{
    return at >= 0 && at < b.size() ? quint8(b[at]) : 0;
}

quint32 u32(const QByteArray &b, qsizetype at)
{
    if (at < 0 || at + 4 > b.size())
        return 0;
    return quint32(quint8(b[at])) | quint32(quint8(b[at + 1])) << 8 | quint32(quint8(b[at + 2])) << 16
           | quint32(quint8(b[at + 3])) << 24;
}

// Follows a sector chain through an allocation table, guarding against loops and bad links.
QList<quint32> chain(const QList<quint32> &table, quint32 start)
{
    QList<quint32> sectors;
    for (quint32 s = start; s != kEndOfChain && s < quint32(table.size()); s = table[s]) {
        if (sectors.size() > table.size())
            return {};
        sectors << s;
    }
    return sectors;
}

struct Compound
{
    QByteArray file;
    int shift = 9;
    QList<quint32> fat;

    QByteArray sector(quint32 n) const { return file.mid((qsizetype(n) + 1) << shift, qsizetype(1) << shift); }
    QByteArray stream(quint32 start, qsizetype size) const
    {
        QByteArray out;
        for (quint32 s : chain(fat, start)) {
            if (out.size() >= size)
                break;
            out += sector(s);
        }
        return out.left(size);
    }
};

bool readFat(Compound &cf)
{
    const QByteArray &f = cf.file;
    QList<quint32> fatSectors;
    for (int i = 0; i < 109; ++i) {
        const quint32 s = u32(f, 0x4C + i * 4);
        if (s < 0xFFFFFFFA)
            fatSectors << s;
    }
    quint32 dif = u32(f, 0x44);
    const int perSector = (1 << cf.shift) / 4;
    for (quint32 n = 0; n < u32(f, 0x48) && dif < 0xFFFFFFFA && n < 100000; ++n) {
        const QByteArray d = cf.sector(dif);
        for (int i = 0; i < perSector - 1; ++i) {
            const quint32 s = u32(d, i * 4);
            if (s < 0xFFFFFFFA)
                fatSectors << s;
        }
        dif = u32(d, (perSector - 1) * 4);
    }
    for (quint32 s : fatSectors) {
        const QByteArray d = cf.sector(s);
        for (int i = 0; i + 4 <= d.size(); i += 4)
            cf.fat << u32(d, i);
    }
    return !cf.fat.isEmpty();
}

QString errorText(quint8 code)
{
    switch (code) {
    case 0x00: return QStringLiteral("#NULL!");
    case 0x07: return QStringLiteral("#DIV/0!");
    case 0x0F: return QStringLiteral("#VALUE!");
    case 0x17: return QStringLiteral("#REF!");
    case 0x1D: return QStringLiteral("#NAME?");
    case 0x24: return QStringLiteral("#NUM!");
    default: return QStringLiteral("#N/A");
    }
}

// XLUnicodeString at offset: a 16-bit character count, a flags byte, the characters.
QString unicodeString(const QByteArray &rec, qsizetype at, int countBytes = 2)
{
    const int count = countBytes == 2 ? u16(rec, at) : u8(rec, at);
    const quint8 flags = u8(rec, at + countBytes);
    const qsizetype chars = at + countBytes + 1;
    if (flags & 1) {
        const qsizetype n = std::min<qsizetype>(count, (rec.size() - chars) / 2);
        QString s(n, Qt::Uninitialized);
        for (qsizetype i = 0; i < n; ++i)
            s[i] = QChar(u16(rec, chars + 2 * i));
        return s;
    }
    return QString::fromLatin1(rec.mid(chars, count));
}

struct Record
{
    quint16 type;
    QByteArray data;
    qsizetype offset;
};

Record recordAt(const QByteArray &s, qsizetype at)
{
    const quint16 len = u16(s, at + 2);
    return {u16(s, at), s.mid(at + 4, len), at};
}

struct Globals
{
    QList<quint32> sheetOffsets;
    QList<int> xfKind;
    bool date1904 = false;
};

Globals readGlobals(const QByteArray &s)
{
    Globals g;
    QHash<int, QString> formats;
    QList<int> xfFormat;
    for (qsizetype at = 0; at + 4 <= s.size();) {
        const Record r = recordAt(s, at);
        at += 4 + u16(s, at + 2);
        if (r.type == 0x0A) // EOF of the globals
            break;
        if (r.type == 0x85 && u8(r.data, 5) == 0) // BOUNDSHEET of a worksheet
            g.sheetOffsets << u32(r.data, 0);
        else if (r.type == 0xE0)
            xfFormat << u16(r.data, 2);
        else if (r.type == 0x41E)
            formats.insert(u16(r.data, 0), unicodeString(r.data, 2));
        else if (r.type == 0x22)
            g.date1904 = u16(r.data, 0) == 1;
    }
    for (int id : std::as_const(xfFormat))
        g.xfKind << XlsxWorkbook::formatKind(id, formats.value(id));
    return g;
}

QString numberText(double value, int xf, const Globals &g)
{
    const int kind = xf >= 0 && xf < g.xfKind.size() ? g.xfKind[xf] : 0;
    return kind == 0 ? CellText::number(value) : CellText::serialDate(value, g.date1904, kind == 2);
}

quint64 cellKey(const QByteArray &rec)
{
    return (quint64(u16(rec, 0)) + 1) << 32 | (quint64(u16(rec, 2)) + 1);
}

XlsFormulaCells::SheetValues readSheet(const QByteArray &s, qsizetype start, const Globals &g)
{
    XlsFormulaCells::SheetValues values;
    quint64 pendingString = 0; // a FORMULA whose text result follows in a STRING record
    for (qsizetype at = start; at + 4 <= s.size();) {
        const Record r = recordAt(s, at);
        at += 4 + u16(s, at + 2);
        if (r.type == 0x0A)
            break;
        if (r.type == 0x06 && r.data.size() >= 14) {
            const QByteArray res = r.data.mid(6, 8);
            pendingString = 0;
            if (u16(res, 6) != 0xFFFF) {
                double v;
                std::memcpy(&v, res.constData(), 8);
                v = qFromLittleEndian(v);
                values.insert(cellKey(r.data), numberText(v, u16(r.data, 4), g));
            } else if (res[0] == 0) {
                pendingString = cellKey(r.data);
            } else if (res[0] == 1) {
                values.insert(cellKey(r.data), CellText::boolean(res[2] != 0));
            } else if (res[0] == 2) {
                values.insert(cellKey(r.data), errorText(quint8(res[2])));
            } else if (res[0] == 3) {
                values.insert(cellKey(r.data), QString());
            }
        } else if (r.type == 0x207 && pendingString) {
            values.insert(pendingString, unicodeString(r.data, 0));
            pendingString = 0;
        } else if (r.type == 0x205 && r.data.size() >= 8) {
            const quint8 v = quint8(r.data[6]);
            values.insert(cellKey(r.data), r.data[7] ? errorText(v) : CellText::boolean(v != 0));
        }
    }
    return values;
}

} // namespace

QByteArray XlsFormulaCells::workbookStream(const QByteArray &file)
{
    if (!file.startsWith(QByteArray::fromHex("D0CF11E0A1B11AE1")) || file.size() < 512)
        return {};
    Compound cf;
    cf.file = file;
    cf.shift = u16(file, 0x1E);
    const int miniShift = u16(file, 0x20);
    if (cf.shift < 7 || cf.shift > 16 || miniShift < 2 || miniShift > cf.shift || !readFat(cf))
        return {};
    const QByteArray dir = cf.stream(u32(file, 0x30), qsizetype(cf.fat.size()) << cf.shift);
    quint32 rootStart = kEndOfChain;
    qsizetype rootSize = 0;
    for (qsizetype at = 0; at + 128 <= dir.size(); at += 128) {
        const int nameBytes = std::min<int>(u16(dir, at + 0x40), 64);
        QString name;
        for (int i = 0; i + 2 < nameBytes; i += 2)
            name += QChar(u16(dir, at + i));
        const quint8 type = quint8(dir[at + 0x42]);
        const quint32 start = u32(dir, at + 0x74);
        const qsizetype size = u32(dir, at + 0x78);
        if (type == 5) {
            rootStart = start;
            rootSize = size;
        } else if (type == 2 && (name.compare(QLatin1String("Workbook"), Qt::CaseInsensitive) == 0
                                 || name.compare(QLatin1String("Book"), Qt::CaseInsensitive) == 0)) {
            if (size >= qsizetype(u32(file, 0x38)))
                return cf.stream(start, size);
            // A small stream lives in the mini stream, in mini sectors of its own table.
            QList<quint32> miniFat;
            const QByteArray mf = cf.stream(u32(file, 0x3C), qsizetype(u32(file, 0x40)) << cf.shift);
            for (int i = 0; i + 4 <= mf.size(); i += 4)
                miniFat << u32(mf, i);
            const QByteArray mini = cf.stream(rootStart, rootSize);
            QByteArray out;
            for (quint32 s : chain(miniFat, start))
                out += mini.mid(qsizetype(s) << miniShift, qsizetype(1) << miniShift);
            return out.left(size);
        }
    }
    return {};
}

QList<XlsFormulaCells::SheetValues> XlsFormulaCells::read(const QByteArray &file)
{
    const QByteArray stream = workbookStream(file);
    if (stream.isEmpty())
        return {};
    const Globals g = readGlobals(stream);
    QList<SheetValues> sheets;
    for (quint32 offset : g.sheetOffsets)
        sheets << readSheet(stream, offset, g);
    return sheets;
}

} // namespace dokrava
