#include "office/ConverterProfile.h"

#include "base/AppFolder.h"
#include "base/DokravaError.h"
#include "base/PendingFile.h"
#include "base/XmlEdit.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLockFile>
#include <QThread>

namespace dokrava {

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

enum class Slots { Taken, Busy, Unusable };

// One pass over the folders: the first free one is locked into lock and named in folder.
// Busy when none was free but one at least is held by another converter; Unusable when none of
// them can be made or locked.
Slots takeFirstFree(QString &folder, std::unique_ptr<QLockFile> &lock)
{
    const QString root = ConverterProfile::root();
    if (!QDir().mkpath(root))
        return Slots::Unusable;
    bool busy = false;
    for (int k = 0; k < ConverterProfile::kSlots; ++k) {
        const QString candidate = AppFolder::join(root, QString::number(k));
        auto candidateLock = std::make_unique<QLockFile>(candidate + QStringLiteral(".lock"));
        // Only the lock of a program that no longer runs is stale: the default takes any lock
        // older than 30 s for one, and a long batch of another copy would lose its folder.
        candidateLock->setStaleLockTime(0);
        if (!candidateLock->tryLock(0)) {
            busy = busy || candidateLock->error() == QLockFile::LockFailedError;
            continue;
        }
        if (!QDir().mkpath(candidate))
            continue;
        folder = candidate;
        lock = std::move(candidateLock);
        return Slots::Taken;
    }
    return busy ? Slots::Busy : Slots::Unusable;
}

} // namespace

ConverterProfile::ConverterProfile(QString folder, std::unique_ptr<QLockFile> lock)
    : m_folder(std::move(folder)), m_lock(std::move(lock))
{
}

ConverterProfile::~ConverterProfile() = default;

QString ConverterProfile::root()
{
    return AppFolder::join(AppFolder::path(), QStringLiteral("lo_profiles"));
}

std::unique_ptr<ConverterProfile> ConverterProfile::tryTake()
{
    QString folder;
    std::unique_ptr<QLockFile> lock;
    if (takeFirstFree(folder, lock) != Slots::Taken)
        return nullptr;
    PrepareConverterProfile(folder);
    return std::unique_ptr<ConverterProfile>(new ConverterProfile(folder, std::move(lock)));
}

std::unique_ptr<ConverterProfile> ConverterProfile::take(int waitMs, const std::function<bool()> &cancelled)
{
    QElapsedTimer waited;
    waited.start();
    for (;;) {
        if (cancelled && cancelled())
            return nullptr;
        QString folder;
        std::unique_ptr<QLockFile> lock;
        const Slots outcome = takeFirstFree(folder, lock);
        if (outcome == Slots::Taken) {
            PrepareConverterProfile(folder);
            return std::unique_ptr<ConverterProfile>(new ConverterProfile(folder, std::move(lock)));
        }
        // Waiting helps only while other converters hold the folders; one that cannot be written
        // stays so.
        if (outcome == Slots::Unusable)
            throw DokravaError(QStringLiteral("Не удалось подготовить папку профиля LibreOffice «%1»: нет доступа на "
                                              "запись или диск заполнен. Конвертация невозможна")
                                   .arg(QDir::toNativeSeparators(root())));
        if (waited.elapsed() >= waitMs)
            throw DokravaError(QStringLiteral("Все папки профилей LibreOffice в «%1» заняты другими конвертациями. "
                                              "Конвертация не выполнена, повторите позже")
                                   .arg(QDir::toNativeSeparators(root())));
        QThread::msleep(100);
    }
}

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

} // namespace dokrava
