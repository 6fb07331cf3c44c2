#include "sheets/CsvWorkbook.h"

#include "base/Cp1251.h"
#include "base/DokravaError.h"
#include "base/PendingFile.h"
#include "sheets/CsvParser.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>

#include <algorithm>
#include <optional>

namespace dokrava {

namespace {

// Where the whole characters of a piece of UTF-8 end: a character cut by the piece's end is left
// for the next piece.
qsizetype utf8PieceEnd(const QByteArray &piece)
{
    qsizetype k = piece.size() - 1;
    while (k >= 0 && k >= piece.size() - 3 && (uchar(piece.at(k)) & 0xC0) == 0x80)
        --k;
    if (k < 0 || uchar(piece.at(k)) < 0xC0)
        return piece.size();
    const uchar lead = uchar(piece.at(k));
    const qsizetype length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : 2;
    return k + length > piece.size() ? k : piece.size();
}

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
    bool fieldStart = true; // a quote opens quoting only here, as in CsvParser
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar ch = text.at(i);
        if (quoted) {
            if (ch == QLatin1Char('"') && i + 1 < text.size() && text.at(i + 1) == QLatin1Char('"'))
                ++i;
            else if (ch == QLatin1Char('"'))
                quoted = false;
            continue;
        }
        if (ch == QLatin1Char('"') && fieldStart)
            quoted = true;
        else if (ch == QLatin1Char('\n') || ch == QLatin1Char('\r'))
            break;
        else if (ch == QLatin1Char(';'))
            ++semicolons;
        else if (ch == QLatin1Char(','))
            ++commas;
        fieldStart = ch == QLatin1Char(';') || ch == QLatin1Char(',');
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
    CsvParser parser(separator);
    parser.feed(text);
    return parser.finish();
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
    // The same reading as decode(): UTF-8 unless a byte says otherwise, then Windows-1251.
    if (!readRecords(file, true))
        readRecords(file, false);
    m_path = path;
    noteFileStamp();
    setActiveSheet(0);
}

bool CsvWorkbook::readRecords(QFile &file, bool utf8)
{
    // Read, decoded and parsed a piece at a time: the file is never held whole, as bytes or text.
    constexpr qint64 pieceSize = 4 << 20;
    if (!file.seek(0))
        throw DokravaError(fileError(file.fileName(), file.errorString()));
    std::optional<CsvParser> parser;
    QByteArray carried; // the start of a character cut by the piece boundary
    bool marked = false;
    bool exact = true; // every byte decoded to what it says, so record ends count true
    bool ascii = true;
    for (bool first = true;; first = false) {
        QByteArray piece = file.read(pieceSize);
        if (piece.isEmpty() && file.error() != QFileDevice::NoError)
            throw DokravaError(fileError(file.fileName(), file.errorString()));
        const bool last = piece.isEmpty();
        ascii = ascii && std::all_of(piece.cbegin(), piece.cend(), [](char c) { return uchar(c) < 0x80; });
        if (first && utf8 && piece.startsWith("\xEF\xBB\xBF")) {
            piece.remove(0, 3);
            marked = true;
        }
        QString text;
        if (utf8) {
            piece.prepend(carried);
            carried = last ? QByteArray() : piece.sliced(utf8PieceEnd(piece));
            piece.chop(carried.size());
            QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
            text = decoder.decode(piece);
            if (decoder.hasError() && !marked)
                return false;
            exact = exact && !decoder.hasError();
        } else {
            text = Cp1251::decode(piece);
        }
        if (!parser) {
            parser.emplace(m_separator = detectSeparator(text));
            parser->countBytes(utf8, marked ? 3 : 0);
        }
        parser->feed(text);
        if (last)
            break;
    }
    m_records = parser->finish();
    m_recordEnds = exact ? parser->takeRecordEnds() : QList<qint64>();
    m_headBytes = marked ? 3 : 0;
    m_ascii = ascii;
    m_encoding = !utf8 ? CsvOutput::Encoding::Cp1251 : marked ? CsvOutput::Encoding::Utf8Marked : CsvOutput::Encoding::Utf8;
    return true;
}

void CsvWorkbook::noteFileStamp()
{
    const QFileInfo info(m_path);
    m_fileSize = info.size();
    m_fileModified = info.lastModified();
}

bool CsvWorkbook::fileUnchanged() const
{
    const QFileInfo info(m_path);
    return m_recordEnds.size() == m_records.size() && info.size() == m_fileSize && info.lastModified() == m_fileModified;
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
    writeRecords(rows, cols, [this](int r, int c) { return cellText(r, c); });
}

void CsvWorkbook::saveGrid(const TTextGrid &grid, int rows, int cols)
{
    // Putting every cell of a large table into the cell store first cost half a minute and more
    // than a gigabyte for a million rows; the records are rewritten in one pass instead, to the
    // same file.
    if (!servesCellsItself() || modified())
        return TSpreadsheet::saveGrid(grid, rows, cols);
    if (!QFileInfo(m_path).isFile())
        throw DokravaError(QStringLiteral("Файл \"%1\" не найден").arg(QDir::toNativeSeparators(m_path)));
    const int gridRows = grid.rowCount();
    const int gridCols = grid.colCount() - 1;
    const auto inArea = [rows, cols](int r, int c) { return r <= rows && c <= cols; };
    // The file's extent: the grid's cells, and the cells with a value outside the area.
    int lastRow = gridCols > 0 ? gridRows : 0;
    int lastCol = gridRows > 0 ? std::max(gridCols, 0) : 0;
    for (int r = 1; r <= m_records.size(); ++r) {
        const TTextRow &record = m_records[r - 1];
        for (int c = record.size() - 1; c >= 1 && !inArea(r, c); --c) {
            if (!record.view(c).isEmpty()) {
                lastRow = std::max(lastRow, r);
                lastCol = std::max(lastCol, c);
                break;
            }
        }
    }
    writeRecords(lastRow, lastCol, [&](int r, int c) {
        if (!inArea(r, c))
            return r <= m_records.size() ? m_records[r - 1].view(c).toString() : QString();
        return r <= gridRows && c <= gridCols ? grid.cell(c, r - 1) : QString();
    });
}

namespace {

// The bytes of the old file's records, read in order while the new file is written beside it.
class OldRecords
{
public:
    OldRecords(const QString &path, qint64 head, const QList<qint64> &ends, bool usable)
        : m_file(path)
        , m_ends(ends)
        , m_start(head)
    {
        m_usable = usable && m_file.open(QIODevice::ReadOnly) && m_file.seek(head);
    }
    // Record r's bytes (from 1, asked in order), line end included; nothing when not known.
    std::optional<QByteArray> next(int r)
    {
        if (!m_usable || r > m_ends.size())
            return std::nullopt;
        const qint64 end = m_ends[r - 1];
        const qint64 length = end - m_start;
        QByteArray raw = length > 0 ? m_file.read(length) : QByteArray();
        m_start = end;
        if (length <= 0 || raw.size() != length) {
            m_usable = false; // the file is not what it was: the rest is written anew
            return std::nullopt;
        }
        return raw;
    }
    // Lets go of the old file before the new one replaces it: Windows replaces no file that is
    // held open.
    void close()
    {
        m_file.close();
        m_usable = false;
    }

private:
    QFile m_file;
    const QList<qint64> &m_ends;
    qint64 m_start;
    bool m_usable = false;
};

// True when the fields are those the record holds; empty fields beyond either count as equal.
bool sameFields(const TTextRow &record, const QStringList &fields)
{
    const int n = std::max(int(fields.size()), record.size() - 1);
    for (int c = 1; c <= n; ++c)
        if (record.view(c) != QStringView(c <= fields.size() ? fields[c - 1] : QString()))
            return false;
    return true;
}

} // namespace

void CsvWorkbook::writeRecords(int rows, int cols, const std::function<QString(int, int)> &cell)
{
    // Encoded line by line: the whole file as one UTF-16 text would double what a large table
    // holds. Each record is replaced as soon as its line is made, which cell() allows (it reads
    // no row above the one asked), so the table is never held twice either; the records are
    // then the sheet as edited, as the cell store is before a save. A record that keeps its
    // fields is copied from the old file, so the save changes nothing the user did not change.
    OldRecords old(m_path, m_headBytes, m_recordEnds, fileUnchanged());
    CsvOutput out(m_encoding, m_ascii);
    QByteArray fileLineEnd;
    QStringList fields;
    for (int r = 1; r <= rows; ++r) {
        fields.clear();
        for (int c = 1; c <= cols; ++c)
            fields << cell(r, c);
        const std::optional<QByteArray> raw = old.next(r);
        if (raw && fileLineEnd.isEmpty())
            fileLineEnd = CsvOutput::lineEndOf(*raw);
        if (raw && sameFields(m_records[r - 1], fields))
            out.addCopy(*raw);
        else
            out.addLine(formatRecord(fields, m_separator),
                        raw ? CsvOutput::lineEndOf(*raw) : fileLineEnd.isEmpty() ? QByteArrayLiteral("\r\n") : fileLineEnd);
        TTextRow record(QStringList{QString()} + fields);
        if (r <= m_records.size())
            m_records[r - 1] = std::move(record);
        else
            m_records.append(std::move(record));
    }
    m_records.resize(rows);
    QList<qint64> ends;
    const QByteArray bytes = out.finish(&ends);
    old.close();
    WriteFileSafely(m_path, bytes);
    m_recordEnds = std::move(ends);
    m_headBytes = out.headBytes();
    m_encoding = out.encoding();
    m_ascii = std::all_of(bytes.cbegin(), bytes.cend(), [](char c) { return uchar(c) < 0x80; });
    noteFileStamp();
}

} // namespace dokrava
