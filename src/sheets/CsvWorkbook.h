#pragma once

#include "sheets/CsvOutput.h"
#include "sheets/TSpreadsheet.h"

#include <QByteArray>
#include <QDateTime>
#include <QFile>

#include <functional>

namespace dokrava {

// A ".csv" data file as a workbook of one sheet named after the file. Read as UTF-8 (a byte-order
// mark recognised), or as Windows-1251 when the bytes are not valid UTF-8; the separator ";" or ","
// is taken from the header line; quotes as RFC 4180, a quote inside an unquoted field being text.
// A save writes only what changed: a record whose fields are those the file holds keeps its bytes
// exactly (quoting, spaces, line end); a changed or new one is written with the separator the
// file was read with, quoted where needed, in the file's encoding (CsvOutput) and with the
// record's own line end (new records: the file's, CR LF when it has none).
class CsvWorkbook : public TSpreadsheet
{
public:
    void open(const QString &path) override;
    TTextRow takeGridRow(int row, int cols) override;
    QStringList sheetNames() const override;
    void save() override;
    void saveGrid(const TTextGrid &grid, int rows, int cols) override;

    // Decodes file bytes: UTF-8 with or without a byte-order mark, else Windows-1251.
    static QString decode(const QByteArray &bytes);
    // The separator of the text's first line: ';' or ',' (';' when neither occurs).
    static QChar detectSeparator(const QString &text);
    // Splits the text into records of fields.
    static QList<QStringList> parse(const QString &text, QChar separator);
    // Splits the text into records as the grid holds them: one packed row each, an empty marker
    // cell before the fields.
    static QList<TTextRow> parseRows(QStringView text, QChar separator);
    // One record as a line without its line end, fields quoted where needed.
    static QString formatRecord(const QStringList &fields, QChar separator);

protected:
    void loadSheet(int index) override;
    bool cellAt(int row, int col, QString *text) const override;
    int ownRowCount() const override { return int(m_records.size()); }
    void fillCells() override;

private:
    // Reads the records of the open file as UTF-8 (utf8) or Windows-1251; false when the bytes
    // are not valid UTF-8 without a byte-order mark. Throws DokravaError when the file fails.
    bool readRecords(QFile &file, bool utf8);
    // Writes rows 1..rows of cols fields, cell(row, col) giving each text, and keeps them as the
    // records; cell may read the records of the row it is asked for and below.
    void writeRecords(int rows, int cols, const std::function<QString(int, int)> &cell);
    // Takes note of the file as it now stands: records copied later must come from these bytes.
    void noteFileStamp();
    // True while the file is the one whose record ends are known.
    bool fileUnchanged() const;

    QList<TTextRow> m_records; // record r is row r + 1; cell c of the row is column c
    QChar m_separator = QLatin1Char(';');
    CsvOutput::Encoding m_encoding = CsvOutput::Encoding::Utf8;
    bool m_ascii = true;         // the file holds no byte above 127
    qint64 m_headBytes = 0;      // the byte-order mark before the first record
    QList<qint64> m_recordEnds;  // byte offset past each record; empty when not known
    qint64 m_fileSize = -1;
    QDateTime m_fileModified;
};

} // namespace dokrava
