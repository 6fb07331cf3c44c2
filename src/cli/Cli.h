#pragma once

#include <QString>
#include <QStringList>

namespace dokrava {

// The command line tool's commands. Each takes the arguments after its name and returns the exit
// code: 0 on success, 1 when the operation failed (message on standard error), 2 on bad arguments.
namespace Cli {

// Thrown by a command on bad arguments; main prints the message and the usage text, exits 2.
struct UsageError
{
    QString message;
};

// The usage text of every command.
QString usage();
// What command does and one line per option (the usage text for an unknown command).
QString commandHelp(const QString &command);
// True when args ask for help ("--help" or "-h").
bool wantsHelp(const QStringList &args);
// True when arg is written as an option ("-x", "--x").
bool isOption(const QString &arg);
// The usage error for an option the command does not know: "Неизвестный параметр «--x»".
UsageError unknownOption(const QString &arg);

// Writes UTF-8 text to standard output.
void out(const QString &text);
// Writes UTF-8 text to standard error.
void err(const QString &text);

// fields FILE...: the merged, sorted field list of the templates.
int fields(const QStringList &args);
// table FILE [--sheet N]: the data table as the grid receives it.
int table(const QStringList &args);
// fill TEMPLATE OUTPUT NAME=VALUE...: fills one template.
int fill(const QStringList &args);
// generate --templates DIR --data FILE --out DIR ...: the generation run.
int generate(const QStringList &args);
// check --templates DIR --data FILE ...: the check before a run, one finding per line; 1 when
// it found an error or a warning.
int check(const QStringList &args);

} // namespace Cli

} // namespace dokrava
