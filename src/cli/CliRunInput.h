#pragma once

#include "generation/GenerationInput.h"

#include <QStringList>

namespace dokrava {

namespace Cli {

// What "generate" and "check" read from their options.
struct TRunRequest
{
    TGenerationInput input;
    bool checkFirst = false; // generate --check
};

// The options of "generate" (forCheck: those of "check", without --out and --check) read into
// the inputs of a run: the template list, the table with the chosen records marked, the naming,
// the settings, the converter. Throws UsageError on bad arguments, DokravaError when a file or
// folder named is missing or unreadable.
TRunRequest ReadRunRequest(const QStringList &args, bool forCheck);

// The check for "generate --check": true when it found no error and no warning; otherwise the
// findings and the refusal go to standard error.
bool CheckAllowsRun(const TGenerationInput &in);

} // namespace Cli

} // namespace dokrava
