// Data table figures: saving and loading a large table through each spreadsheet engine.
#include "grid/TGridModel.h"
#include "sheets/DataTableLoader.h"
#include "sheets/DataTableSaver.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <cstdio>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
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
