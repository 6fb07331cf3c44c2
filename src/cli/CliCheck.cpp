#include "cli/Cli.h"
#include "cli/CliRunInput.h"

#include "generation/PreflightCheck.h"

namespace dokrava {

namespace {

QString lines(const QList<TFinding> &findings)
{
    QString text;
    for (const TFinding &f : findings)
        text += FindingLine(f) + QLatin1Char('\n');
    return text;
}

} // namespace

namespace Cli {

int check(const QStringList &args)
{
    const QList<TFinding> findings = CheckBeforeGeneration(ReadRunRequest(args, true).input);
    out(lines(findings));
    return FindingsNeedAttention(findings) ? 1 : 0;
}

bool CheckAllowsRun(const TGenerationInput &in)
{
    const QList<TFinding> findings = CheckBeforeGeneration(in);
    if (!FindingsNeedAttention(findings))
        return true;
    err(lines(findings) + QStringLiteral("Формирование не начато: проверка нашла ошибки или предупреждения\n"));
    return false;
}

} // namespace Cli

} // namespace dokrava
