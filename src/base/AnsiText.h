#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace dokrava {

// Single-byte text in the system's ANSI code page: the settings files and "help.txt" are kept so.
// On Windows this is the running system's ANSI code page; elsewhere Windows-1251.
namespace AnsiText {

// Bytes of the ANSI code page as text.
QString decode(const QByteArray &bytes);

// Text as bytes of the ANSI code page; unrepresentable characters become the default character.
QByteArray encode(const QString &text);

// Text whose encoding is taken from a byte-order mark (UTF-8, UTF-16 LE or BE, the mark
// dropped); without one the bytes are read in the ANSI code page.
QString decodeWithBom(const QByteArray &bytes);

// Splits text into lines at CR LF, a lone LF or a lone CR; a final line end adds no empty line.
QStringList splitLines(const QString &text);

} // namespace AnsiText

} // namespace dokrava
