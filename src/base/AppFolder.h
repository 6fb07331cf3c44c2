#pragma once

#include <QString>

namespace dokrava {

// The application folder and the fixed working paths beside the executable.
// Every path uses the platform's separator and ignores the current working folder.
namespace AppFolder {

// The folder of the executable, with a trailing separator.
QString path();

// Replaces the application folder (tests, the command line tool's --app-dir); empty restores the default.
void setOverride(const QString &folder);

// The default templates folder "zagotka" with a trailing separator.
QString templatesDir();

// The default data table "Replace.xls".
QString defaultDataFile();

// "settings.ini" beside the executable.
QString settingsFile();

// "replace.ini" (personal fields) beside the executable.
QString personalFieldsFile();

// The scratch folder "temp", without a trailing separator.
QString tempDir();

// The output root "docum" with a trailing separator.
QString outputRoot();

// True when a file can be made in the application folder (a folder under "Program Files" is
// not writable for a user: the working files cannot live there). Tries it, leaving nothing behind.
bool isWritable();

// Joins a folder and a relative name with the platform's separator (no doubled separator).
QString join(const QString &folder, const QString &name);

} // namespace AppFolder

} // namespace dokrava
