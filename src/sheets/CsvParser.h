#pragma once

#include "base/TextRow.h"
#include "base/TextRowBuilder.h"

#include <QList>
#include <QString>
#include <QStringView>

#include <utility>

namespace dokrava {

// Splits ".csv" text into records (quotes as RFC 4180), the text given in pieces of any size:
// a large file is then read and decoded a piece at a time and never held whole. Each record is
// one packed row with an empty cell in front, where the grid keeps its marks. A quote opens a
// quoted stretch only as a field's first character; elsewhere it is text, as office suites read
// ООО "Север" and the like. The parser also tells where in the file each record ends, so that
// a save can copy the records nobody changed byte for byte.
class CsvParser
{
public:
    // A parser for fields divided by separator.
    explicit CsvParser(QChar separator) : m_separator(separator) { m_record.append(QStringView()); }

    // How record ends are counted in bytes: each character as its UTF-8 length (utf8) or as
    // one byte, starting at offset (the bytes before the text, such as a byte-order mark).
    void countBytes(bool utf8, qint64 offset)
    {
        m_utf8 = utf8;
        m_segmentBytes = offset;
    }

    // Reads the next piece of the text.
    void feed(QStringView text);
    // Ends the text and hands over every record read.
    QList<TTextRow> finish();
    // After finish(): for each record, the byte offset just past it (its line end included).
    QList<qint64> takeRecordEnds() { return std::exchange(m_ends, {}); }

private:
    // The first position of a piece after what the last piece left open.
    qsizetype resume(QStringView text);
    // One character inside quotes at i; returns the last position used (a doubled quote is two).
    qsizetype quotedChar(QStringView text, qsizetype i, qsizetype &start);
    void takeField(QStringView tail);
    // Ends the record whose line end finishes before position at of text.
    void endRecord(QStringView text, qsizetype at);
    // The bytes that the characters of text take in the file.
    qint64 byteLength(QStringView text) const;

    QChar m_separator;
    QList<TTextRow> m_records;
    TTextRowBuilder m_record;
    QString m_built;          // the field so far, when a quote or a piece boundary interrupted it
    bool m_quoted = false;    // inside quotes
    bool m_quoteEnds = false; // inside quotes, the last piece ended on a quote: closing or doubled
    bool m_skipLf = false;    // the last piece ended on CR outside quotes: a LF next belongs to it
    bool m_pending = false;   // a record has started
    bool m_fieldBegun = false; // the current field has a character already (a quote is then text)
    QList<qint64> m_ends;     // byte offset past each record
    bool m_utf8 = true;
    qint64 m_segmentBytes = 0;   // byte offset of m_segmentStart
    qsizetype m_segmentStart = 0; // where, in the piece being read, the bytes are not yet counted
};

} // namespace dokrava
