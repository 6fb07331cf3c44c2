#pragma once

#include "settings/PersonalField.h"

#include <QList>
#include <QString>
#include <QStringList>

namespace dokrava {

// The switches of "settings.ini", named after their keys.
struct TSettings
{
    bool Colontit = false;   // also fill headers and footers of Word templates
    bool Help = false;       // help as the HTML page instead of the text window
    bool OpenDir = false;    // open the output folder after a run
    bool OpenUniqDir = false;// the second way of opening the output folder
    int FormatFile = 1;      // 0: results as PDF; anything else: the template's own format
    int FileName = 0;        // 0: file names "Шаблон-Значение", 1: "Значение-Шаблон"
    bool Check = true;       // check templates and table before a run; a file without the key: on
    bool CombinePdf = false; // with PDF: also one file per template with all its documents, for printing
    bool Duplex = false;     // in that file every document starts on an odd page
    int Copies = 1;          // in that file each document this many times in a row (1 to 9)
    // What the main window last loaded; empty (and -1) when never remembered: the defaults stand.
    QString ZagotkaDir;      // the templates folder
    QString ReplaceFile;     // the data file
    int ReplaceSheet = -1;   // its sheet, from 0
    // The office suite's converter the user named in the file ("LOPath~D:\LibreOffice\program\soffice.exe");
    // empty: it is looked for where the suite installs itself.
    QString LOPath;
};

// The fewest and the most copies of each document in a combined PDF.
constexpr int kMinCopies = 1;
constexpr int kMaxCopies = 9;

// Defaults, then every known key of the file at path (a missing file leaves the defaults).
TSettings LoadSettingsFile(const QString &path);

// Writes the lines of the settings file (the six keys, then "Check", "CombinePdf", "Duplex" and
// "Copies", then the remembered paths and sheet and the named converter when set and writable in
// the file's code page);
// throws DokravaError when the file cannot be written.
void SaveSettingsFile(const QString &path, const TSettings &settings);

// The personal fields of a "replace.ini"-format file in file order; a missing file gives none.
TPersonalFields ReadPersonalFieldsFile(const QString &path);

// Writes one "name~value" line per field whose name is not empty; throws DokravaError on failure.
void WritePersonalFieldsFile(const QString &path, const TPersonalFields &fields);

// The personal fields of "replace.ini" beside the executable.
TPersonalFields ReadPersonalFields();

// Rewrites "replace.ini" beside the executable; throws DokravaError on failure.
void WritePersonalFields(const TPersonalFields &fields);

// Decoded lines of a settings-format file (ANSI code page; CR LF, LF or CR ends a line); a missing
// file gives none; an unreadable one throws DokravaError.
QStringList ReadSettingsLines(const QString &path);

// Splits a line at its first "~": false when there is none or the key would be empty.
bool SplitSettingsLine(const QString &line, QString &key, QString &value);

} // namespace dokrava
