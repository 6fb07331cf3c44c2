#pragma once

namespace dokrava {

// Hands the pages of the program's working set back to the system after each document;
// nothing happens on platforms without such a call.
void TrimWorkingSet();

} // namespace dokrava
