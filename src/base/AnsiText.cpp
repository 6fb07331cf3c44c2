#include "base/AnsiText.h"

#include "base/Cp1251.h"

#include <QStringDecoder>
#include <QStringEncoder>
#include <QStringList>

namespace dokrava {

namespace AnsiText {

QString decode(const QByteArray &bytes)
{
#ifdef Q_OS_WIN
    // Qt's "System" converter on Windows is the ANSI code page (CP_ACP).
    QStringDecoder decoder(QStringConverter::System);
    return decoder.decode(bytes);
#else
    return Cp1251::decode(bytes);
#endif
}

QByteArray encode(const QString &text)
{
#ifdef Q_OS_WIN
    // The system's converter writes a "?" for each half of a character beyond the basic plane
    // that the code page lacks; it is one character, and gets one "?", as everywhere else.
    QStringEncoder encoder(QStringConverter::System);
    const QStringView all(text);
    QByteArray out;
    qsizetype start = 0;
    for (qsizetype i = 0; i + 1 < all.size(); ++i) {
        if (!all.at(i).isHighSurrogate() || !all.at(i + 1).isLowSurrogate())
            continue;
        if (QByteArray(encoder.encode(all.sliced(i, 2))) == "??") {
            out += encoder.encode(all.sliced(start, i - start));
            out += '?';
            start = i + 2;
        }
        ++i;
    }
    out += encoder.encode(all.sliced(start));
    return out;
#else
    return Cp1251::encode(text);
#endif
}

QString decodeWithBom(const QByteArray &bytes)
{
    if (bytes.startsWith("\xEF\xBB\xBF"))
        return QString::fromUtf8(bytes.constData() + 3, bytes.size() - 3);
    const bool littleEndian = bytes.startsWith("\xFF\xFE");
    if (littleEndian || bytes.startsWith("\xFE\xFF")) {
        QStringDecoder decoder(littleEndian ? QStringConverter::Utf16LE : QStringConverter::Utf16BE);
        return decoder.decode(QByteArrayView(bytes.constData() + 2, bytes.size() - 2));
    }
    return decode(bytes);
}

QStringList splitLines(const QString &text)
{
    QStringList lines;
    qsizetype start = 0;
    const qsizetype size = text.size();
    for (qsizetype i = 0; i < size; ++i) {
        const QChar c = text.at(i);
        if (c != QLatin1Char('\r') && c != QLatin1Char('\n'))
            continue;
        lines.append(text.mid(start, i - start));
        if (c == QLatin1Char('\r') && i + 1 < size && text.at(i + 1) == QLatin1Char('\n'))
            ++i;
        start = i + 1;
    }
    if (start < size)
        lines.append(text.mid(start));
    return lines;
}

} // namespace AnsiText

} // namespace dokrava
