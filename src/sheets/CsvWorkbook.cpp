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
        return QString::fromUtf8(bytes.mid(3));
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
    QStringList record;
    // A field is cut out of the text in one piece; only a quote makes it be built character by
    // character. One piece each keeps a large file's fields as small as their texts.
    QString built;
    bool buffered = false;
    qsizetype start = 0; // first character of the field's current unquoted stretch; -1 inside quotes
    bool quoted = false;
    bool pending = false; // a record has started
    const qsizetype n = text.size();
    const auto takeField = [&](qsizetype end) {
        const qsizetype from = start < 0 ? end : start;
        QString field = buffered ? built.append(QStringView(text).mid(from, end - from)) : text.mid(from, end - from);
        built.clear();
        buffered = false;
        return field;
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
            built += QStringView(text).mid(start, i - start);
            buffered = true;
            quoted = true;
            pending = true;
            start = -1;
        } else if (ch == separator) {
            record << takeField(i);
            start = i + 1;
            pending = true;
        } else if (ch == QLatin1Char('\r') || ch == QLatin1Char('\n')) {
            const qsizetype end = i;
            if (ch == QLatin1Char('\r') && i + 1 < n && text.at(i + 1) == QLatin1Char('\n'))
                ++i;
            record << takeField(end);
            records << record;
            record.clear();
            start = i + 1;
            pending = false;
        } else {
            pending = true;
        }
    }
    if (pending || !record.isEmpty()) {
        record << takeField(n);
        records << record;
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
    m_records = parse(text, m_separator);
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
    if (row < 1 || col < 1 || row > m_records.size() || col > m_records[row - 1].size()
        || m_records[row - 1][col - 1].isEmpty())
        return false;
    if (text)
        *text = m_records[row - 1][col - 1];
    return true;
}

void CsvWorkbook::fillCells()
{
    for (int r = 0; r < m_records.size(); ++r) {
        const QStringList &rec = m_records[r];
        for (int c = 0; c < rec.size(); ++c)
            if (!rec[c].isEmpty())
                cells().insert(key(r + 1, c + 1), rec[c]);
    }
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
    QList<QStringList> records;
    for (int r = 1; r <= rows; ++r) {
        QStringList fields;
        for (int c = 1; c <= cols; ++c)
            fields << cellText(r, c);
        records << fields;
        text += formatRecord(fields, m_separator) + QLatin1String("\r\n");
    }
    WriteFileSafely(m_path, QByteArray("\xEF\xBB\xBF") + text.toUtf8());
    m_records = records;
}
