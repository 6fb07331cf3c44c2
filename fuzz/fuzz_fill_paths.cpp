// The two ways of filling a template, read once for a run and whole per document, must give the
// same document, with well-formed parts, for every template and values the input chooses
// (tests/FillPaths.h makes them).
#include "FillPaths.h"

#include <QDir>

#include <cstdio>
#include <cstdlib>
#include <unistd.h>

using namespace dokrava;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static const QString folder = [] {
        const QString path = QDir::tempPath() + QStringLiteral("/dokrava-fuzz-fill-%1").arg(getpid());
        QDir().mkpath(path);
        return path;
    }();
    if (size == 0)
        return 0;
    FillPaths::Choices c(QByteArray(reinterpret_cast<const char *>(data) + 1, qsizetype(size) - 1));
    const QString difference = data[0] % 2 ? FillPaths::wordDifference(folder, c) : FillPaths::odtDifference(folder, c);
    if (!difference.isEmpty()) {
        fprintf(stderr, "%s\n", qPrintable(difference));
        std::abort();
    }
    return 0;
}
