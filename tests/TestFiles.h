#pragma once

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>
#include <QTest>

// Whole-file reads and writes for tests.
namespace TestFiles {

// Writes bytes to path, failing the current test when the file cannot be written.
inline void writeBytes(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(bytes), bytes.size());
}

// The whole content of path; empty when it cannot be read.
inline QByteArray readBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The files one level of folders below root, as "folder/file", sorted.
inline QStringList filesUnder(const QString &root)
{
    QStringList files;
    QDir dir(root);
    for (const QString &sub : dir.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name))
        for (const QString &f : QDir(dir.filePath(sub)).entryList(QDir::Files, QDir::Name))
            files << sub + QLatin1Char('/') + f;
    return files;
}

} // namespace TestFiles
