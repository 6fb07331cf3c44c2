#pragma once

#include <QString>

class QAbstractButton;
class QFont;

// Captions that start with a picture character ("🌐 Открыть в браузере") need a font that has it;
// on a system without one the character would show as an empty box.

// True when some character of text has no glyph in font or in any font the system falls back to.
bool HasMissingGlyph(const QString &text, const QFont &font);

// Drops the caption's leading symbol and the blank after it when the system cannot draw it, and
// shows iconName from the desktop's icon theme in its place when there is such an icon.
void FitSymbolCaption(QAbstractButton *button, const QString &iconName);
