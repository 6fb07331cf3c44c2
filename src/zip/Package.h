#pragma once

#include "zip/ZipReader.h"
#include "zip/ZipWriter.h"

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>

namespace dokrava {

class PendingFile;

// A ZIP package held in memory: its entries can be read, replaced, added and removed, and the
// whole saved through the safe writer. An entry that was not touched is written back exactly as
// it was stored, compressed bytes and CRC-32 included, never inflated and deflated again.
class Package
{
public:
    // An empty package.
    Package() = default;
    // Reads every entry of the archive at path in its stored form; throws DokravaError naming
    // the file when it is no readable archive.
    explicit Package(const QString &path);

    // The archive read, empty for a new package.
    QString path() const { return m_path; }
    // Number of entries, in archive order.
    int count() const { return int(m_entries.size()); }
    // The name of entry i ("/" separated).
    QString name(int i) const { return m_entries.at(i).name; }
    // Compression method of entry i (0 stored, 8 deflate).
    int method(int i) const { return m_entries.at(i).method; }
    // Last-modification time of entry i.
    QDateTime modified(int i) const { return m_entries.at(i).modified; }
    // True when entry i stands for a folder (its name ends with "/").
    bool isDir(int i) const;
    // True once entry i was replaced or added.
    bool isChanged(int i) const { return m_entries.at(i).changed; }
    // Index of the first entry with this name (letter case as asked), or -1.
    int indexOf(const QString &name, Qt::CaseSensitivity cs = Qt::CaseSensitive) const;

    // The data of entry i, inflated and checked; throws DokravaError for damaged data.
    QByteArray data(int i) const;
    // Throws DokravaError naming the archive and the entry when an entry's data fails to inflate
    // or its CRC-32, or when two entries share a name (letter case ignored): a reader could take
    // either of them.
    void verify() const;
    // The data of the entry with this exact name; empty when there is none.
    QByteArray data(const QString &name) const;

    // Gives entry i new data; its name, position, method and time stay.
    void replace(int i, const QByteArray &data);
    // Gives entry i new content already in its stored form (see ZipWriter::storedForm), written
    // as it is; its name, position and time stay.
    void replaceStored(int i, const ZipReader::StoredEntry &stored);
    // Gives entry i new data and a new compression method.
    void replace(int i, const QByteArray &data, ZipWriter::Method method);
    // Moves entry i to the front, the entries before it moving one place back.
    void moveToFront(int i);
    // Appends an entry.
    void add(const QString &name, const QByteArray &data, ZipWriter::Method method,
             const QDateTime &modified = QDateTime::currentDateTime());
    // Removes entry i.
    void remove(int i);

    // Writes the package to path, replacing it only once the new file is complete.
    void save(const QString &path) const;
    // Writes the package as the new content of pending, which the caller commits.
    void write(const PendingFile &pending) const;
    // Writes every entry, in order, to an open writer.
    void writeTo(ZipWriter &zip) const;

private:
    struct Entry
    {
        QString name;
        int method = 8;
        QDateTime modified;
        ZipReader::StoredEntry stored; // the form read from the archive, while unchanged
        QByteArray data;               // the new content, once changed
        bool changed = false;
    };
    QString m_path; // the archive read, for messages
    QList<Entry> m_entries;
};

} // namespace dokrava
