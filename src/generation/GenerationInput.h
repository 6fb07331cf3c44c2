#pragma once

#include "generation/GridSnapshot.h"
#include "office/ConverterProcess.h"
#include "settings/Settings.h"
#include "sheets/UnreadRows.h"

#include <QString>
#include <QStringList>

#include <atomic>

namespace dokrava {

// The plain inputs of one run.
struct TGenerationInput
{
    QString templatesDir;          // templates folder, ending in a separator
    QStringList templates;         // selected entries of the template list, in list order
    TGridSnapshot grid;
    TUnreadRows unreadRows;        // rows of the data file the load of the table left unread
    bool severalRecords = false;   // "Множественный выбор" or "Все строки": every marked row
    int namingColumn = 0;          // grid column whose value names folders and files (0: none)
    int namingMode = 0;            // 0 "по шаблону", 1 "по колонке"
    TSettings settings;
    QString personalFieldsFile;    // "replace.ini"
    QString outputRoot;            // "docum", with or without a trailing separator
    QString converter;             // the office suite's converter; empty when none was found
    int waitMs = kConversionWaitMs;
    int converters = 0;            // converter processes at once for PDF; 0: one per core, at most 4
    int fillThreads = 0;           // threads filling documents; 0: one per core
    int durableGroup = 64;         // documents made durable by one flush, at most; 1: each synced alone
    int batchBaseMs = 60000;       // a batch of PDF conversions may take this long ...
    int perDocumentMs = 5000;      // ... plus this per document
    // Turns true when the user stops the run (from any thread); may be null.
    const std::atomic<bool> *stop = nullptr;
};

} // namespace dokrava
