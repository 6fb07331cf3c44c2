#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QFile>
#include <QList>
#include <QString>

namespace dokrava {

// Reads a ZIP archive (stored and deflate entries) with its central directory.
// Every failure throws DokravaError with a Russian sentence that names the file.
// Hostile archives are refused: names that would leave the target folder, more than 65 535
// entries, inflated data past the size limits, CRC-32 mismatches, truncated data.
class ZipReader
{
public:
    // Opens the archive for reading and reads its central directory.
    explicit ZipReader(const QString &path);
    ~ZipReader();

    ZipReader(const ZipReader &) = delete;
    ZipReader &operator=(const ZipReader &) = delete;

    // Number of entries, in central-directory order.
    int count() const;

    // The name of entry i ("/" separated, as stored or from the Unicode Path field).
    QString name(int i) const;

    // Compression method of entry i (0 stored, 8 deflate).
    int method(int i) const;

    // Last-modification time of entry i (from its DOS time stamp).
    QDateTime modified(int i) const;

    // True when entry i stands for a folder (its name ends with "/").
    bool isDir(int i) const;

    // The inflated data of entry i, its CRC-32 and size checked.
    QByteArray data(int i);

    // An entry as it lies in the archive, still compressed, to be copied into another archive
    // without inflating and deflating it again.
    struct StoredEntry
    {
        int method = 0;        // 0 stored, 8 deflate
        quint32 crc = 0;       // CRC-32 of the inflated data
        qint64 size = 0;       // inflated size
        QByteArray bytes;      // the data as stored
    };
    // The stored form of entry i; throws for an encrypted entry, an unknown method, or data that
    // runs past the archive.
    StoredEntry stored(int i);

    // Index of the entry with exactly this name, or -1.
    int indexOf(const QString &name) const;

    // Writes entry i under folder, creating subfolders; refuses names that leave the folder.
    void extractTo(int i, const QString &folder);

    // The archive's path.
    QString path() const;
    // Lets go of the archive's file before it is replaced: Windows refuses to replace or remove a
    // file this program holds open. Reading an entry afterwards throws.
    void close();

    // Most bytes all entries together may inflate to: 100 times the archive's size, at least
    // 64 MiB and at most 1 GiB. Reading past it throws.
    qint64 inflateLimit() const;
    // Replaces the limit (a caller that knows its data is small may lower it); throws when the
    // sizes the directory declares already exceed it.
    void setInflateLimit(qint64 bytes);

    // The path an entry name gives below a folder: a backslash read as "/", empty and "." levels dropped.
    // Empty when the name is unsafe: absolute, with a drive letter, a ".." level or a NUL.
    static QString safeRelativePath(const QString &name);

private:
    struct Private;
    Private *d;
};

} // namespace dokrava
