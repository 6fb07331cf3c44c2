#include "cli/Cli.h"

#include "base/DokravaError.h"
#include "base/TemplateBlocks.h"
#include "generation/TemplateKind.h"
#include "odf/TODTProcessor.h"

#include <QDir>

namespace dokrava {

namespace Cli {

int fill(const QStringList &args)
{
    for (const QString &arg : args)
        if (isOption(arg))
            throw unknownOption(arg);
    if (args.size() < 2)
        throw UsageError{QStringLiteral("Укажите шаблон и файл результата")};
    const QString templateFile = args.at(0);
    const QString outputFile = args.at(1);
    TFieldValues data;
    QStringList names;
    for (const QString &pair : args.mid(2)) {
        const qsizetype eq = pair.indexOf(QLatin1Char('='));
        if (eq <= 0)
            throw UsageError{QStringLiteral("Ожидалось ИМЯ=ЗНАЧЕНИЕ, получено «%1»").arg(pair)};
        const QString name = pair.left(eq);
        if (names.contains(name))
            throw UsageError{QStringLiteral("Поле «%1» указано дважды").arg(name)};
        names.append(name);
        data.append({name, pair.mid(eq + 1)});
    }
    if (TemplateKindOf(templateFile) != TemplateKind::Odt)
        throw DokravaError(QStringLiteral("Заполнение шаблона «%1» не поддерживается: ожидается файл .odt")
                               .arg(QDir::toNativeSeparators(templateFile)));
    try {
        TODTProcessor().ProcessODTTemplate(templateFile, outputFile, data);
    } catch (const TemplateLanguageFailure &e) {
        throw DokravaError(QStringLiteral("Шаблон «%1»: %2").arg(QDir::toNativeSeparators(templateFile), e.message()));
    }
    return 0;
}

} // namespace Cli

} // namespace dokrava
