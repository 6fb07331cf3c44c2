#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

namespace dokrava {

// The bytes of a ".csv" file being saved, one record after another: a record nobody changed is
// copied as the old file holds it, a changed or new one is written in the file's encoding. A
// Windows-1251 file that receives a character the code page lacks becomes UTF-8 with a
// byte-order mark as a whole (its copied records re-encoded, their text unchanged), and a file
// of plain ASCII without a mark gets one once it holds other characters, so that spreadsheet
// programs read it as UTF-8.
class CsvOutput
{
public:
    enum class Encoding { Utf8, Utf8Marked, Cp1251 };

    // An output in the old file's encoding; ascii says that file held no byte above 127.
    CsvOutput(Encoding encoding, bool ascii);

    // Appends a record exactly as the old file holds it, its line end included.
    void addCopy(const QByteArray &raw);
    // Appends a record written anew: its line, then lineEnd (empty for a last line without one).
    void addLine(const QString &line, const QByteArray &lineEnd);
    // The whole file; ends gets the byte offset past each record.
    QByteArray finish(QList<qint64> *ends);
    // The encoding the file is written in (known once finish() ran).
    Encoding encoding() const { return m_encoding; }
    // The bytes before the first record (known once finish() ran).
    qint64 headBytes() const { return m_head; }

    // The line end raw finishes with: CR LF, LF, CR or nothing.
    static QByteArray lineEndOf(const QByteArray &raw);

private:
    // Whatever is written so far turns from Windows-1251 into UTF-8.
    void toUtf8();
    // Adds the line end that a record left open needs before the next one.
    void closeOpenRecord();
    void endRecord(const QByteArray &lineEnd);

    Encoding m_encoding;
    bool m_fromCp1251;
    bool m_ascii;
    QByteArray m_bytes;
    QList<qint64> m_ends;         // offsets past each record, counted without the head
    QByteArray m_lineEnd;         // the file's own line end, from the first record that has one
    bool m_open = false;          // the last record has no line end yet
    qint64 m_head = 0;
};

} // namespace dokrava
