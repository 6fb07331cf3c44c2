// Data table figures: saving and loading a large table through each spreadsheet engine, and
// (--csv ROWS) loading a large ".csv" into the grid the way the main window does.
#include "generation/GridSnapshot.h"
#include "grid/GridSearch.h"
#include "grid/TGridModel.h"
#include "sheets/DataTableLoader.h"
#include "sheets/DataTableSaver.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include "BenchMemory.h"

#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QThread>

#include <cstdio>

using namespace dokrava;


namespace {

// The process's peak resident memory (VmHWM) in KiB; 0 where /proc is missing.
qint64 peakKib()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').value(0).toLongLong();
    return 0;
}

// A file of realistic records: Cyrillic names and addresses, dates, sums; about 97 bytes a line.
void writeCsv(const QString &path, int rows)
{
    static const char *const cities[] = {"Москва", "Казань", "Тверь", "Самара"};
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        qFatal("cannot write %s", qPrintable(path));
    file.write("\xEF\xBB\xBF\xD0\xA4\xD0\x98\xD0\x9E;Город;Адрес;Дата;Сумма;Примечание\r\n");
    QByteArray chunk;
    for (int r = 0; r < rows; ++r) {
        chunk += QStringLiteral("Иванов И.И. %1;%2;ул. Ленина, д. %3;%4.03.2026;%5;прим.\r\n")
                     .arg(r, 6, 10, QLatin1Char('0'))
                     .arg(QString::fromUtf8(cities[r % 4]))
                     .arg(r % 90 + 10)
                     .arg(r % 18 + 10)
                     .arg(100000 + r % 900000)
                     .toUtf8();
        if (chunk.size() > (1 << 20)) {
            file.write(chunk);
            chunk.clear();
        }
    }
    file.write(chunk);
}

// What starting a run over ten marked records costs: the snapshot of the rows a run reads, and
// the copy of every row taken before.
void benchRunStart(const QString &mode, TGridModel &grid)
{
    for (int r = 1; r < grid.rowCount(); r += std::max(1, grid.rowCount() / 10))
        grid.setMark(r, true);
    QElapsedTimer t;
    resetPeak();
    t.start();
    qsizetype rows = TGridSnapshot::fromModel(grid).rows.size();
    const qint64 snapshotMs = t.elapsed();
    const double afterSnapshot = double(peakKib()) / 1024;
    resetPeak();
    t.restart();
    QList<QStringList> every;
    for (int r = 0; r < grid.rowCount(); ++r)
        every.append(grid.record(r));
    rows += every.size();
    std::printf("%-6s run start over 10 marked records: snapshot %lld ms (peak %.0f MiB); copying every row "
                "as before %lld ms (peak %.0f MiB); %lld rows\n",
                qPrintable(mode), snapshotMs, afterSnapshot, t.elapsed(), double(peakKib()) / 1024, (long long)rows);
}

// Saving the table back to a copy of its file: the one pass of the ".csv" engine, then the
// cell-by-cell save that every engine can do, which the ".csv" save used before.
void benchCsvSave(const TTextGrid &grid, const QString &path)
{
    const TableExtent loaded = LoadDataGrid(path, 0).extent;
    QTemporaryDir dir;
    const QString copy = dir.filePath(QStringLiteral("copy.csv"));
    QFile::copy(path, copy);
    QElapsedTimer t;
    resetPeak();
    t.start();
    SaveDataTable(grid, copy, 0, {}, loaded);
    const qint64 onePassMs = t.elapsed();
    const double onePassPeak = double(peakKib()) / 1024;
    QFile::remove(copy);
    QFile::copy(path, copy);
    resetPeak();
    t.restart();
    const std::unique_ptr<TSpreadsheet> book = OpenSpreadsheet(copy, {});
    book->setActiveSheet(0);
    book->TSpreadsheet::saveGrid(grid, std::max(loaded.rows, grid.rowCount()), std::max(loaded.cols, grid.colCount() - 1));
    std::printf("window save to .csv: one pass %lld ms (peak %.0f MiB); cell by cell as before %lld ms (peak %.0f MiB)\n",
                onePassMs, onePassPeak, t.elapsed(), double(peakKib()) / 1024);
}

// One load in a process of its own, so that its peak memory is its alone. "window": what the
// main window calls; "lists": the table as lists of texts handed to the grid.
int csvChild(const QString &mode, const QString &path)
{
    const qint64 before = peakKib();
    const double fileMib = double(QFile(path).size()) / (1 << 20);
    TGridModel grid;
    QElapsedTimer t;
    t.start();
    if (mode == QLatin1String("window")) {
        TDataTable table = LoadDataGrid(path, 0);
        grid.load(std::move(table.text));
    } else {
        const TDataTable table = LoadDataTable(path, 0);
        grid.load(table.headers, table.rows);
    }
    const qint64 loadMs = t.elapsed();
    const double peakMib = double(peakKib()) / 1024;
    std::printf("%-6s load %d rows x %d fields: %lld ms, peak %.0f MiB (%.0f MiB before the load), "
                "%.2fx the file\n",
                qPrintable(mode), grid.rowCount() - 1, grid.colCount() - 1, loadMs, peakMib,
                double(before) / 1024, peakMib / fileMib);

    QRandomGenerator random(7);
    t.restart();
    qsizetype chars = 0;
    for (int i = 0; i < 1000000; ++i)
        chars += grid.cell(1 + int(random.bounded(grid.colCount() - 1)), int(random.bounded(grid.rowCount()))).size();
    const qint64 readMs = t.elapsed();
    QElapsedTimer e;
    e.start();
    for (int i = 0; i < 1000; ++i)
        grid.setCell(3, 1 + int(random.bounded(grid.rowCount() - 1)), QStringLiteral("пр. Мира, д. %1").arg(i));
    const qint64 setNs = e.nsecsElapsed();
    t.restart();
    const int gridRows = grid.textGrid().rowCount();
    const qint64 textMs = t.elapsed();
    t.restart();
    int foundCol = 0;
    int foundRow = 0;
    const bool found = GridSearch::findNext(grid, QStringLiteral("нет такого"), 0, 0, &foundCol, &foundRow);
    const qint64 searchMs = t.elapsed();
    t.restart();
    bool copied = false; // the same search reading each cell as a copy, as it did before
    for (int r = 0; r < grid.rowCount() && !copied; ++r)
        for (int c = 0; c < grid.colCount() && !copied; ++c)
            copied = grid.cell(c, r).contains(QStringLiteral("нет такого"));
    const qint64 copySearchMs = t.elapsed();
    t.restart();
    grid.moveColumn(1, 6);
    const qint64 moveMs = t.elapsed();
    std::printf("%-6s 1,000,000 random cell reads %lld ms (%lld chars); setCell %.1f us; textGrid() %lld ms "
                "(%d rows); moveColumn %lld ms; a search through every cell %lld ms%s (%lld ms reading copies); peak now %.0f MiB\n",
                qPrintable(mode), readMs, (long long)chars, double(setNs) / 1000 / 1000, textMs,
                gridRows, moveMs, searchMs, found || copied ? " (found)" : "", copySearchMs, double(peakKib()) / 1024);
    benchRunStart(mode, grid);
    if (mode == QLatin1String("window"))
        benchCsvSave(grid.textGrid(), path);
    return 0;
}

int csvBench(const QString &self, int rows)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("big.csv"));
    writeCsv(path, rows);
    std::printf("%d cores; %s: %d records, %.1f MB (%.1f MiB)\n", QThread::idealThreadCount(),
                qPrintable(path), rows, double(QFile(path).size()) / 1e6, double(QFile(path).size()) / (1 << 20));
    std::fflush(stdout);
    for (const QString &mode : {QStringLiteral("lists"), QStringLiteral("window")}) {
        QProcess child;
        child.setProcessChannelMode(QProcess::ForwardedChannels);
        child.start(self, {QStringLiteral("--csv-child"), mode, path});
        child.waitForFinished(-1);
    }
    return 0;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.value(1) == QLatin1String("--csv-child"))
        return csvChild(args.value(2), args.value(3));
    if (args.value(1) == QLatin1String("--csv"))
        return csvBench(app.applicationFilePath(), args.size() > 2 ? args.value(2).toInt() : 1000000);
    const int rows = argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : 20000;
    const int cols = 10;
    QStringList headers;
    for (int c = 0; c < cols; ++c)
        headers << QStringLiteral("Поле %1").arg(c + 1);
    QList<QStringList> records;
    for (int r = 0; r < rows; ++r) {
        QStringList rec;
        for (int c = 0; c < cols; ++c)
            rec << QStringLiteral("Значение %1-%2").arg(r).arg(c);
        records << rec;
    }
    TGridModel grid;
    QElapsedTimer t;
    t.start();
    grid.load(headers, records);
    std::printf("grid load: %d records x %d fields in %lld ms\n", rows, cols, t.elapsed());

    QTemporaryDir dir;
    for (const QString &name : {QStringLiteral("big.xlsx"), QStringLiteral("big.csv"), QStringLiteral("big.ods")}) {
        const QString path = dir.filePath(name);
        if (!name.endsWith(QLatin1String(".ods"))) {
            if (name.endsWith(QLatin1String(".xlsx")))
                QFile::copy(QStringLiteral(DOKRAVA_TEST_DATA "/table/three_sheets_lo.xlsx"), path);
            else
                QFile(path).open(QIODevice::WriteOnly);
            QFile(path).setPermissions(QFile::ReadOwner | QFile::WriteOwner);
        }
        t.restart();
        SaveDataTable(grid.textGrid(), path, 0, {}, TableExtent());
        const qint64 save = t.elapsed();
        t.restart();
        const TDataTable table = LoadDataTable(path, 0);
        const qint64 load = t.elapsed();
        std::printf("%s: save %lld ms, load %lld ms, %lld records read, file %lld KiB\n", qPrintable(name), save,
                    load, (long long)table.rows.size(), (long long)(QFile(path).size() / 1024));
    }
    return 0;
}
