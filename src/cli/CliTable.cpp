#include "cli/Cli.h"

#include "base/DokravaError.h"
#include "sheets/DataTableLoader.h"

#include <QDir>

namespace Cli {

// The data table as the grid would receive it, sheet counted from 0: ".ods" through the table
// reader (first sheet only), every other format through the spreadsheet engine.
void LoadDataTableForCli(const QString &path, int sheetIndex, QStringList &headers, QList<QStringList> &rows)
{
    if (IsOdsDataFile(path) && sheetIndex != 0)
        throw DokravaError(QStringLiteral("Из файла .ods читается только первый лист"));
    TDataTable table = LoadDataTable(path, sheetIndex);
    if (sheetIndex >= table.sheetNames.size())
        throw DokravaError(QStringLiteral("В книге «%1» нет листа с номером %2")
                               .arg(QDir::toNativeSeparators(path)).arg(sheetIndex + 1));
    headers = table.headers;
    rows = table.rows;
}

namespace {

// One cell on one line: the separators and line ends inside it written as escapes.
QString escapedCell(QString text)
{
    text.replace(QLatin1Char('\\'), QLatin1String("\\\\"));
    text.replace(QLatin1Char('\t'), QLatin1String("\\t"));
    text.replace(QLatin1Char('\n'), QLatin1String("\\n"));
    text.replace(QLatin1Char('\r'), QLatin1String("\\r"));
    return text;
}

QString line(const QStringList &cells)
{
    QStringList escaped;
    for (const QString &c : cells)
        escaped.append(escapedCell(c));
    return escaped.join(QLatin1Char('\t')) + QLatin1Char('\n');
}

} // namespace

int table(const QStringList &args)
{
    QString path;
    int sheet = 1;
    for (qsizetype i = 0; i < args.size(); ++i) {
        if (args.at(i) == QLatin1String("--sheet")) {
            bool ok = false;
            sheet = i + 1 < args.size() ? args.at(i + 1).toInt(&ok) : 0;
            if (!ok || sheet < 1)
                throw UsageError{QStringLiteral("После --sheet нужен номер листа, начиная с 1")};
            ++i;
        } else if (args.at(i).startsWith(QLatin1String("--"))) {
            throw UsageError{QStringLiteral("Неизвестный параметр «%1»").arg(args.at(i))};
        } else if (path.isEmpty()) {
            path = args.at(i);
        } else {
            throw UsageError{QStringLiteral("Укажите один файл таблицы")};
        }
    }
    if (path.isEmpty())
        throw UsageError{QStringLiteral("Не указан файл таблицы")};
    QStringList headers;
    QList<QStringList> rows;
    LoadDataTableForCli(path, sheet - 1, headers, rows);
    QString text = line(headers);
    for (const QStringList &row : rows)
        text += line(row);
    out(text);
    return 0;
}

} // namespace Cli
