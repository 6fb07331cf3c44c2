#pragma once

#include <QtGlobal>

class QProcess;

namespace dokrava {

// The platform's way to end a started program together with the programs it started itself.
namespace ProcessTree {

// Call before QProcess::start: the program and its children form one group that can be ended.
void prepare(QProcess &process);

// Ends the running program and every program of its group, then reaps it.
void kill(QProcess &process);

// Ends every program of the group that the program with this id leads (started with prepare);
// callable from any thread. The starter still reaps the program.
void killGroup(qint64 pid);

} // namespace ProcessTree

} // namespace dokrava
