#include "base/ProcessSetup.h"

#include <QByteArray>
#include <QtGlobal>

namespace dokrava {

void SetUpProcess()
{
#ifdef Q_OS_WIN
    // Qt keeps the stack of its compiled regular expressions in a thread-local object; with
    // MinGW's runtime, such an object used by worker threads and the main thread leaves a
    // Windows process hanging at its very end (seen after filling ".odt" documents in the fill
    // pool). The expressions here are small: interpreted, they are fast enough. A value set
    // before start (a benchmark's) is kept.
    if (!qEnvironmentVariableIsSet("QT_ENABLE_REGEXP_JIT"))
        qputenv("QT_ENABLE_REGEXP_JIT", QByteArray("0"));
#endif
}

} // namespace dokrava
