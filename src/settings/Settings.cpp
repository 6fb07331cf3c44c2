#include "settings/Settings.h"

#include "base/AnsiText.h"
#include "base/AppFolder.h"
#include "base/DokravaError.h"
#include "base/PendingFile.h"

#include <QDir>
#include <QFile>

#include <algorithm>

namespace dokrava {

namespace {

const QString kColontit = QStringLiteral("Colontit");
const QString kHelp = QStringLiteral("Help");
const QString kOpenDir = QStringLiteral("OpenDir");
const QString kOpenUniqDir = QStringLiteral("OpenUniqDir");
const QString kFormatFile = QStringLiteral("FormatFile");
const QString kFileName = QStringLiteral("FileName");
const QString kCheck = QStringLiteral("Check");
const QString kZagotkaDir = QStringLiteral("ZagotkaDir");
const QString kReplaceFile = QStringLiteral("ReplaceFile");
const QString kReplaceSheet = QStringLiteral("ReplaceSheet");
const QString kCombinePdf = QStringLiteral("CombinePdf");
const QString kDuplex = QStringLiteral("Duplex");
const QString kCopies = QStringLiteral("Copies");
const QString kLOPath = QStringLiteral("LOPath");

QString shown(const QString &path)
{
    return QDir::toNativeSeparators(path);
}

// A decimal 32-bit integer after optional leading blanks, with an optional sign; any other
// character, no digit at all or a number out of range gives the fallback.
int integerOr(const QString &text, int fallback)
{
    qsizetype i = 0;
    while (i < text.size() && text.at(i) == QLatin1Char(' '))
        ++i;
    const QStringView digits = QStringView(text).mid(i);
    if (digits.isEmpty())
        return fallback;
    for (qsizetype k = 0; k < digits.size(); ++k) {
        const QChar c = digits.at(k);
        const bool sign = k == 0 && (c == QLatin1Char('+') || c == QLatin1Char('-'));
        if (!sign && !(c >= QLatin1Char('0') && c <= QLatin1Char('9')))
            return fallback;
    }
    bool ok = false;
    const int value = digits.toInt(&ok, 10);
    return ok ? value : fallback;
}

// Replaces the file only once every byte is written and on the disk, so a failed write or a
// crash keeps the old file.
void writeLinesAtomically(const QString &path, const QStringList &lines)
{
    QByteArray bytes;
    for (const QString &line : lines)
        bytes += AnsiText::encode(line) + "\r\n";
    WriteFileSafely(path, bytes);
}

void applySetting(TSettings &settings, const QString &key, const QString &value)
{
    const bool on = value == QLatin1String("1");
    if (key == kColontit)
        settings.Colontit = on;
    else if (key == kHelp)
        settings.Help = on;
    else if (key == kOpenDir)
        settings.OpenDir = on;
    else if (key == kOpenUniqDir)
        settings.OpenUniqDir = on;
    else if (key == kFormatFile)
        settings.FormatFile = integerOr(value, 1);
    else if (key == kFileName)
        settings.FileName = integerOr(value, 0);
    else if (key == kCheck)
        settings.Check = value != QLatin1String("0"); // off only when written off
    else if (key == kZagotkaDir)
        settings.ZagotkaDir = value;
    else if (key == kReplaceFile)
        settings.ReplaceFile = value;
    else if (key == kReplaceSheet)
        settings.ReplaceSheet = std::max(-1, integerOr(value, -1));
    else if (key == kCombinePdf)
        settings.CombinePdf = on;
    else if (key == kDuplex)
        settings.Duplex = on;
    else if (key == kCopies)
        settings.Copies = std::clamp(integerOr(value, kMinCopies), kMinCopies, kMaxCopies);
    else if (key == kLOPath)
        settings.LOPath = value;
}

// A path the file's code page cannot hold would come back as another path: it is not kept.
bool fitsCodePage(const QString &text)
{
    return AnsiText::decode(AnsiText::encode(text)) == text;
}

QString flag(bool on)
{
    return on ? QStringLiteral("1") : QStringLiteral("0");
}

} // namespace

QStringList ReadSettingsLines(const QString &path)
{
    QFile file(path);
    if (!file.exists())
        return {};
    if (!file.open(QIODevice::ReadOnly))
        throw DokravaError(QStringLiteral("Не удалось прочитать файл ") + shown(path));
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw DokravaError(QStringLiteral("Не удалось прочитать файл ") + shown(path));
    return AnsiText::splitLines(AnsiText::decode(bytes));
}

bool SplitSettingsLine(const QString &line, QString &key, QString &value)
{
    const qsizetype tilde = line.indexOf(QLatin1Char('~'));
    if (tilde <= 0)
        return false;
    key = line.left(tilde);
    value = line.mid(tilde + 1);
    return true;
}

TSettings LoadSettingsFile(const QString &path)
{
    TSettings settings;
    QString key;
    QString value;
    for (const QString &line : ReadSettingsLines(path)) {
        if (SplitSettingsLine(line, key, value))
            applySetting(settings, key, value);
    }
    return settings;
}

void SaveSettingsFile(const QString &path, const TSettings &settings)
{
    QStringList lines = {
        kColontit + QLatin1Char('~') + flag(settings.Colontit),
        kHelp + QLatin1Char('~') + flag(settings.Help),
        kOpenDir + QLatin1Char('~') + flag(settings.OpenDir),
        kOpenUniqDir + QLatin1Char('~') + flag(settings.OpenUniqDir),
        kFormatFile + QLatin1Char('~') + flag(settings.FormatFile != 0),
        kFileName + QLatin1Char('~') + flag(settings.FileName != 0),
        kCheck + QLatin1Char('~') + flag(settings.Check),
        kCombinePdf + QLatin1Char('~') + flag(settings.CombinePdf),
        kDuplex + QLatin1Char('~') + flag(settings.Duplex),
        kCopies + QLatin1Char('~') + QString::number(std::clamp(settings.Copies, kMinCopies, kMaxCopies)),
    };
    // A line end inside a path would split its line; no real path holds one.
    const auto pathLine = [&lines](const QString &key, const QString &value) {
        if (!value.isEmpty() && fitsCodePage(value) && !value.contains(QLatin1Char('\n')) && !value.contains(QLatin1Char('\r')))
            lines.append(key + QLatin1Char('~') + value);
    };
    pathLine(kZagotkaDir, settings.ZagotkaDir);
    pathLine(kReplaceFile, settings.ReplaceFile);
    if (settings.ReplaceSheet >= 0 && !settings.ReplaceFile.isEmpty())
        lines.append(kReplaceSheet + QLatin1Char('~') + QString::number(settings.ReplaceSheet));
    pathLine(kLOPath, settings.LOPath);
    writeLinesAtomically(path, lines);
}

TPersonalFields ReadPersonalFieldsFile(const QString &path)
{
    TPersonalFields fields;
    QString name;
    QString value;
    for (const QString &line : ReadSettingsLines(path)) {
        if (SplitSettingsLine(line, name, value))
            fields.append({name, value});
    }
    return fields;
}

void WritePersonalFieldsFile(const QString &path, const TPersonalFields &fields)
{
    QStringList lines;
    for (const TPersonalField &field : fields) {
        if (!field.name.isEmpty())
            lines.append(field.name + QLatin1Char('~') + field.value);
    }
    writeLinesAtomically(path, lines);
}

TPersonalFields ReadPersonalFields()
{
    return ReadPersonalFieldsFile(AppFolder::personalFieldsFile());
}

void WritePersonalFields(const TPersonalFields &fields)
{
    WritePersonalFieldsFile(AppFolder::personalFieldsFile(), fields);
}

} // namespace dokrava
