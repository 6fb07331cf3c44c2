#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QXmlStreamReader>

namespace dokrava {

// Reads the first sheet of a spreadsheet's "content.xml" into field names and records.
// The first row with cells names the fields (texts trimmed, an empty text names none, a name met
// again takes the later column); every later row is one record, its values untrimmed and in the
// columns' order. Repeated cells and rows are expanded; trailing empty rows are no records.
// Failures throw DokravaError with the reader's own sentence (without the "Ошибка парсинга ODS: "
// prefix, which the caller adds).
class OdsContentReader
{
public:
    // Parses xml; Headers and Rows are replaced. Every list of Rows has one value per header.
    static void Parse(const QString &xml, QStringList &Headers, QList<QStringList> &Rows);

    // The text of one cell element written as XML ("<table:table-cell ...>...</table:table-cell>"):
    // its paragraphs joined by line feeds, spans unwrapped, space, tab and line-break elements as
    // their characters, references resolved.
    static QString ExtractParagraphText(const QString &CellXml);
    // A header text as it names a field: every character with a code up to 32 trimmed from both
    // ends (QString::trimmed keeps some of them and drops others).
    static QString FieldName(const QString &text);

private:
    struct Run
    {
        qint64 col = 0;   // first column of the run
        qint64 count = 1; // columns it covers
        QString text;
    };

    explicit OdsContentReader(const QString &xml);
    bool isElement(const char *qualifiedName) const;
    qint64 repeatAttribute(const char *name) const;
    bool findTable();
    void readTable();
    void readRow();
    QString readCellText();
    void readParagraph(QString &out);
    void addHeaderRow(const QList<Run> &runs);
    void addDataRow(const QList<Run> &runs, qint64 repeat);
    void appendRecords(const QStringList &values, qint64 count);
    [[noreturn]] void failXml() const;

    QXmlStreamReader m_xml;
    QList<qint64> m_headerCols; // column of each header, ascending
    QStringList m_headers;
    QList<QStringList> m_rows;
    bool m_haveHeader = false;
    qint64 m_pendingEmpty = 0; // empty rows that count only if a filled row follows
    qint64 m_spaceBudget = 0;
};

} // namespace dokrava
