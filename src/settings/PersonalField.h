#pragma once

#include <QList>
#include <QString>

namespace dokrava {

// One personal field of "replace.ini": a bare name and its value.
struct TPersonalField
{
    QString name;
    QString value;
    bool operator==(const TPersonalField &) const = default;
};

using TPersonalFields = QList<TPersonalField>;

} // namespace dokrava
