#pragma once

#include "zip/ZipReader.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>

namespace dokrava {

class PendingFile;

// Writes a new ZIP archive: UTF-8 names with bit 11, versions 20, raw deflate at zlib's default
// level or stored, at most 65 535 entries. close() writes the central directory.
class ZipWriter
{
public:
    enum Method { Stored = 0, Deflated = 8 };

    // Creates (truncates) the archive at path; throws DokravaError when it cannot be created.
    explicit ZipWriter(const QString &path);
    // Writes the pending file's new content; messages name its target, the file the user knows.
    explicit ZipWriter(const PendingFile &pending);
    // Builds the archive in memory; close() hands it to out. Messages name shownAs.
    ZipWriter(QByteArray *out, const QString &shownAs);
    // Closes the file without a central directory if close() was not called (the archive is then invalid).
    ~ZipWriter();

    ZipWriter(const ZipWriter &) = delete;
    ZipWriter &operator=(const ZipWriter &) = delete;

    // Adds the file at filePath under entryName; its time stamp is the file's modification time.
    void addFile(const QString &filePath, const QString &entryName, Method method);

    // Adds in-memory data under entryName with the given time stamp.
    void addData(const QString &entryName, const QByteArray &data, Method method,
                 const QDateTime &modified = QDateTime::currentDateTime());

    // Adds an entry exactly as another archive stored it: its compressed bytes, method and CRC-32
    // are written unchanged.
    void addStored(const QString &entryName, const ZipReader::StoredEntry &entry, const QDateTime &modified);

    // The form an entry of data takes in an archive (compressed when method says so), to be
    // written later with addStored, as often as needed. Messages name archive.
    static ZipReader::StoredEntry storedForm(const QByteArray &data, Method method, const QString &archive);

    // Writes the central directory and closes the file; throws DokravaError on a write error
    // (every write, the flush and the close are checked).
    void close();

private:
    ZipWriter(const QString &path, const QString &shownAs);

    struct Private;
    Private *d;
};

} // namespace dokrava
