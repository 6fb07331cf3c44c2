#pragma once

#include "office/ConvertDocument.h"

#include <QString>

namespace dokrava {

// Converts the written document O into a PDF beside it with the converter C ("soffice"):
// C -env:UserInstallation=<a profile folder> --headless --convert-to pdf --outdir <folder of O> O.
// A PDF of the same name is removed first; true when the converter ended by itself with exit
// code 0 and left a complete PDF. A converter still running after waitMs is ended with the
// programs it started. After a failure no PDF of that name is left. Shows no message: a
// profile folder that cannot be used is a failure like any other.
bool ConvertODTToPDF(const QString &O, const QString &C, int waitMs = kConversionWaitMs);

} // namespace dokrava
