#include "sheets/CsvWorkbook.h"

#include "base/Cp1251.h"
#include "base/DokravaError.h"
#include "base/PendingFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>

namespace {

QString fileError(const QString &path, const QString &reason)
{
    return QStringLiteral("Не удалось прочитать файл \"%1\": %2").arg(QDir::toNativeSeparators(path), reason);
}

} // namespace

QString CsvWorkbook::decode(const QByteArray &bytes)
{
    if (bytes.startsWith("\xEF\xBB\xBF"))
        return QString::fromUtf8(QByteArrayView(bytes).sliced(3)); // a view: a large file is not copied
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = utf8.decode(bytes);
    if (!utf8.hasError())
        return text;
    return Cp1251::decode(bytes);
}

QChar CsvWorkbook::detectSeparator(const QString &text)
{
    int semicolons = 0;
    int commas = 0;
    bool quoted = false;
    for (const QChar ch : text) {
        if (ch == QLatin1Char('"'))
            quoted = !quoted;
        else if (!quoted && (ch == QLatin1Char('\n') || ch == QLatin1Char('\r')))
            break;
        else if (!quoted && ch == QLatin1Char(';'))
            ++semicolons;
        else if (!quoted && ch == QLatin1Char(','))
            ++commas;
    }
    return commas > semicolons ? QLatin1Char(',') : QLatin1Char(';');
}

QList<QStringList> CsvWorkbook::parse(const QString &text, QChar separator)
{
    QList<QStringList> records;
    for (const TTextRow &row : parseRows(text, separator))
        records << row.toList().mid(1);
    return records;
}

QList<TTextRow> CsvWorkbook::parseRows(QStringView text, QChar separator)
{
    QList<TTextRow> records;
    TTextRowBuilder record;
    record.append(QStringView());
    // A field is cut out of the text in one piece; only a quote makes it be built character by
    // character.
    QString built;
    bool buffered = false;
    qsizetype start = 0; // first character of the field's current unquoted stretch; -1 inside quotes
    bool quoted = false;
    bool pending = false; // a record has started
    const qsizetype n = text.size();
    const auto takeField = [&](qsizetype end) {
        const qsizetype from = start < 0 ? end : start;
        if (buffered)
            record.append(built.append(text.mid(from, end - from)));
        else
            record.append(text.mid(from, end - from));
        built.resize(0);
        buffered = false;
    };
    for (qsizetype i = 0; i < n; ++i) {
        const QChar ch = text.at(i);
        if (quoted) {
            if (ch != QLatin1Char('"'))
                built += ch;
            else if (i + 1 < n && text.at(i + 1) == QLatin1Char('"'))
                built += text.at(++i);
            else {
                quoted = false;
                start = i + 1;
            }
            continue;
        }
        if (ch == QLatin1Char('"')) {
            built += text.mid(start, i - start);
            buffered = true;
            quoted = true;
            pending = true;
            start = -1;
        } else if (ch == separator) {
            takeField(i);
            start = i + 1;
            pending = true;
        } else if (ch == QLatin1Char('\r') || ch == QLatin1Char('\n')) {
            const qsizetype end = i;
            if (ch == QLatin1Char('\r') && i + 1 < n && text.at(i + 1) == QLatin1Char('\n'))
                ++i;
            takeField(end);
            records << record.take();
            record.append(QStringView());
            start = i + 1;
            pending = false;
        } else {
            pending = true;
        }
    }
    if (pending || record.size() > 1) {
        takeField(n);
        records << record.take();
    }
    return records;
}

QString CsvWorkbook::formatRecord(const QStringList &fields, QChar separator)
{
    QStringList out;
    out.reserve(fields.size());
    for (const QString &f : fields) {
        if (f.contains(separator) || f.contains(QLatin1Char('"')) || f.contains(QLatin1Char('\n'))
            || f.contains(QLatin1Char('\r'))) {
            QString q = f;
            q.replace(QLatin1String("\""), QLatin1String("\"\""));
            out << QLatin1Char('"') + q + QLatin1Char('"');
        } else {
            out << f;
        }
    }
    return out.join(separator);
}

void CsvWorkbook::open(const QString &path)
{
    close();
    m_records.clear();
    QFile file(path);
    if (!QFileInfo(path).isFile())
        throw DokravaError(QStringLiteral("Файл \"%1\" не найден").arg(QDir::toNativeSeparators(path)));
    if (!file.open(QIODevice::ReadOnly))
        throw DokravaError(fileError(path, file.errorString()));
    const QString text = decode(file.readAll());
    m_path = path;
    m_separator = detectSeparator(text);
    m_records = parseRows(text, m_separator);
    setActiveSheet(0);
}

QStringList CsvWorkbook::sheetNames() const
{
    return {QFileInfo(m_path).completeBaseName()};
}

void CsvWorkbook::loadSheet(int)
{
    // The records are the cells already: a large file is held once, not twice.
    serveCellsItself();
}

bool CsvWorkbook::cellAt(int row, int col, QString *text) const
{
    if (row < 1 || col < 1 || row > m_records.size())
        return false;
    const QStringView cell = m_records[row - 1].view(col);
    if (cell.isEmpty())
        return false;
    if (text)
        *text = cell.toString();
    return true;
}

void CsvWorkbook::fillCells()
{
    for (int r = 0; r < m_records.size(); ++r) {
        const TTextRow &rec = m_records[r];
        for (int c = 1; c < rec.size(); ++c)
            if (!rec.view(c).isEmpty())
                cells().insert(key(r + 1, c), rec.at(c));
    }
}

TTextRow CsvWorkbook::takeGridRow(int row, int cols)
{
    if (!servesCellsItself() || row < 1 || row > m_records.size())
        return TSpreadsheet::takeGridRow(row, cols);
    // The record is the grid row already; moving it out keeps a large file from being held twice.
    TTextRow taken = std::exchange(m_records[row - 1], TTextRow());
    taken.resize(cols + 1);
    return taken;
}

void CsvWorkbook::save()
{
    takeCells();
    if (!QFileInfo(m_path).isFile())
        throw DokravaError(QStringLiteral("Файл \"%1\" не найден").arg(QDir::toNativeSeparators(m_path)));
    int rows = 0;
    int cols = 0;
    for (auto it = cells().cbegin(); it != cells().cend(); ++it) {
        rows = std::max(rows, keyRow(it.key()));
        cols = std::max(cols, keyCol(it.key()));
    }
    QString text;
    QList<TTextRow> records;
    for (int r = 1; r <= rows; ++r) {
        QStringList fields;
        for (int c = 1; c <= cols; ++c)
            fields << cellText(r, c);
        records << TTextRow(QStringList{QString()} + fields);
        text += formatRecord(fields, m_separator) + QLatin1String("\r\n");
    }
    WriteFileSafely(m_path, QByteArray("\xEF\xBB\xBF") + text.toUtf8());
    m_records = records;
}
