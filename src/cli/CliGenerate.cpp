#include "cli/Cli.h"
#include "cli/CliRunInput.h"
#include "cli/ConsoleObserver.h"

#include "base/AppFolder.h"
#include "base/DokravaError.h"
#include "generation/PreflightCheck.h"
#include "generation/RecordGroups.h"
#include "generation/TemplateScan.h"
#include "generation/TGenerationRun.h"
#include "generation/TemplateKind.h"
#include "office/OfficeSuite.h"
#include "sheets/DataTableLoader.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QSet>

#include <algorithm>
#include <atomic>
#include <csignal>

namespace dokrava {

namespace {

std::atomic<bool> g_stop{false};

extern "C" void requestStop(int)
{
    g_stop = true;
}

struct Options
{
    QString templates, data, out, column, personal, converter;
    int sheet = 0;
    bool pdf = false, byColumn = false, colontit = false, check = false;
    int order = -1; // --order: 0 template first, 1 value first; -1 as --naming chooses
    bool combine = false, duplex = false;
    int copies = 0; // 0: not given
    QString rows = QStringLiteral("all");
    QStringList only;
};

QString takeValue(const QStringList &args, int &i)
{
    if (i + 1 >= args.size())
        throw Cli::UsageError{QStringLiteral("Не задано значение для «%1»").arg(args[i])};
    return args[++i];
}

QString choice(const QString &option, const QString &value, const QStringList &allowed)
{
    if (!allowed.contains(value))
        throw Cli::UsageError{QStringLiteral("Недопустимое значение «%1» для «%2»").arg(value, option)};
    return value;
}

int copiesValue(const QString &text)
{
    bool ok = false;
    const int copies = text.toInt(&ok);
    if (!ok || copies < kMinCopies || copies > kMaxCopies)
        throw Cli::UsageError{QStringLiteral("После «--copies» нужно число копий от %1 до %2").arg(kMinCopies).arg(kMaxCopies)};
    return copies;
}

// The combined file is made of PDFs, and its layout means nothing without it.
void checkCombine(const Options &o)
{
    if (o.combine && !o.pdf)
        throw Cli::UsageError{QStringLiteral("«--combine» действует только с «--format pdf»")};
    if ((o.duplex || o.copies > 0) && !o.combine)
        throw Cli::UsageError{QStringLiteral("«--duplex» и «--copies» действуют только вместе с «--combine»")};
}

// forCheck: the options of "check", which has neither --out, --check nor the combined file.
Options parse(const QStringList &args, bool forCheck)
{
    Options o;
    for (int i = 0; i < args.size(); ++i) {
        const QString &a = args[i];
        if (a == QLatin1String("--templates")) o.templates = takeValue(args, i);
        else if (a == QLatin1String("--data")) o.data = takeValue(args, i);
        else if (a == QLatin1String("--out") && !forCheck) o.out = takeValue(args, i);
        else if (a == QLatin1String("--check") && !forCheck) o.check = true;
        else if (a == QLatin1String("--column")) o.column = takeValue(args, i);
        else if (a == QLatin1String("--personal")) o.personal = takeValue(args, i);
        else if (a == QLatin1String("--converter")) o.converter = takeValue(args, i);
        else if (a == QLatin1String("--rows")) o.rows = takeValue(args, i);
        else if (a == QLatin1String("--only")) o.only = takeValue(args, i).split(QLatin1Char(','), Qt::SkipEmptyParts);
        else if (a == QLatin1String("--colontit")) o.colontit = true;
        else if (a == QLatin1String("--combine") && !forCheck) o.combine = true;
        else if (a == QLatin1String("--duplex") && !forCheck) o.duplex = true;
        else if (a == QLatin1String("--copies") && !forCheck) o.copies = copiesValue(takeValue(args, i));
        else if (a == QLatin1String("--format"))
            o.pdf = choice(a, takeValue(args, i), {QStringLiteral("native"), QStringLiteral("pdf")}) == QLatin1String("pdf");
        else if (a == QLatin1String("--naming"))
            o.byColumn = choice(a, takeValue(args, i), {QStringLiteral("template"), QStringLiteral("column")}) == QLatin1String("column");
        else if (a == QLatin1String("--order"))
            o.order = choice(a, takeValue(args, i), {QStringLiteral("template"), QStringLiteral("column")}) == QLatin1String("column") ? 1 : 0;
        else if (a == QLatin1String("--sheet")) {
            bool ok = false;
            o.sheet = takeValue(args, i).toInt(&ok);
            if (!ok || o.sheet < 1)
                throw Cli::UsageError{QStringLiteral("После «--sheet» нужен номер листа, начиная с 1")};
        } else if (Cli::isOption(a))
            throw Cli::unknownOption(a);
        else
            throw Cli::UsageError{QStringLiteral("Лишний аргумент «%1»").arg(a)};
    }
    checkCombine(o);
    if (forCheck && (o.templates.isEmpty() || o.data.isEmpty()))
        throw Cli::UsageError{QStringLiteral("Нужны --templates и --data")};
    if (!forCheck && (o.templates.isEmpty() || o.data.isEmpty() || o.out.isEmpty()))
        throw Cli::UsageError{QStringLiteral("Нужны --templates, --data и --out")};
    return o;
}

// "all" or record numbers from 1 and ranges ("1,3,5-7"); every number must name a record.
QSet<int> parseRows(const QString &text, int recordCount)
{
    QSet<int> rows;
    if (text == QLatin1String("all")) {
        for (int r = 1; r <= recordCount; ++r)
            rows.insert(r);
        return rows;
    }
    for (const QString &part : text.split(QLatin1Char(','))) {
        const QStringList ends = part.trimmed().split(QLatin1Char('-'));
        bool ok1 = false, ok2 = false;
        const int from = ends.value(0).toInt(&ok1);
        const int to = ends.size() == 2 ? ends[1].toInt(&ok2) : from;
        if (!ok1 || (ends.size() == 2 && !ok2) || ends.size() > 2 || from < 1 || to < from)
            throw Cli::UsageError{QStringLiteral("Неверный список записей: %1").arg(text)};
        if (to > recordCount)
            throw DokravaError(QStringLiteral("В таблице нет записи %1 (записей: %2)").arg(to).arg(recordCount));
        for (int r = from; r <= to; ++r)
            rows.insert(r);
    }
    return rows;
}

// The entries of the template list that --only names (by entry or by file name), in list order.
QStringList chooseTemplates(const QStringList &listed, const QStringList &only)
{
    if (only.isEmpty())
        return listed;
    QStringList chosen;
    for (const QString &name : only) {
        const QString wanted = QDir::toNativeSeparators(name.trimmed());
        bool found = false;
        for (const QString &entry : listed)
            if (entry == wanted || QFileInfo(entry).fileName() == wanted)
                found = true;
        if (!found)
            throw DokravaError(QStringLiteral("Шаблон не найден: %1").arg(name));
    }
    for (const QString &entry : listed)
        for (const QString &name : only)
            if (entry == QDir::toNativeSeparators(name.trimmed()) || QFileInfo(entry).fileName() == name.trimmed()) {
                chosen.append(entry);
                break;
            }
    return chosen;
}

// The converter named by --converter ("none": none at all), else the first one found in the
// office suite's fixed places; empty when there is none.
QString chooseConverter(const QString &option)
{
    if (option == QLatin1String("none"))
        return QString();
    if (option.isEmpty()) {
        QString found;
        FindLOPath(found);
        return found;
    }
    if (!QFileInfo(option).isFile())
        throw DokravaError(QStringLiteral("Конвертер не найден: %1").arg(QDir::toNativeSeparators(option)));
    return QFileInfo(option).absoluteFilePath();
}

bool hasOdtTemplate(const QStringList &templates)
{
    for (const QString &entry : templates)
        if (TemplateKindOf(entry) == TemplateKind::Odt)
            return true;
    return false;
}

// The run's view of the table, as the window hands it over: the header row and the chosen
// records; a large table is never held as lists whole.
TGridSnapshot snapshot(const TDataTable &table, const QSet<int> &chosen)
{
    const int records = table.recordCount();
    TGridSnapshot grid;
    grid.rows.resize(records + 1);
    grid.marks.resize(records + 1);
    grid.rows[0] = table.headers;
    for (int r = 1; r <= records; ++r) {
        grid.marks[r] = chosen.contains(r);
        if (grid.marks[r])
            grid.rows[r] = table.text.record(r);
    }
    return grid;
}

} // namespace

namespace Cli {

TRunRequest ReadRunRequest(const QStringList &args, bool forCheck)
{
    const Options o = parse(args, forCheck);
    if (!QFileInfo(o.templates).isDir())
        throw DokravaError(QStringLiteral("Папка шаблонов не найдена: %1").arg(QDir::toNativeSeparators(o.templates)));
    if (!o.personal.isEmpty() && !QFileInfo(o.personal).isFile())
        throw DokravaError(QStringLiteral("Файл личных полей не найден: %1").arg(QDir::toNativeSeparators(o.personal)));
    const TDataTable table = LoadDataGrid(o.data, o.sheet - 1);

    TGenerationInput in;
    in.templatesDir = AppFolder::join(QFileInfo(o.templates).absoluteFilePath(), QString()) + QDir::separator();
    in.templates = chooseTemplates(TemplateScan::ListTemplates(o.templates), o.only);
    in.grid = snapshot(table, parseRows(o.rows, table.recordCount()));
    in.unreadRows = table.unread;
    in.severalRecords = true;
    in.namingColumn = 1;
    if (!o.column.isEmpty()) {
        in.namingColumn = int(table.headers.indexOf(o.column)) + 1;
        if (in.namingColumn == 0)
            throw DokravaError(QStringLiteral("В таблице нет колонки «%1»").arg(o.column));
    }
    in.namingMode = o.byColumn ? 1 : 0;
    // Without --order the name starts with what names the folder, as it always did here.
    in.settings.FileName = o.order >= 0 ? o.order : in.namingMode;
    in.settings.FormatFile = o.pdf ? 0 : 1;
    in.settings.Colontit = o.colontit;
    in.settings.CombinePdf = o.combine;
    in.settings.Duplex = o.duplex;
    in.settings.Copies = std::max(o.copies, kMinCopies);
    in.personalFieldsFile = o.personal.isEmpty() ? QString() : QFileInfo(o.personal).absoluteFilePath();
    in.outputRoot = o.out.isEmpty() ? QString() : QFileInfo(o.out).absoluteFilePath();
    in.converter = chooseConverter(o.converter);
    return {in, o.check};
}

int generate(const QStringList &args)
{
    const TRunRequest request = ReadRunRequest(args, false);
    TGenerationInput in = request.input;
    if (request.checkFirst && !CheckAllowsRun(in))
        return 1;
    if (in.settings.FormatFile == 0 && in.converter.isEmpty() && !in.templates.isEmpty())
        err(ConverterMissingWarning(hasOdtTemplate(in.templates)) + QLatin1Char('\n'));

    // Ctrl+C or a termination request stops the run the way the window's button does.
    in.stop = &g_stop;
    std::signal(SIGINT, requestStop);
    std::signal(SIGTERM, requestStop);
    ConsoleObserver observer(ConsoleObserver::stderrIsTerminal());
    TGenerationRun run(in, &observer);
    const bool pdf = in.settings.FormatFile == 0;
    // The counts, on success and before the error that ends the run alike.
    const auto summary = [&] {
        observer.clearProgress();
        QString text = DocumentsMadeText(run.documentsWritten(), run.recordsWritten()) + QLatin1Char('\n');
        if (pdf)
            text += QStringLiteral("Ошибок конвертации в PDF: %1\n").arg(run.pdfErrorCount() + run.unconvertedCount());
        out(text);
    };
    try {
        run.run();
    } catch (...) {
        summary();
        throw;
    }
    observer.clearProgress();
    if (run.stopped())
        return 1;
    summary();
    // The documents stay written, but a caller that asked for PDF (or ".doc") must learn that
    // some are not.
    // A template passed over for an error of the template language made no documents.
    return run.pdfErrorCount() + run.unconvertedCount() + run.conversionErrorCount() + run.combineFailures()
                       + run.templateErrorCount() > 0
               ? 1
               : 0;
}

} // namespace Cli

} // namespace dokrava
