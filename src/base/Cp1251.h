#pragma once

#include <QByteArray>
#include <QString>

namespace dokrava {

// Windows-1251, the Cyrillic single-byte code page, built in so that it does not depend on the
// converters the Qt build happens to carry.
namespace Cp1251 {

// Every byte maps to one character; the one unassigned byte 0x98 maps to U+0098.
QString decode(const QByteArray &bytes);

// Characters the code page lacks become "?", one per character (surrogate pairs included).
QByteArray encode(const QString &text);

} // namespace Cp1251

} // namespace dokrava
