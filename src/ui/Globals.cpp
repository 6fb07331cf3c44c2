#include "ui/Globals.h"

#include "base/AppFolder.h"

using namespace dokrava;

QString LOPath;
bool LOFound = false;
int PDFErrorCount = 0;
TSettings Settings;

void LoadSettings()
{
    // The defaults stand whenever the file cannot be read to its end.
    Settings = TSettings();
    Settings = LoadSettingsFile(AppFolder::settingsFile());
}

void SaveSettings()
{
    SaveSettingsFile(AppFolder::settingsFile(), Settings);
}
