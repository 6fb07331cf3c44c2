#pragma once

#include <QByteArray>
#include <QString>

namespace dokrava {

// Checks of an XML part of a template before it is filled: the fillers read parts as UTF-8 text
// and write them back, so a part in another encoding or one that is no well-formed XML would give
// documents no office suite opens.

// The text of a part stored as UTF-8, a leading byte-order mark skipped. Throws DokravaError
// naming the part when it is empty, when its bytes are no UTF-8 or when its declaration names
// another encoding.
QString Utf8XmlPartText(const QByteArray &bytes, const QString &partName);

// Throws DokravaError naming the part, the line and the reason when text is no well-formed XML
// (namespace prefixes must be declared).
void CheckWellFormedXml(const QString &text, const QString &partName);

} // namespace dokrava
