#include "base/ReservedNames.h"

namespace dokrava {

namespace {

// The part of name that Windows compares with the device names: up to the first dot, trailing
// spaces left out.
qsizetype deviceEnd(const QString &name)
{
    qsizetype end = name.indexOf(QLatin1Char('.'));
    if (end < 0)
        end = name.size();
    while (end > 0 && name[end - 1] == QLatin1Char(' '))
        --end;
    return end;
}

bool isDevice(QStringView stem)
{
    static const QLatin1String plain[] = {QLatin1String("CON"), QLatin1String("PRN"), QLatin1String("AUX"),
                                          QLatin1String("NUL")};
    for (const QLatin1String &device : plain)
        if (stem.compare(device, Qt::CaseInsensitive) == 0)
            return true;
    if (stem.size() != 4)
        return false;
    const QStringView head = stem.left(3);
    const bool port = head.compare(QLatin1String("COM"), Qt::CaseInsensitive) == 0
                      || head.compare(QLatin1String("LPT"), Qt::CaseInsensitive) == 0;
    return port && stem[3] >= QLatin1Char('1') && stem[3] <= QLatin1Char('9');
}

} // namespace

bool IsReservedName(const QString &name)
{
    return isDevice(QStringView(name).left(deviceEnd(name)));
}

QString UnreservedName(const QString &name)
{
    if (!IsReservedName(name))
        return name;
    QString unreserved = name;
    unreserved.insert(deviceEnd(name), QLatin1Char('_'));
    return unreserved;
}

} // namespace dokrava
