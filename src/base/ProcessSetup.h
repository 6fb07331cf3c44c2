#pragma once

namespace dokrava {

// What every program of this system sets up for its own process first, before any other work:
// called at the start of main(), before the application object exists.
void SetUpProcess();

} // namespace dokrava
