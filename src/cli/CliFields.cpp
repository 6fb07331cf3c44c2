#include "cli/Cli.h"

namespace Cli {

int fields(const QStringList &)
{
    err(QStringLiteral("Команда ещё не готова\n"));
    return 1;
}

} // namespace Cli
