#include "odf/OdtHole.h"

namespace dokrava {

OdtHole OdtHole::of(const TPlaceholderSpan &span, const QByteArray &original)
{
    return {span.name, FieldFormatReadings(span.name), span.inTag, span.keptTags.toUtf8(), original};
}

std::optional<QString> OdtHole::value(const Lookup &values) const
{
    if (const QString *whole = values.value(name, nullptr))
        return *whole;
    for (const FieldFormatReading &reading : readings)
        if (const QString *field = values.value(reading.field, nullptr))
            return ApplyFieldFormats(reading.formats, *field);
    return std::nullopt;
}

} // namespace dokrava
