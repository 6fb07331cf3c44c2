#include "cli/Cli.h"

#include "generation/TemplateFields.h"
#include "odf/FieldNames.h"
#include "office/OfficeSuite.h"

namespace dokrava {

namespace Cli {

int fields(const QStringList &args)
{
    if (args.isEmpty())
        throw UsageError{QStringLiteral("Не указан ни один файл шаблона")};
    for (const QString &arg : args) {
        if (isOption(arg))
            throw unknownOption(arg);
    }
    // ".doc" is read through the office suite's converter, looked for where it usually is.
    QString converter;
    FindLOPath(converter);
    QStringList all;
    for (const QString &path : args)
        all += FindTemplateFields(path, converter);
    QString text;
    for (const QString &name : SortFieldNames(all))
        text += name + QLatin1Char('\n');
    out(text);
    return 0;
}

} // namespace Cli

} // namespace dokrava
