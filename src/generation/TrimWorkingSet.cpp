#include "generation/TrimWorkingSet.h"

#include <QtGlobal>

#ifdef Q_OS_WIN
#include <windows.h>
#endif

namespace dokrava {

void TrimWorkingSet()
{
#ifdef Q_OS_WIN
    HANDLE process = OpenProcess(PROCESS_ALL_ACCESS, FALSE, GetCurrentProcessId());
    if (process) {
        SetProcessWorkingSetSize(process, SIZE_T(-1), SIZE_T(-1));
        CloseHandle(process);
    }
#endif
}

} // namespace dokrava
