#pragma once

#include <QtGlobal>

namespace dokrava {

// Whether another program still runs, asked of the platform.
namespace ProcessState {

// This program's process id.
qint64 currentId();

// True while the process with this id runs (an id in use by a process we may not signal counts
// as running). Ids are reused, so a true answer may concern another program: callers only ever
// keep things because of it, never remove.
bool isRunning(qint64 pid);

} // namespace ProcessState

} // namespace dokrava
