#pragma once

#include <QString>

// The scratch folder "temp" beside the executable holds one sub-folder per running process of
// the program (the window, each command line call), named after its process id, so one process
// never empties another's.

// This process's own scratch folder: "temp" + separator + process id, without a trailing
// separator. Created by whoever first needs it.
QString ProcessTempDir();

// Empties "temp" beside the executable of everything but the folders of other processes of the
// program that still run: this process's own folder, those of processes that ended (a killed
// run's included) and any other leftover go. The folder "temp" itself stays.
void ClearTempFolder();

// Deletes every entry of folder (hidden and read-only ones, nested folders with their content);
// an entry that cannot be deleted stays, silently. A missing folder is left alone.
void ClearTempFolder(const QString &folder);

// Removes this process's own scratch folder with its content (at the end of the process).
void RemoveProcessTempDir();
