#pragma once

#include "base/FieldFormat.h"
#include "odf/OdtText.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>

#include <optional>
#include <utility>

namespace dokrava {

// A placeholder between the pieces of a part read once: what filling it for a document needs.
struct OdtHole
{
    // Placeholder or field name -> its value, as the filler looks values up.
    using Lookup = QHash<QString, const QString *>;

    QString name;
    QList<FieldFormatReading> readings; // of "field:format:…", the longest field first
    QList<FieldFormatChain> chains;     // the formats of each reading, read once
    bool inTag = false;
    QByteArray keptTags; // markup between the brackets that stays after the value
    QByteArray original; // the placeholder as written, kept when no value fills it

    // The hole of a placeholder written as original.
    static OdtHole of(const TPlaceholderSpan &span, const QByteArray &original);

    // Its value: the whole name's, else the first reading whose field has one, formatted;
    // nothing when no value fills it.
    std::optional<QString> value(const Lookup &values) const;
};

} // namespace dokrava
