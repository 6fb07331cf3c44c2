#pragma once

// Qt's own texts in Russian: the buttons of message boxes ("Да", "Нет", "Отмена"), the file
// dialogs, the context menus of edit boxes.
namespace QtTranslations {

// Installs Qt's Russian translations into the application, from the folder "translations" beside
// the executable when it has them (a copied installation), otherwise from Qt's own folder. True
// when they were found; without them Qt's texts stay English.
bool install();

} // namespace QtTranslations
