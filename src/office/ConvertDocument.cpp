#include "office/ConvertDocument.h"

#include "base/AppFolder.h"
#include "office/ConvertedFile.h"
#include "office/ConverterProfile.h"

#include <QFile>
#include <QFileInfo>

namespace dokrava {

QString ConvertDocument(const QString &source, const QString &format, const QString &outDir,
                        const QString &converter, const ConversionOptions &options)
{
    std::unique_ptr<ConverterProfile> held;
    QString profile = options.profile;
    if (profile.isEmpty()) {
        const std::atomic<bool> *stop = options.stop;
        held = ConverterProfile::take(kProfileWaitMs, [stop] { return stop && stop->load(); });
        if (!held)
            return QString();
        profile = held->folder();
    }
    const QString expected = AppFolder::join(outDir, ConvertedFile::name(source, format));
    // An older file of the same name would be taken for the converter's work.
    if (QFileInfo::exists(expected) && !QFile::remove(expected))
        return QString();
    const bool endedByItself = RunConverter(converter, ConverterArguments(profile, format, outDir, {source}),
                                            options.waitMs, options.started);
    // A converter ended halfway may leave a truncated file: that is a failure, and the file goes,
    // so nobody takes it for the document.
    if (endedByItself && ConvertedFile::isComplete(expected))
        return expected;
    QFile::remove(expected);
    return QString();
}

} // namespace dokrava
