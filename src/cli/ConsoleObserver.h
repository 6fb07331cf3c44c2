#pragma once

#include "generation/TGenerationRun.h"

namespace dokrava {

// What a generate run tells on the console. On a terminal the progress takes one line of
// standard error, rewritten in place and cleared before any other text is written; without a
// terminal there is no progress. "Готово" goes to standard output, every other notice to standard
// error.
class ConsoleObserver : public IGenerationObserver
{
public:
    // terminal: whether standard error is a terminal (stderrIsTerminal).
    explicit ConsoleObserver(bool terminal);

    void documentsProgressed(int filled, int total, int converted) override;
    void conversionsProgressed(int converted, int total) override;
    void combiningProgressed(int done, int total) override;
    void notice(const QString &text) override;

    // Empties the progress line and puts the cursor at its start.
    void clearProgress();

    // True when standard error is a terminal.
    static bool stderrIsTerminal();

private:
    void showProgress(const QString &text);

    bool m_terminal;
    qsizetype m_shown = 0; // characters of the progress line on the screen
};

} // namespace dokrava
