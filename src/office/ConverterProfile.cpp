#include "office/ConverterProfile.h"

#include "base/DokravaError.h"
#include "base/PendingFile.h"
#include "base/XmlEdit.h"

#include <QDir>
#include <QFile>

namespace {

const QString kLastVersion = QStringLiteral("ooSetupLastVersion");
// No version reaches this, so the suite never takes a start for its first after an upgrade.
const QString kLastVersionItem =
    QStringLiteral("<item oor:path=\"/org.openoffice.Setup/Product\"><prop oor:name=\"ooSetupLastVersion\" "
                   "oor:op=\"fuse\"><value>9999.9</value></prop></item>\n");

// The settings with the item added, or an empty string when they have it or cannot take it.
QString withLastVersion(const QString &settings)
{
    const XmlEdit xml(settings, QStringLiteral("registrymodifications.xcu"));
    for (const XmlEdit::Element &prop : xml.find(QStringLiteral("prop")))
        for (const QXmlStreamAttribute &a : prop.attributes)
            if (a.name() == QLatin1String("name") && a.value() == kLastVersion)
                return QString();
    if (xml.elements().isEmpty() || xml.elements().first().isEmpty())
        return QString();
    const XmlEdit::Element &root = xml.elements().first();
    const qsizetype endTag = settings.lastIndexOf(QLatin1String("</"), root.end - 1);
    if (endTag < root.startTagEnd)
        return QString();
    return QString(settings).insert(endTag, kLastVersionItem);
}

} // namespace

void PrepareConverterProfile(const QString &folder)
{
    const QString user = QDir(folder).filePath(QStringLiteral("user"));
    const QString path = QDir(user).filePath(QStringLiteral("registrymodifications.xcu"));
    try {
        QFile file(path);
        if (!file.exists()) {
            // A new profile: the suite fills in the rest at its first start.
            if (QDir().mkpath(user))
                WriteFileSafely(path, QByteArray("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                                                 "<oor:items xmlns:oor=\"http://openoffice.org/2001/registry\" "
                                                 "xmlns:xs=\"http://www.w3.org/2001/XMLSchema\" "
                                                 "xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\">\n")
                                          + kLastVersionItem.toUtf8() + "</oor:items>\n");
            return;
        }
        if (!file.open(QIODevice::ReadOnly))
            return;
        const QString changed = withLastVersion(QString::fromUtf8(file.readAll()));
        file.close();
        if (!changed.isEmpty())
            WriteFileSafely(path, changed.toUtf8());
    } catch (const DokravaError &) {
        // Settings the suite could not read either, or a folder that cannot be written: the
        // suite deals with its profile itself, only more slowly.
    }
}
