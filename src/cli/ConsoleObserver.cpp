#include "cli/ConsoleObserver.h"

#include "cli/Cli.h"

#include <algorithm>
#include <cstdio>
#ifdef Q_OS_WIN
#include <io.h>
#define DOKRAVA_ISATTY _isatty
#define DOKRAVA_FILENO _fileno
#else
#include <unistd.h>
#define DOKRAVA_ISATTY isatty
#define DOKRAVA_FILENO fileno
#endif

namespace dokrava {

ConsoleObserver::ConsoleObserver(bool terminal) : m_terminal(terminal) {}

bool ConsoleObserver::stderrIsTerminal()
{
    return DOKRAVA_ISATTY(DOKRAVA_FILENO(stderr));
}

void ConsoleObserver::documentsProgressed(int filled, int total, int converted)
{
    showProgress(TGenerationRun::documentsProgressText(filled, total, converted));
}

void ConsoleObserver::conversionsProgressed(int converted, int total)
{
    showProgress(QStringLiteral("PDF: %1 из %2").arg(converted).arg(total));
}

void ConsoleObserver::combiningProgressed(int done, int total)
{
    showProgress(QStringLiteral("Сборка PDF: %1 из %2").arg(done).arg(total));
}

void ConsoleObserver::notice(const QString &text)
{
    clearProgress();
    // The command's own count follows on standard output: of the run's report only "Готово".
    if (text == QStringLiteral("Готово") || text.startsWith(QStringLiteral("Готово\n")))
        Cli::out(QStringLiteral("Готово\n"));
    else
        Cli::err(text + QLatin1Char('\n'));
}

void ConsoleObserver::showProgress(const QString &text)
{
    if (!m_terminal)
        return;
    // A shorter text leaves the end of the longer one on the screen unless it is written over;
    // the second return puts the cursor back behind the text.
    const qsizetype rest = std::max<qsizetype>(0, m_shown - text.size());
    Cli::err(QLatin1Char('\r') + text + (rest > 0 ? QString(rest, QLatin1Char(' ')) + QLatin1Char('\r') + text : QString()));
    m_shown = text.size();
}

void ConsoleObserver::clearProgress()
{
    if (!m_terminal || m_shown == 0)
        return;
    Cli::err(QLatin1Char('\r') + QString(m_shown, QLatin1Char(' ')) + QLatin1Char('\r'));
    m_shown = 0;
}

} // namespace dokrava
