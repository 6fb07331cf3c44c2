#include "cli/Cli.h"

#include "base/DokravaError.h"
#include "sheets/DataTableLoader.h"

#include <QDir>

namespace dokrava {

namespace Cli {

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

// Prints the data table as the grid would receive it, sheet counted from 0: ".ods" through the
// table reader (first sheet only), every other format through the spreadsheet engine, read as
// the grid holds it. The lines go out a piece at a time: a large table is never one text.
void printTable(const QString &path, int sheetIndex)
{
    const bool ods = IsOdsDataFile(path);
    if (ods && sheetIndex != 0)
        throw DokravaError(QStringLiteral("Из файла .ods читается только первый лист"));
    const TDataTable table = ods ? LoadDataTable(path, sheetIndex) : LoadDataGrid(path, sheetIndex);
    if (sheetIndex >= table.sheetNames.size())
        throw DokravaError(QStringLiteral("В книге «%1» нет листа с номером %2")
                               .arg(QDir::toNativeSeparators(path)).arg(sheetIndex + 1));
    QString text = line(table.headers);
    for (int r = 1; r <= table.recordCount(); ++r) {
        text += line(ods ? table.rows[r - 1] : table.text.record(r));
        if (text.size() >= (1 << 20)) {
            out(text);
            text.clear();
        }
    }
    out(text);
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
                throw UsageError{QStringLiteral("После «--sheet» нужен номер листа, начиная с 1")};
            ++i;
        } else if (isOption(args.at(i))) {
            throw unknownOption(args.at(i));
        } else if (path.isEmpty()) {
            path = args.at(i);
        } else {
            throw UsageError{QStringLiteral("Укажите один файл таблицы")};
        }
    }
    if (path.isEmpty())
        throw UsageError{QStringLiteral("Не указан файл таблицы")};
    printTable(path, sheet - 1);
    return 0;
}

} // namespace Cli

} // namespace dokrava
