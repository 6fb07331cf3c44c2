#pragma once

#include "base/TextRow.h"

#include <QList>
#include <QString>
#include <QStringView>

// Splits ".csv" text into records (quotes as RFC 4180), the text given in pieces of any size:
// a large file is then read and decoded a piece at a time and never held whole. Each record is
// one packed row with an empty cell in front, where the grid keeps its marks.
class CsvParser
{
public:
    // A parser for fields divided by separator.
    explicit CsvParser(QChar separator) : m_separator(separator) { m_record.append(QStringView()); }

    // Reads the next piece of the text.
    void feed(QStringView text);
    // Ends the text and hands over every record read.
    QList<TTextRow> finish();

private:
    // The first position of a piece after what the last piece left open.
    qsizetype resume(QStringView text);
    // One character inside quotes at i; returns the last position used (a doubled quote is two).
    qsizetype quotedChar(QStringView text, qsizetype i, qsizetype &start);
    void takeField(QStringView tail);
    void endRecord();

    QChar m_separator;
    QList<TTextRow> m_records;
    TTextRowBuilder m_record;
    QString m_built;          // the field so far, when a quote or a piece boundary interrupted it
    bool m_quoted = false;    // inside quotes
    bool m_quoteEnds = false; // inside quotes, the last piece ended on a quote: closing or doubled
    bool m_skipLf = false;    // the last piece ended on CR outside quotes: a LF next belongs to it
    bool m_pending = false;   // a record has started
};
