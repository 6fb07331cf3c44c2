#pragma once

#include <QString>
#include <QStringView>

namespace dokrava {

// Where escaped text goes: each place needs its own characters written as references.
enum class XmlEscapeFor {
    // Character data: "&", "<", ">", and a CR, which reading would turn into a line feed.
    Text,
    // An attribute value in double quotes: "&", "<", the quote, and the tab, line feed and CR
    // that reading would turn into spaces.
    Attribute,
    // Markup put together as text, where the value may land in character data or in an attribute
    // in either quotes: the five predefined entities.
    Markup,
};

// Appends text to out with the characters its place needs written as references.
void AppendXmlEscaped(QString &out, QStringView text, XmlEscapeFor where);

// The text with the characters its place needs written as references.
QString XmlEscaped(QStringView text, XmlEscapeFor where);

} // namespace dokrava
