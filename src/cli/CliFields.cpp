#include "cli/Cli.h"

#include "odf/FieldNames.h"
#include "odf/TemplateFields.h"

namespace Cli {

int fields(const QStringList &args)
{
    if (args.isEmpty())
        throw UsageError{QStringLiteral("Не указан ни один файл шаблона")};
    for (const QString &arg : args) {
        if (arg.startsWith(QLatin1String("--")))
            throw UsageError{QStringLiteral("Неизвестный параметр «%1»").arg(arg)};
    }
    QStringList all;
    for (const QString &path : args)
        all += FindTemplateFields(path);
    QString text;
    for (const QString &name : SortFieldNames(all))
        text += name + QLatin1Char('\n');
    out(text);
    return 0;
}

} // namespace Cli
