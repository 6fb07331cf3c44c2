#include "sheets/UnreadRows.h"

namespace dokrava {

QString UnreadRowsMessage(const TUnreadRows &unread)
{
    if (unread.count <= 0)
        return QString();
    return QStringLiteral("Таблица прочитана до строки %1: в строке %2 пустая первая ячейка, ниже не прочитано ещё строк: %3")
        .arg(unread.stopRow - 1)
        .arg(unread.stopRow)
        .arg(unread.count);
}

} // namespace dokrava
