#pragma once

#include <QString>

namespace dokrava {

// The rows of a sheet a load left unread: the records end at the first row whose first cell has
// no value, and nothing below it is read.
struct TUnreadRows
{
    int stopRow = 0; // the sheet row whose first cell is empty (the table is read up to the one before)
    int count = 0;   // the rows from stopRow down holding a value in one of the table's columns
    bool operator==(const TUnreadRows &) const = default;
};

// "Таблица прочитана до строки 4: в строке 5 пустая первая ячейка, ниже не прочитано ещё строк: 12";
// empty when no row was left unread.
QString UnreadRowsMessage(const TUnreadRows &unread);

} // namespace dokrava
