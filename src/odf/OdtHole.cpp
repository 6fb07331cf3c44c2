#include "odf/OdtHole.h"

namespace dokrava {

OdtHole OdtHole::of(const TPlaceholderSpan &span, const QByteArray &original)
{
    QList<FieldFormatReading> readings = FieldFormatReadings(span.name);
    QList<FieldFormatChain> chains;
    chains.reserve(readings.size());
    for (const FieldFormatReading &reading : std::as_const(readings))
        chains.append(FieldFormatChain(reading.formats));
    return {span.name, std::move(readings), std::move(chains), span.inTag, span.keptTags.toUtf8(), original};
}

std::optional<QString> OdtHole::value(const Lookup &values) const
{
    if (const QString *whole = values.value(name, nullptr))
        return *whole;
    for (qsizetype r = 0; r < readings.size(); ++r)
        if (const QString *field = values.value(readings[r].field, nullptr))
            return chains[r].apply(*field);
    return std::nullopt;
}

} // namespace dokrava
