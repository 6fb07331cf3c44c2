#include "sheets/CellText.h"

#include <QDate>
#include <QLocale>
#include <QTime>

#include <cmath>

namespace dokrava {

namespace {

QString dateTimeText(const QDate &date, int secondsOfDay)
{
    QString text = date.toString(QStringLiteral("dd.MM.yyyy"));
    // Seconds are not shown, so a time below one minute still counts as a time of day.
    if (secondsOfDay != 0)
        text += QLatin1Char(' ') + QTime(0, 0).addSecs(secondsOfDay).toString(QStringLiteral("hh:mm"));
    return text;
}

} // namespace

namespace CellText {

QString number(double value)
{
    if (std::isnan(value))
        return QStringLiteral("#ЧИСЛО!");
    if (std::isinf(value))
        return value > 0 ? QStringLiteral("∞") : QStringLiteral("-∞");
    if (value == 0)
        return QStringLiteral("0"); // negative zero as well
    if (std::trunc(value) == value && std::fabs(value) < 1e15)
        return QString::number(qint64(value));
    const double magnitude = std::fabs(value);
    // Plain positional notation for everything a user types; exponent form only where the
    // positional one would run to dozens of digits.
    const char format = (magnitude >= 1e-5 && magnitude < 1e21) ? 'f' : 'g';
    QString text = QString::number(value, format, QLocale::FloatingPointShortest);
    text.replace(QLatin1Char('.'), QLatin1Char(','));
    return text;
}

QString boolean(bool value)
{
    return value ? QStringLiteral("ИСТИНА") : QStringLiteral("ЛОЖЬ");
}

QString serialDate(double serial, bool date1904, bool timeOnly)
{
    if (!std::isfinite(serial) || serial < 0 || serial > 2958466.0)
        return number(serial);
    const qint64 totalSeconds = std::llround(serial * 86400.0);
    qint64 days = totalSeconds / 86400;
    const int seconds = int(totalSeconds % 86400);
    if (timeOnly)
        return QTime(0, 0).addSecs(seconds).toString(QStringLiteral("hh:mm"));
    QDate date;
    if (date1904) {
        date = QDate(1904, 1, 1).addDays(days);
    } else if (days == 60) {
        // The 1900 system counts a 29 February 1900 that never was; show it as stored.
        return dateTimeText(QDate(1900, 2, 28), seconds).replace(0, 2, QStringLiteral("29"));
    } else {
        // Serials 1..59 count from 31.12.1899; from 61 on the phantom leap day shifts them by one.
        date = days < 60 ? QDate(1899, 12, 31).addDays(days) : QDate(1899, 12, 30).addDays(days);
    }
    return dateTimeText(date, seconds);
}

QString isoDate(const QString &iso)
{
    const QString text = iso.trimmed();
    const QDate dateOnly = QDate::fromString(text.left(10), Qt::ISODate);
    if (text.size() >= 10 && dateOnly.isValid()) {
        int seconds = 0;
        if (text.size() > 10) {
            const QTime t = QTime::fromString(text.mid(11, 8), Qt::ISODate);
            if (!t.isValid())
                return iso;
            seconds = t.msecsSinceStartOfDay() / 1000;
        }
        return dateTimeText(dateOnly, seconds);
    }
    const QTime time = QTime::fromString(text.left(8), Qt::ISODate);
    if (time.isValid())
        return time.toString(QStringLiteral("hh:mm"));
    return iso;
}

} // namespace CellText

} // namespace dokrava
