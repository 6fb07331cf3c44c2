#include "odf/OdsContentReader.h"

#include "base/DokravaError.h"

#include <QMap>

#include <algorithm>

namespace dokrava {

namespace {

// A sheet of an office suite has at most 1 048 576 rows; more records, or a table too big to hold
// in memory, come only from a damaged or hostile file.
constexpr qint64 kMaxRecords = 1048576;
constexpr qint64 kMaxCells = 32LL * 1024 * 1024;
constexpr qint64 kMaxSpaces = 16LL * 1024 * 1024;

[[noreturn]] void tooBig()
{
    throw DokravaError(QStringLiteral("Таблица слишком велика"));
}


} // namespace

OdsContentReader::OdsContentReader(const QString &xml)
    : m_xml(xml)
{
    m_xml.setNamespaceProcessing(false);
}

bool OdsContentReader::isElement(const char *qualifiedName) const
{
    return m_xml.qualifiedName() == QLatin1String(qualifiedName);
}

qint64 OdsContentReader::repeatAttribute(const char *name) const
{
    bool ok = false;
    const qint64 n = m_xml.attributes().value(QLatin1String(name)).toLongLong(&ok);
    return ok && n > 1 ? std::min<qint64>(n, 1LL << 40) : 1;
}

void OdsContentReader::failXml() const
{
    throw DokravaError(QStringLiteral("Файл content.xml повреждён (строка %1, позиция %2)")
                           .arg(m_xml.lineNumber())
                           .arg(m_xml.columnNumber()));
}

bool OdsContentReader::findTable()
{
    while (!m_xml.atEnd()) {
        if (m_xml.readNext() == QXmlStreamReader::StartElement && isElement("table:table"))
            return true;
    }
    if (m_xml.error() != QXmlStreamReader::NoError && m_xml.error() != QXmlStreamReader::PrematureEndOfDocumentError)
        failXml();
    return false;
}

void OdsContentReader::readTable()
{
    while (!m_xml.atEnd()) {
        m_xml.readNext();
        if (m_xml.isEndElement() && isElement("table:table"))
            return;
        if (!m_xml.isStartElement())
            continue;
        if (isElement("table:table-row"))
            readRow();
        else if (!isElement("table:table-header-rows") && !isElement("table:table-row-group")
                 && !isElement("table:table-rows"))
            m_xml.skipCurrentElement();
    }
    if (m_xml.error() == QXmlStreamReader::PrematureEndOfDocumentError)
        throw DokravaError(QStringLiteral("Не найден конец таблицы"));
    failXml();
}

void OdsContentReader::readRow()
{
    const qint64 rowRepeat = repeatAttribute("table:number-rows-repeated");
    QList<Run> runs;
    qint64 col = 0;
    bool hasCells = false;
    while (m_xml.readNextStartElement()) {
        const bool cell = isElement("table:table-cell");
        if (!cell && !isElement("table:covered-table-cell")) {
            m_xml.skipCurrentElement();
            continue;
        }
        hasCells = hasCells || cell;
        const qint64 count = repeatAttribute("table:number-columns-repeated");
        Run run{col, count, readCellText()};
        if (!run.text.isEmpty())
            runs.append(run);
        col += count;
    }
    if (m_xml.hasError() || !hasCells)
        return;
    if (!m_haveHeader) {
        addHeaderRow(runs);
        addDataRow(runs, rowRepeat - 1);
    } else {
        addDataRow(runs, rowRepeat);
    }
}

QString OdsContentReader::readCellText()
{
    QStringList paragraphs;
    while (m_xml.readNextStartElement()) {
        if (isElement("text:p") || isElement("text:h")) {
            QString text;
            readParagraph(text);
            paragraphs.append(text);
        } else {
            m_xml.skipCurrentElement(); // notes, frames and the like hold no cell value
        }
    }
    return paragraphs.join(QLatin1Char('\n'));
}

void OdsContentReader::readParagraph(QString &out)
{
    // Iterative on purpose: nesting depth comes from the file and must not grow the stack.
    int depth = 1;
    while (depth > 0 && !m_xml.atEnd()) {
        switch (m_xml.readNext()) {
        case QXmlStreamReader::Characters:
            out += m_xml.text();
            break;
        case QXmlStreamReader::EndElement:
            --depth;
            break;
        case QXmlStreamReader::StartElement:
            if (isElement("text:s")) {
                bool ok = false;
                qint64 n = m_xml.attributes().value(QLatin1String("text:c")).toLongLong(&ok);
                n = ok && n > 0 ? n : 1;
                m_spaceBudget += n;
                if (m_spaceBudget > kMaxSpaces)
                    tooBig();
                out += QString(qsizetype(n), QLatin1Char(' '));
                m_xml.skipCurrentElement();
            } else if (isElement("text:tab")) {
                out += QLatin1Char('\t');
                m_xml.skipCurrentElement();
            } else if (isElement("text:line-break")) {
                out += QLatin1Char('\n');
                m_xml.skipCurrentElement();
            } else if (isElement("office:annotation") || isElement("text:note") || isElement("draw:frame")) {
                m_xml.skipCurrentElement();
            } else {
                ++depth; // spans, links and other inline wrappers: their text counts
            }
            break;
        default:
            break;
        }
    }
}

void OdsContentReader::addHeaderRow(const QList<Run> &runs)
{
    QMap<QString, qint64> columns; // a name met again keeps the later column
    for (const Run &run : runs) {
        const QString name = FieldName(run.text);
        if (!name.isEmpty())
            columns.insert(name, run.col + run.count - 1);
    }
    if (columns.isEmpty())
        throw DokravaError(QStringLiteral("Заголовки не найдены. Проверьте файл."));
    QList<QPair<qint64, QString>> ordered;
    for (auto it = columns.cbegin(); it != columns.cend(); ++it)
        ordered.append({it.value(), it.key()});
    std::sort(ordered.begin(), ordered.end());
    for (const auto &[col, name] : ordered) {
        m_headerCols.append(col);
        m_headers.append(name);
    }
    m_haveHeader = true;
}

void OdsContentReader::addDataRow(const QList<Run> &runs, qint64 repeat)
{
    if (repeat <= 0)
        return;
    QStringList values(m_headers.size());
    bool filled = false;
    for (const Run &run : runs) {
        auto it = std::lower_bound(m_headerCols.cbegin(), m_headerCols.cend(), run.col);
        for (; it != m_headerCols.cend() && *it < run.col + run.count; ++it) {
            values[it - m_headerCols.cbegin()] = run.text;
            filled = true;
        }
    }
    if (!filled) {
        m_pendingEmpty = std::min(m_pendingEmpty + repeat, kMaxRecords + 1);
        return;
    }
    appendRecords(QStringList(m_headers.size()), m_pendingEmpty);
    m_pendingEmpty = 0;
    appendRecords(values, repeat);
}

void OdsContentReader::appendRecords(const QStringList &values, qint64 count)
{
    const qint64 total = m_rows.size() + count;
    if (total > kMaxRecords || total * std::max<qint64>(1, m_headers.size()) > kMaxCells)
        tooBig();
    for (qint64 i = 0; i < count; ++i)
        m_rows.append(values); // implicitly shared: repeated rows cost one list
}

void OdsContentReader::Parse(const QString &xml, QStringList &Headers, QList<QStringList> &Rows)
{
    Headers.clear();
    Rows.clear();
    OdsContentReader reader(xml);
    if (!reader.findTable())
        throw DokravaError(QStringLiteral("Таблица не найдена в content.xml"));
    reader.readTable();
    if (reader.m_rows.isEmpty())
        throw DokravaError(QStringLiteral("Нет строк данных в файле"));
    Headers = reader.m_headers;
    Rows = reader.m_rows;
}

QString OdsContentReader::ExtractParagraphText(const QString &CellXml)
{
    OdsContentReader reader(CellXml);
    if (!reader.m_xml.readNextStartElement())
        return QString();
    return reader.readCellText();
}

QString OdsContentReader::FieldName(const QString &text)
{
    qsizetype from = 0, to = text.size();
    while (from < to && text.at(from).unicode() <= 32)
        ++from;
    while (to > from && text.at(to - 1).unicode() <= 32)
        --to;
    return text.mid(from, to - from);
}

} // namespace dokrava
