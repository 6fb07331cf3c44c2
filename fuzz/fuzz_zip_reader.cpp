// libFuzzer target: arbitrary bytes opened as a ZIP archive, every entry read and every name
// checked as extraction would check it.
#include "base/DokravaError.h"
#include "zip/ZipReader.h"

#include <QDir>
#include <QFile>

#include <cstddef>
#include <cstdint>
#include <unistd.h>

using namespace dokrava;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static const QString path = QDir::tempPath() + QStringLiteral("/dokrava-fuzz-zip-%1.zip").arg(getpid());
    {
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return 0;
        f.write(reinterpret_cast<const char *>(data), qint64(size));
    }
    try {
        ZipReader zip(path);
        for (int i = 0; i < zip.count(); ++i) {
            ZipReader::safeRelativePath(zip.name(i));
            zip.indexOf(zip.name(i));
            zip.modified(i);
            try {
                zip.data(i);
            } catch (const DokravaError &) {
            }
        }
    } catch (const DokravaError &) {
    }
    return 0;
}
