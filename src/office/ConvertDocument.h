#pragma once

#include "office/ConverterProcess.h"

#include <QString>

#include <atomic>
#include <functional>

namespace dokrava {

// How one conversion runs.
struct ConversionOptions
{
    int waitMs = kConversionWaitMs; // the converter is ended after this long
    QString profile;                // a profile folder the caller holds; empty: one is taken for this conversion
    const std::atomic<bool> *stop = nullptr; // ends the wait for a free profile folder when it turns true
    std::function<void(qint64)> started;     // hears the converter's process id (see RunConverter)
};

// Converts source into outDir with the converter; format is the converter's target ("pdf",
// "docx:MS Word 2007 XML", "doc:MS Word 97"). Returns the written file's path, or an empty string
// when the converter could not be started, was ended after waitMs, exited with a code other than
// 0 or left no complete file (ConvertedFile::isComplete); such a file is removed, as is an older
// file of that name before the converter starts. Every conversion of one document comes here.
// Throws DokravaError when no profile folder can be used (see ConverterProfile::take); a stop
// while waiting for one gives an empty string.
QString ConvertDocument(const QString &source, const QString &format, const QString &outDir,
                        const QString &converter, const ConversionOptions &options = {});

} // namespace dokrava
