#pragma once

#include <QString>

namespace dokrava {

// Windows keeps some names for devices: CON, PRN, AUX, NUL, COM1-COM9 and LPT1-LPT9, in any
// letter case and with any extension ("con.txt" names the console too). Names the program makes
// avoid them on every platform, so folders of documents copied to Windows keep working.

// True when name is one of the device names, with or without an extension; spaces before the
// first dot do not count ("NUL .txt" is the device as well).
bool IsReservedName(const QString &name);

// name itself, or, when it is reserved, name with "_" added after its device part
// ("CON" -> "CON_", "com1.txt" -> "com1_.txt").
QString UnreservedName(const QString &name);

} // namespace dokrava
