#pragma once

#include "sheets/TSpreadsheet.h"

#include <QString>

namespace dokrava {

// Runs the office suite's converter headless to turn one file into another format.
namespace OfficeConverter {

// Converts input into outDir with the given target ("xlsx", "xls:MS Excel 97", ...); returns the
// path of the file written. Throws DokravaError when the converter is missing, fails, runs
// longer than timeoutMs or writes nothing, or when no converter profile folder can be used.
QString convert(const QString &converter, const QString &input, const QString &outDir,
                const QString &target, int timeoutMs = 120000);

// The conversion the spreadsheet engines use, through the converter at converterPath; empty when
// converterPath is empty (no converter).
TFileConverter fileConverter(const QString &converterPath);

} // namespace OfficeConverter

} // namespace dokrava
