#pragma once

#include <QString>
#include <QStringList>

#include <functional>

namespace dokrava {

// How long a conversion may take before the converter is ended (milliseconds).
constexpr int kConversionWaitMs = 60000;

// The argument list handed to the converter (without the program itself): the profile folder,
// headless, the target format, the output folder and the sources, each path whole.
QStringList ConverterArguments(const QString &profileFolder, const QString &format, const QString &outDir,
                               const QStringList &sources);

// Runs the converter with these arguments; true when it ended by itself within waitMs with exit
// code 0. One still running then is ended with the programs it started. What it wrote is for the
// caller to judge.
// started hears the process id once it runs, and 0 once it has ended.
bool RunConverter(const QString &converter, const QStringList &arguments, int waitMs,
                  const std::function<void(qint64)> &started = {});

} // namespace dokrava
