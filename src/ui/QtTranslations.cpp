#include "ui/QtTranslations.h"

#include "base/AppFolder.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

using namespace dokrava;

namespace QtTranslations {

bool install()
{
    // The interface is Russian whatever the system's language is.
    const QLocale russian(QLocale::Russian, QLocale::Russia);
    const QStringList folders = {AppFolder::join(AppFolder::path(), QStringLiteral("translations")),
                                 QLibraryInfo::path(QLibraryInfo::TranslationsPath)};
    for (const QString &folder : folders) {
        // The translator belongs to the application and lives as long as it does.
        auto *translator = new QTranslator(QCoreApplication::instance());
        if (translator->load(russian, QStringLiteral("qtbase"), QStringLiteral("_"), folder)) {
            QCoreApplication::installTranslator(translator);
            return true;
        }
        delete translator;
    }
    return false;
}

} // namespace QtTranslations
