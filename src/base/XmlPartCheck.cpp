#include "base/XmlPartCheck.h"

#include "base/DokravaError.h"

#include <QStringDecoder>
#include <QXmlStreamReader>

namespace dokrava {

QString Utf8XmlPartText(const QByteArray &bytes, const QString &partName)
{
    const QByteArray body = bytes.startsWith("\xEF\xBB\xBF") ? bytes.mid(3) : bytes;
    if (body.trimmed().isEmpty())
        throw DokravaError(QStringLiteral("часть %1 пуста").arg(partName));
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = utf8(body);
    if (utf8.hasError())
        throw DokravaError(QStringLiteral("часть %1 записана не в кодировке UTF-8").arg(partName));
    // Read from text, the reader takes the declaration as it stands, whatever encoding it names.
    QXmlStreamReader reader(text);
    reader.readNext();
    const QStringView declared = reader.documentEncoding();
    if (!declared.isEmpty() && declared.compare(QLatin1String("UTF-8"), Qt::CaseInsensitive) != 0)
        throw DokravaError(QStringLiteral("часть %1 объявлена в кодировке %2, а записана в UTF-8")
                               .arg(partName, declared.toString()));
    return text;
}

void CheckWellFormedXml(const QString &text, const QString &partName)
{
    QXmlStreamReader reader(text);
    bool root = false;
    while (!reader.atEnd())
        root = reader.readNext() == QXmlStreamReader::StartElement || root;
    if (reader.hasError() || !root)
        throw DokravaError(QStringLiteral("часть %1 не является правильным XML (строка %2: %3)")
                               .arg(partName)
                               .arg(reader.lineNumber())
                               .arg(reader.hasError() ? reader.errorString() : QStringLiteral("нет корневого элемента")));
}

} // namespace dokrava
