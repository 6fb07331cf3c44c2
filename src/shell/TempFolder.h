#pragma once

#include <QString>

// Empties the scratch folder "temp" beside the executable; the folder itself stays.
void ClearTempFolder();

// Deletes every entry of folder (hidden and read-only ones, nested folders with their content);
// an entry that cannot be deleted stays, silently. A missing folder is left alone.
void ClearTempFolder(const QString &folder);
