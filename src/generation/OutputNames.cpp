#include "generation/OutputNames.h"

#include "base/AppFolder.h"
#include "base/ReservedNames.h"
#include "generation/TemplateKind.h"

#include <QFileInfo>

#include <algorithm>

namespace dokrava {

QString FileNameWithoutExt(const QString &fileName)
{
    // Template entries may carry sub-folders written with either separator.
    const qsizetype cut = std::max({fileName.lastIndexOf(QLatin1Char('\\')), fileName.lastIndexOf(QLatin1Char('/')),
                                    fileName.lastIndexOf(QLatin1Char(':'))});
    const QString name = fileName.mid(cut + 1);
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    return dot < 0 ? name : name.left(dot);
}

QString SafeNamePart(const QString &text)
{
    static const QString forbidden = QStringLiteral("\\/:*?\"<>|");
    QString s = text;
    for (QChar &c : s)
        if (c.unicode() < 32 || forbidden.contains(c))
            c = QLatin1Char('_');
    while (!s.isEmpty() && (s.back() == QLatin1Char('.') || s.back() == QLatin1Char(' ')))
        s.chop(1);
    return s;
}

int NameLength(const QString &name)
{
#ifdef Q_OS_WIN
    return int(name.size());
#else
    return int(name.toUtf8().size());
#endif
}

namespace {

// The longest head of text, of whole characters, whose length fits within room.
QString fitted(const QString &text, int room)
{
    if (NameLength(text) <= room)
        return text;
    qsizetype end = 0;
    int used = 0;
    while (end < text.size()) {
        const qsizetype step = text[end].isHighSurrogate() && end + 1 < text.size() ? 2 : 1;
        const int length = NameLength(text.mid(end, step));
        if (used + length > room)
            break;
        used += length;
        end += step;
    }
    // The cut may leave a trailing dot or space, which Windows would drop from the name.
    return SafeNamePart(text.left(end));
}

QString withoutExtension(const QString &path)
{
    const QFileInfo info(path);
    return AppFolder::join(info.path(), info.completeBaseName());
}

} // namespace

TNameOrder NameOrderOf(int FileName)
{
    return FileName == 0 ? TNameOrder::TemplateFirst : TNameOrder::ValueFirst;
}

QString OutputPath(const QString &outputRoot, const QString &entry, const QString &namingValue,
                   int namingMode, TNameOrder order, int FormatFile, int copy)
{
    const QString t = SafeNamePart(FileNameWithoutExt(entry));
    const QString entryName = entry.mid(std::max(entry.lastIndexOf(QLatin1Char('\\')), entry.lastIndexOf(QLatin1Char('/'))) + 1);
    const qsizetype dot = entryName.lastIndexOf(QLatin1Char('.'));
    const QString ownExt = dot < 0 ? QString() : entryName.mid(dot);
    const bool odt = TemplateKindOf(entryName) == TemplateKind::Odt;
    const QString ext = (FormatFile == 0 && !odt) ? QStringLiteral(".pdf") : ownExt;
    const QString suffix = copy > 1 ? QStringLiteral(" (%1)").arg(copy) : QString();
    // Room is kept for ".docx" as well: a Word result whose PDF fails is kept under that extension.
    const int reserved = NameLength(t) + 1 + NameLength(suffix) + std::max(NameLength(ext), 5);
    const QString v = fitted(SafeNamePart(namingValue), std::max(0, kMaxNameLength - reserved));
    // A folder named "CON" or "com1.txt" could not be made on Windows: it gets a "_".
    const QString folder = UnreservedName(namingMode == 1 ? v : t);
    const QString name = order == TNameOrder::ValueFirst ? v + QLatin1Char('-') + t : t + QLatin1Char('-') + v;
    // An empty folder name puts the document into the output root itself.
    const QString dir = folder.isEmpty() ? outputRoot : AppFolder::join(outputRoot, folder);
    return AppFolder::join(dir, UnreservedName(name + suffix + ext));
}

OutputNames::OutputNames(QString outputRoot, int namingMode, int FileName, int FormatFile)
    : m_root(std::move(outputRoot)), m_namingMode(namingMode), m_order(NameOrderOf(FileName)), m_formatFile(FormatFile)
{
}

QString OutputNames::key(const QString &path) const
{
    return (m_formatFile == 0 ? withoutExtension(path) : path).toCaseFolded();
}

QString OutputNames::claim(const QString &entry, const QString &namingValue)
{
    const QString first = OutputPath(m_root, entry, namingValue, m_namingMode, m_order, m_formatFile);
    int &next = m_nextCopy[key(first)];
    for (int copy = std::max(next, 1);; ++copy) {
        const QString path = copy == 1 ? first
                                       : OutputPath(m_root, entry, namingValue, m_namingMode, m_order, m_formatFile, copy);
        if (!m_claimed.contains(key(path))) {
            m_claimed.insert(key(path));
            next = copy + 1;
            return path;
        }
    }
}

} // namespace dokrava
