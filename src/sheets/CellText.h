#pragma once

#include <QString>

namespace dokrava {

// How spreadsheet values become the texts the user sees in the grid: whole numbers without a
// decimal part, other numbers in their shortest exact form with a decimal comma, dates as
// dd.mm.yyyy (hh:mm added when the time is not midnight), truth values as ИСТИНА/ЛОЖЬ.
namespace CellText {

// A number as text: "42", "-3,5", "0,1".
QString number(double value);

// A truth value as text: "ИСТИНА" or "ЛОЖЬ".
QString boolean(bool value);

// A spreadsheet date serial (days since the workbook's epoch, fraction = time of day) as text.
// timeOnly gives "hh:mm" for cells formatted as a bare time.
QString serialDate(double serial, bool date1904, bool timeOnly = false);

// An ISO date or date-time text ("2024-03-15", "2024-03-15T10:30:00", "10:30:00") as text;
// returns the input unchanged when it is not one.
QString isoDate(const QString &iso);

} // namespace CellText

} // namespace dokrava
