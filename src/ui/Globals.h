#pragma once

#include "settings/Settings.h"

#include <QString>

// Values of the main unit that several windows share for the whole run of the program.

// Full path of the office suite's converter; empty when none was found.
extern QString LOPath;
// A converter was found at start.
extern bool LOFound;
// Failed PDF conversions of the current run.
extern int PDFErrorCount;
// The program-wide switches, loaded at the main window's first show.
extern dokrava::TSettings Settings;

// Defaults, then the values of "settings.ini" beside the executable, into Settings.
void LoadSettings();

// Writes Settings to "settings.ini" beside the executable; throws DokravaError on failure.
void SaveSettings();
