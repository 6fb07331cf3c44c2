#include "office/PdfConverter.h"

#include "base/DokravaError.h"

#include <QFileInfo>

namespace dokrava {

bool ConvertODTToPDF(const QString &O, const QString &C, int waitMs)
{
    ConversionOptions options;
    options.waitMs = waitMs;
    try {
        return !ConvertDocument(O, QStringLiteral("pdf"), QFileInfo(O).absolutePath(), C, options).isEmpty();
    } catch (const DokravaError &) {
        return false;
    }
}

} // namespace dokrava
