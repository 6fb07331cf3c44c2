// Reading and writing "settings.ini" and "replace.ini", and the single-byte code page under them.
#include "DiskFaults.h"
#include "TestFiles.h"
#include "base/AnsiText.h"
#include "base/AppFolder.h"
#include "base/Cp1251.h"
#include "base/DokravaError.h"
#include "settings/Settings.h"

#include <QFile>
#include <QStringDecoder>
#include <QTemporaryDir>
#include <QtTest>

#include <optional>

using namespace dokrava;

Q_DECLARE_METATYPE(TSettings)

namespace {

QByteArray cp(const QString &text)
{
    return Cp1251::encode(text);
}

TSettings make(bool colontit, bool help, bool openDir, bool openUniqDir, int formatFile, int fileName,
               bool check = true)
{
    TSettings s;
    s.Check = check;
    s.Colontit = colontit;
    s.Help = help;
    s.OpenDir = openDir;
    s.OpenUniqDir = openUniqDir;
    s.FormatFile = formatFile;
    s.FileName = fileName;
    return s;
}

// Defaults with the combined file's switches.
TSettings combined(bool on, bool duplex, int copies)
{
    TSettings s;
    s.CombinePdf = on;
    s.Duplex = duplex;
    s.Copies = copies;
    return s;
}

} // namespace

class tst_SettingsFile : public QObject
{
    Q_OBJECT

private slots:
    void cp1251MatchesSystemConverter();
    void cp1251ReplacesUnknownCharacters();
    void splitLines_data();
    void splitLines();
    void loadSettings_data();
    void loadSettings();
    void loadStartsFromDefaults();
    void saveSettingsWritesItsLines_data();
    void saveSettingsWritesItsLines();
    void personalFieldsReadRules();
    void personalFieldsWriteRules();
    void personalFieldsRoundTripCyrillic();
    void failedWriteKeepsOriginal_data();
    void failedWriteKeepsOriginal();
};

void tst_SettingsFile::cp1251MatchesSystemConverter()
{
    QStringDecoder reference("windows-1251");
    if (!reference.isValid())
        QSKIP("This Qt has no windows-1251 converter to compare with");
    for (int byte = 0; byte < 256; ++byte) {
        if (byte == 0x98)
            continue; // unassigned in the code page
        const QByteArray one(1, char(byte));
        QStringDecoder decoder("windows-1251");
        QCOMPARE(Cp1251::decode(one), QString(decoder.decode(one)));
        QCOMPARE(Cp1251::encode(Cp1251::decode(one)), one);
    }
}

void tst_SettingsFile::cp1251ReplacesUnknownCharacters()
{
    // One "?" per character, also for a character outside the basic plane.
    QCOMPARE(Cp1251::encode(QStringLiteral("Ж€中") + QString::fromUcs4(U"\U0001F600") + u'x'),
             QByteArray("\xC6\x88??x"));
}

void tst_SettingsFile::splitLines_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("lines");
    QTest::newRow("crlf") << "a\r\nb\r\n" << QStringList{"a", "b"};
    QTest::newRow("lf") << "a\nb" << QStringList{"a", "b"};
    QTest::newRow("lone cr") << "a\rb\r" << QStringList{"a", "b"};
    QTest::newRow("cr cr lf is two ends") << "a\r\r\nb" << QStringList{"a", "", "b"};
    QTest::newRow("lf cr is two ends") << "a\n\rb" << QStringList{"a", "", "b"};
    QTest::newRow("empty") << "" << QStringList{};
    QTest::newRow("only an end") << "\r\n" << QStringList{""};
}

void tst_SettingsFile::splitLines()
{
    QFETCH(QString, text);
    QFETCH(QStringList, lines);
    QCOMPARE(AnsiText::splitLines(text), lines);
}

void tst_SettingsFile::loadSettings_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<TSettings>("expected");
    const TSettings defaults;
    QTest::newRow("empty file") << QByteArray() << defaults;
    QTest::newRow("as saved") << QByteArray("Colontit~0\r\nHelp~1\r\nOpenDir~1\r\nOpenUniqDir~0\r\nFormatFile~1\r\nFileName~0\r\n")
                              << make(false, true, true, false, 1, 0);
    QTest::newRow("any order, lf ends") << QByteArray("FileName~1\nFormatFile~0\nColontit~1")
                                        << make(true, false, false, false, 0, 1);
    QTest::newRow("flag needs exactly 1") << QByteArray("Colontit~true\r\nHelp~ 1\r\nOpenDir~01\r\nOpenUniqDir~1 \r\n")
                                          << defaults;
    QTest::newRow("not an integer") << QByteArray("FormatFile~abc\r\nFileName~x1\r\n") << defaults;
    QTest::newRow("empty integer") << QByteArray("FormatFile~\r\nFileName~\r\n") << defaults;
    QTest::newRow("integer beyond 32 bits") << QByteArray("FormatFile~99999999999\r\nFileName~-99999999999\r\n")
                                            << defaults;
    QTest::newRow("other integers kept") << QByteArray("FormatFile~7\r\nFileName~-2\r\n")
                                         << make(false, false, false, false, 7, -2);
    QTest::newRow("leading blanks and sign") << QByteArray("FormatFile~ +0\r\nFileName~ 3\r\n")
                                             << make(false, false, false, false, 0, 3);
    QTest::newRow("later line wins") << QByteArray("Help~1\r\nHelp~0\r\nFormatFile~0\r\nFormatFile~1\r\n")
                                     << defaults;
    QTest::newRow("keys are case-sensitive") << QByteArray("colontit~1\r\nHELP~1\r\nformatfile~0\r\n") << defaults;
    QTest::newRow("keys are not trimmed") << QByteArray(" Colontit~1\r\nHelp ~1\r\n") << defaults;
    QTest::newRow("bad lines skipped") << QByteArray("Colontit\r\n~Help~1\r\n\r\nOpenDir~1\r\n")
                                       << make(false, false, true, false, 1, 0);
    QTest::newRow("value with tilde") << QByteArray("FormatFile~0~1\r\nHelp~1~\r\n") << defaults;
    QTest::newRow("lone cr ends") << QByteArray("Help~1\rOpenDir~1\r") << make(false, true, true, false, 1, 0);
    QTest::newRow("check off only when 0") << QByteArray("Check~0\r\n") << make(false, false, false, false, 1, 0, false);
    QTest::newRow("check on when 1") << QByteArray("Check~1\r\n") << defaults;
    QTest::newRow("check on for anything but 0") << QByteArray("Check~no\r\n") << defaults;
    TSettings remembered;
    remembered.ZagotkaDir = QStringLiteral("D:\\Шаблоны\\");
    remembered.ReplaceFile = QStringLiteral("D:\\Данные~1.xlsx");
    remembered.ReplaceSheet = 2;
    QTest::newRow("remembered paths") << QByteArray("ZagotkaDir~D:\\\xd8\xe0\xe1\xeb\xee\xed\xfb\\\r\n"
                                                    "ReplaceFile~D:\\\xc4\xe0\xed\xed\xfb\xe5~1.xlsx\r\nReplaceSheet~2\r\n")
                                      << remembered;
    TSettings converter;
    converter.LOPath = QStringLiteral("D:\\LibreOffice 7\\program\\soffice.exe");
    QTest::newRow("converter named") << QByteArray("LOPath~D:\\LibreOffice 7\\program\\soffice.exe\r\n") << converter;
    QTest::newRow("sheet that is no number") << QByteArray("ReplaceSheet~x\r\n") << defaults;
    QTest::newRow("combined file") << QByteArray("CombinePdf~1\r\nDuplex~1\r\nCopies~3\r\n") << combined(true, true, 3);
    QTest::newRow("combined file flags need exactly 1") << QByteArray("CombinePdf~yes\r\nDuplex~ 1\r\n") << defaults;
    QTest::newRow("no copies means one") << QByteArray("Copies~0\r\n") << defaults;
    QTest::newRow("copies beyond 9 are 9") << QByteArray("Copies~12\r\n") << combined(false, false, 9);
    QTest::newRow("copies not a number") << QByteArray("Copies~две\r\n") << defaults;
    QTest::newRow("hand edited fixture") << TestFiles::readBytes(DOKRAVA_TEST_DATA "/settings/settings_hand_edited.ini")
                                         << make(true, false, true, false, 1, 7);
}

void tst_SettingsFile::loadSettings()
{
    QFETCH(QByteArray, content);
    QFETCH(TSettings, expected);
    QTemporaryDir dir;
    const QString path = dir.filePath("settings.ini");
    TestFiles::writeBytes(path, content);
    const TSettings got = LoadSettingsFile(path);
    QCOMPARE(got.Colontit, expected.Colontit);
    QCOMPARE(got.Help, expected.Help);
    QCOMPARE(got.OpenDir, expected.OpenDir);
    QCOMPARE(got.OpenUniqDir, expected.OpenUniqDir);
    QCOMPARE(got.FormatFile, expected.FormatFile);
    QCOMPARE(got.FileName, expected.FileName);
    QCOMPARE(got.Check, expected.Check);
    QCOMPARE(got.ZagotkaDir, expected.ZagotkaDir);
    QCOMPARE(got.ReplaceFile, expected.ReplaceFile);
    QCOMPARE(got.ReplaceSheet, expected.ReplaceSheet);
    QCOMPARE(got.CombinePdf, expected.CombinePdf);
    QCOMPARE(got.Duplex, expected.Duplex);
    QCOMPARE(got.Copies, expected.Copies);
    QCOMPARE(got.LOPath, expected.LOPath);
}

void tst_SettingsFile::loadStartsFromDefaults()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("settings.ini");
    TSettings got = LoadSettingsFile(path); // no file: every switch at its default
    QCOMPARE(got.Colontit, false);
    QCOMPARE(got.OpenUniqDir, false);
    QCOMPARE(got.FormatFile, 1);
    QCOMPARE(got.FileName, 0);
    QCOMPARE(got.Check, true); // older files have no "Check": the check is on
    TestFiles::writeBytes(path, "Help~1\r\n");
    got = LoadSettingsFile(path);
    QCOMPARE(got.Colontit, false);
    QCOMPARE(got.Help, true);
    QCOMPARE(got.FormatFile, 1);
}

void tst_SettingsFile::saveSettingsWritesItsLines_data()
{
    QTest::addColumn<TSettings>("settings");
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("defaults") << TSettings()
                              << QByteArray("Colontit~0\r\nHelp~0\r\nOpenDir~0\r\nOpenUniqDir~0\r\nFormatFile~1\r\nFileName~0\r\nCheck~1\r\nCombinePdf~0\r\nDuplex~0\r\nCopies~1\r\n");
    QTest::newRow("all on") << make(true, true, true, true, 0, 1)
                            << QByteArray("Colontit~1\r\nHelp~1\r\nOpenDir~1\r\nOpenUniqDir~1\r\nFormatFile~0\r\nFileName~1\r\nCheck~1\r\nCombinePdf~0\r\nDuplex~0\r\nCopies~1\r\n");
    QTest::newRow("odd integers written as 1") << make(false, false, false, false, 7, -3)
                                               << QByteArray("Colontit~0\r\nHelp~0\r\nOpenDir~0\r\nOpenUniqDir~0\r\nFormatFile~1\r\nFileName~1\r\nCheck~1\r\nCombinePdf~0\r\nDuplex~0\r\nCopies~1\r\n");
    TSettings remembered;
    remembered.ZagotkaDir = QStringLiteral("C:\\Шаблоны\\");
    remembered.ReplaceFile = QStringLiteral("C:\\Data.xls");
    remembered.ReplaceSheet = 1;
    QTest::newRow("remembered paths") << remembered
                                      << QByteArray("Colontit~0\r\nHelp~0\r\nOpenDir~0\r\nOpenUniqDir~0\r\nFormatFile~1\r\nFileName~0\r\nCheck~1\r\nCombinePdf~0\r\nDuplex~0\r\nCopies~1\r\n"
                                                    "ZagotkaDir~C:\\\xd8\xe0\xe1\xeb\xee\xed\xfb\\\r\nReplaceFile~C:\\Data.xls\r\nReplaceSheet~1\r\n");
    // A path the code page cannot hold would come back as another one: it is left out.
    remembered.ZagotkaDir = QStringLiteral("C:\\文件\\");
    remembered.ReplaceFile.clear();
    QTest::newRow("path beyond the code page") << remembered
                                               << QByteArray("Colontit~0\r\nHelp~0\r\nOpenDir~0\r\nOpenUniqDir~0\r\nFormatFile~1\r\nFileName~0\r\nCheck~1\r\nCombinePdf~0\r\nDuplex~0\r\nCopies~1\r\n");
    TSettings converter;
    converter.LOPath = QStringLiteral("/opt/офис/soffice");
    QTest::newRow("converter named") << converter
                                     << QByteArray("Colontit~0\r\nHelp~0\r\nOpenDir~0\r\nOpenUniqDir~0\r\nFormatFile~1\r\nFileName~0\r\nCheck~1\r\nCombinePdf~0\r\nDuplex~0\r\nCopies~1\r\n"
                                                   "LOPath~/opt/\xee\xf4\xe8\xf1/soffice\r\n");
    QTest::newRow("check off") << make(false, false, false, false, 1, 0, false)
                               << QByteArray("Colontit~0\r\nHelp~0\r\nOpenDir~0\r\nOpenUniqDir~0\r\nFormatFile~1\r\nFileName~0\r\nCheck~0\r\nCombinePdf~0\r\nDuplex~0\r\nCopies~1\r\n");
    QTest::newRow("combined file") << combined(true, true, 4)
                                   << QByteArray("Colontit~0\r\nHelp~0\r\nOpenDir~0\r\nOpenUniqDir~0\r\nFormatFile~1\r\nFileName~0\r\nCheck~1\r\nCombinePdf~1\r\nDuplex~1\r\nCopies~4\r\n");
}

void tst_SettingsFile::saveSettingsWritesItsLines()
{
    QFETCH(TSettings, settings);
    QFETCH(QByteArray, bytes);
    QTemporaryDir dir;
    const QString path = dir.filePath("settings.ini");
    TestFiles::writeBytes(path, QByteArray(500, 'x')); // a longer old file must not leave a tail
    SaveSettingsFile(path, settings);
    QCOMPARE(TestFiles::readBytes(path), bytes);
    SaveSettingsFile(path, LoadSettingsFile(path));
    QCOMPARE(TestFiles::readBytes(path), bytes);
}

void tst_SettingsFile::personalFieldsReadRules()
{
    const TPersonalFields fields =
        ReadPersonalFieldsFile(DOKRAVA_TEST_DATA "/settings/replace_mixed_line_ends.ini");
    const TPersonalFields expected = {
        {QStringLiteral("ФИО"), QStringLiteral("Иванов Иван")},
        {QStringLiteral("Должность"), QString()},
        {QStringLiteral("Адрес"), QStringLiteral("ул. Ленина, 1~кв. 2")},
        {QStringLiteral("Город"), QStringLiteral("Москва")},
    };
    QCOMPARE(fields, expected);
    QTemporaryDir dir;
    QVERIFY(ReadPersonalFieldsFile(dir.filePath("absent.ini")).isEmpty());
}

void tst_SettingsFile::personalFieldsWriteRules()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("replace.ini");
    WritePersonalFieldsFile(path, {{"a~b", "1"}, {"", "lost value"}, {"Пусто", ""}, {"~x", "y"}});
    QCOMPARE(TestFiles::readBytes(path), QByteArray("a~b~1\r\n") + cp("Пусто~\r\n") + "~x~y\r\n");
    // The name with "~" comes back split at its first "~"; the one starting with it is skipped.
    const TPersonalFields back = ReadPersonalFieldsFile(path);
    const TPersonalFields expected = {{"a", "b~1"}, {QStringLiteral("Пусто"), ""}};
    QCOMPARE(back, expected);
    WritePersonalFieldsFile(path, {});
    QCOMPARE(TestFiles::readBytes(path), QByteArray());
}

void tst_SettingsFile::personalFieldsRoundTripCyrillic()
{
    QTemporaryDir dir;
    AppFolder::setOverride(dir.path());
    const TPersonalFields fields = {{QStringLiteral("Директор"), QStringLiteral("Пётр «Ёж» №1 — €")},
                                    {QStringLiteral("Эмодзи"), QString::fromUcs4(U"a\U0001F600b")}};
    WritePersonalFields(fields);
    QCOMPARE(TestFiles::readBytes(AppFolder::personalFieldsFile()),
             cp("Директор~Пётр «Ёж» №1 — €\r\nЭмодзи~a?b\r\n"));
    const TPersonalFields back = ReadPersonalFields();
    QCOMPARE(back.size(), 2);
    QCOMPARE(back.at(0), fields.at(0));
    QCOMPARE(back.at(1).value, QStringLiteral("a?b"));
    AppFolder::setOverride(QString());
}

void tst_SettingsFile::failedWriteKeepsOriginal_data()
{
    QTest::addColumn<bool>("sync");
    QTest::newRow("a write fails") << false;
    QTest::newRow("the sync to disk fails") << true;
}

void tst_SettingsFile::failedWriteKeepsOriginal()
{
#ifdef Q_OS_LINUX
    // A file-size limit makes the write fail whatever the user's rights are.
    QFETCH(bool, sync);
    QTemporaryDir dir;
    const QString settingsPath = dir.filePath("settings.ini");
    const QString fieldsPath = dir.filePath("replace.ini");
    const QByteArray original = TestFiles::readBytes(DOKRAVA_TEST_DATA "/settings/keeps_original_on_failed_write.ini");
    QVERIFY(!original.isEmpty());
    TestFiles::writeBytes(settingsPath, original);
    TestFiles::writeBytes(fieldsPath, original);

    bool settingsThrew = false;
    bool fieldsThrew = false;
    {
        std::optional<DiskFaults::FileSizeLimit> limit;
        if (sync)
            DiskFaults::syncFails = true;
        else
            limit.emplace(16);
        try {
            SaveSettingsFile(settingsPath, TSettings());
        } catch (const DokravaError &e) {
            settingsThrew = e.message().contains(QStringLiteral("settings.ini"));
        }
        try {
            WritePersonalFieldsFile(fieldsPath, {{"Поле", QString(200, u'я')}});
        } catch (const DokravaError &) {
            fieldsThrew = true;
        }
        DiskFaults::syncFails = false;
    }

    QVERIFY(settingsThrew);
    QVERIFY(fieldsThrew);
    QCOMPARE(TestFiles::readBytes(settingsPath), original);
    QCOMPARE(TestFiles::readBytes(fieldsPath), original);
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 2); // no leftovers
#else
    QSKIP("Needs a file-size limit to make the write fail");
#endif
}

QTEST_GUILESS_MAIN(tst_SettingsFile)
#include "tst_SettingsFile.moc"
