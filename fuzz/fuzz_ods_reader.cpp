// libFuzzer target: arbitrary bytes read as a spreadsheet's content.xml.
#include "base/DokravaError.h"
#include "odf/OdsContentReader.h"

#include <cstddef>
#include <cstdint>

using namespace dokrava;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString xml = QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size));
    QStringList headers;
    QList<QStringList> rows;
    try {
        OdsContentReader::Parse(xml, headers, rows);
        for (const QStringList &row : rows) {
            if (row.size() != headers.size())
                __builtin_trap(); // every record must line up with the headers
        }
    } catch (const DokravaError &) {
    }
    OdsContentReader::ExtractParagraphText(xml);
    return 0;
}
