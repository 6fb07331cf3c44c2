// The settings window: filling from the files, the switches, saving both files.
#include "TestFiles.h"
#include "FakeDialogs.h"

#include "base/Cp1251.h"
#include "ui/TFZamena.h"
#include "ui_TFZamena.h"
#include "base/AppFolder.h"
#include "ui/Globals.h"

#include <QTemporaryDir>
#include <QtTest>

#include <memory>

using namespace dokrava;

namespace {

QString cell(QTableWidget *grid, int row, int column)
{
    const QTableWidgetItem *item = grid->item(row, column);
    return item ? item->text() : QString();
}

void setCell(QTableWidget *grid, int row, int column, const QString &text)
{
    grid->setItem(row, column, new QTableWidgetItem(text));
}

} // namespace

class tst_TFZamena : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void firstOpeningCreatesEmptyFile();
    void openingFillsGridFromFile();
    void openingSkipsBadLines();
    void switchesFromSettings_data();
    void switchesFromSettings();
    void openDirEnablesUniqueFolder();
    void combineControlsFollowFormatAndEachOther();
    void saveWritesBothFilesAndConfirms();
    void saveKeepsDisabledUniqueFolderMark();
    void saveTwiceWritesIdenticalFiles();
    void roundTripThroughNewWindow();
    void failedShowIsReportedAndWindowStillUsable();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<FakeDialogs> m_dialogs;
    std::unique_ptr<TFZamena> m_window;
};

void tst_TFZamena::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    AppFolder::setOverride(m_dir->path());
    m_dialogs = std::make_unique<FakeDialogs>();
    Settings = TSettings();
    m_window = std::make_unique<TFZamena>();
}

void tst_TFZamena::cleanup()
{
    m_window.reset();
    m_dialogs.reset();
    AppFolder::setOverride(QString());
    m_dir.reset();
}

void tst_TFZamena::firstOpeningCreatesEmptyFile()
{
    m_window->FormShow();
    QVERIFY(QFileInfo::exists(AppFolder::personalFieldsFile()));
    QCOMPARE(QFileInfo(AppFolder::personalFieldsFile()).size(), 0);
    QCOMPARE(m_window->ui()->SG_repl->rowCount(), 4);
    // The next opening finds the empty file: one empty row for a new entry.
    m_window->FormShow();
    QCOMPARE(m_window->ui()->SG_repl->rowCount(), 1);
    QVERIFY(m_dialogs->errors.isEmpty());
}

void tst_TFZamena::openingFillsGridFromFile()
{
    QFile::copy(DOKRAVA_TEST_DATA "/settings/replace_mixed_line_ends.ini", AppFolder::personalFieldsFile());
    QTableWidget *grid = m_window->ui()->SG_repl;
    setCell(grid, 3, 1, "typed but not saved");
    m_window->FormShow();
    QCOMPARE(grid->rowCount(), 5);
    const QStringList names = {"ФИО", "Должность", "Адрес", "Город", ""};
    const QStringList values = {"Иванов Иван", "", "ул. Ленина, 1~кв. 2", "Москва", ""};
    for (int row = 0; row < 5; ++row) {
        QCOMPARE(cell(grid, row, 0), names.at(row));
        QCOMPARE(cell(grid, row, 1), values.at(row));
    }
}

void tst_TFZamena::openingSkipsBadLines()
{
    TestFiles::writeBytes(AppFolder::personalFieldsFile(), "\r\nno tilde\r\n~name\r\n\r\nA~1\r\n");
    m_window->FormShow();
    QTableWidget *grid = m_window->ui()->SG_repl;
    QCOMPARE(grid->rowCount(), 2);
    QCOMPARE(cell(grid, 0, 0), QStringLiteral("A"));
    QCOMPARE(cell(grid, 1, 0), QString());
}

void tst_TFZamena::switchesFromSettings_data()
{
    QTest::addColumn<int>("formatFile");
    QTest::addColumn<int>("fileName");
    QTest::addColumn<bool>("flags");
    QTest::newRow("pdf, template first, flags on") << 0 << 0 << true;
    QTest::newRow("doc, column first, flags off") << 1 << 1 << false;
    QTest::newRow("beyond the last item") << 7 << 3 << true;
}

void tst_TFZamena::switchesFromSettings()
{
    QCOMPARE(m_window->windowTitle(), QStringLiteral("Настройки"));
    QFETCH(int, formatFile);
    QFETCH(int, fileName);
    QFETCH(bool, flags);
    Settings.Colontit = flags;
    Settings.Help = !flags;
    Settings.OpenDir = flags;
    Settings.OpenUniqDir = !flags;
    Settings.FormatFile = formatFile;
    Settings.FileName = fileName;
    Settings.Check = !flags;
    Settings.CombinePdf = flags;
    Settings.Duplex = !flags;
    Settings.Copies = flags ? 9 : 1;
    m_window->FormShow();
    Ui::TFZamena *ui = m_window->ui();
    QCOMPARE(ui->chkColontit->isChecked(), flags);
    QCOMPARE(ui->chkNoCheck->isChecked(), flags);
    QCOMPARE(ui->ChB_help->isChecked(), !flags);
    QCOMPARE(ui->ChB_OpenDir->isChecked(), flags);
    QCOMPARE(ui->ChB_OpenUniqDir->isChecked(), !flags);
    QCOMPARE(ui->ChB_OpenUniqDir->isEnabled(), flags);
    QCOMPARE(ui->rgFileFormat_0->isChecked(), formatFile == 0);
    QCOMPARE(ui->rgFileFormat_1->isChecked(), formatFile != 0);
    QCOMPARE(ui->rgFileName_0->isChecked(), fileName == 0);
    QCOMPARE(ui->rgFileName_1->isChecked(), fileName != 0);
    // The combined file goes with the PDF format only.
    QCOMPARE(ui->chkCombinePdf->isChecked(), flags);
    QCOMPARE(ui->chkCombinePdf->isEnabled(), formatFile == 0);
    QCOMPARE(ui->chkDuplex->isChecked(), !flags);
    QCOMPARE(ui->chkDuplex->isEnabled(), formatFile == 0 && flags);
    QCOMPARE(ui->spCopies->value(), flags ? 9 : 1);
    QCOMPARE(ui->spCopies->isEnabled(), formatFile == 0 && flags);
}

void tst_TFZamena::combineControlsFollowFormatAndEachOther()
{
    Ui::TFZamena *ui = m_window->ui();
    m_window->FormShow();
    QVERIFY(!ui->chkCombinePdf->isEnabled());
    ui->rgFileFormat_0->click();
    QVERIFY(ui->chkCombinePdf->isEnabled());
    QVERIFY(!ui->chkDuplex->isEnabled());
    ui->chkCombinePdf->click();
    QVERIFY(ui->chkDuplex->isEnabled());
    QVERIFY(ui->spCopies->isEnabled());
    QCOMPARE(ui->spCopies->minimum(), 1);
    QCOMPARE(ui->spCopies->maximum(), 9);
    // Back to the word processor's format: the choice stays, unusable until PDF comes back.
    ui->rgFileFormat_1->click();
    QVERIFY(!ui->chkCombinePdf->isEnabled());
    QVERIFY(!ui->chkDuplex->isEnabled());
    QVERIFY(ui->chkCombinePdf->isChecked());
}

void tst_TFZamena::openDirEnablesUniqueFolder()
{
    Ui::TFZamena *ui = m_window->ui();
    ui->ChB_OpenUniqDir->setChecked(true);
    ui->ChB_OpenDir->click();
    QVERIFY(ui->ChB_OpenUniqDir->isEnabled());
    ui->ChB_OpenDir->click();
    QVERIFY(!ui->ChB_OpenUniqDir->isEnabled());
    QVERIFY(ui->ChB_OpenUniqDir->isChecked());
}

void tst_TFZamena::saveWritesBothFilesAndConfirms()
{
    Ui::TFZamena *ui = m_window->ui();
    setCell(ui->SG_repl, 0, 0, "ФИО");
    setCell(ui->SG_repl, 0, 1, "Пётр");
    setCell(ui->SG_repl, 1, 1, "value without a name");
    setCell(ui->SG_repl, 2, 0, "Пусто");
    setCell(ui->SG_repl, 3, 0, " с пробелами ");
    setCell(ui->SG_repl, 3, 1, " a~b ");
    ui->chkColontit->setChecked(true);
    ui->rgFileFormat_0->setChecked(true);
    ui->rgFileName_1->setChecked(true);
    ui->chkNoCheck->setChecked(true);
    ui->chkCombinePdf->setChecked(true);
    ui->spCopies->setValue(3);
    ui->B_Save->click();

    QCOMPARE(m_dialogs->notices, QStringList{"Сохранение выполнено"});
    QCOMPARE(TestFiles::readBytes(AppFolder::personalFieldsFile()),
             Cp1251::encode("ФИО~Пётр\r\nПусто~\r\n с пробелами ~ a~b \r\n"));
    QCOMPARE(TestFiles::readBytes(AppFolder::settingsFile()),
             QByteArray("Colontit~1\r\nHelp~0\r\nOpenDir~0\r\nOpenUniqDir~0\r\nFormatFile~0\r\nFileName~1\r\nCheck~0\r\n"
                        "CombinePdf~1\r\nDuplex~0\r\nCopies~3\r\n"));
    QCOMPARE(Settings.Colontit, true);
    QCOMPARE(Settings.Check, false);
    QCOMPARE(Settings.FormatFile, 0);
    QCOMPARE(Settings.FileName, 1);
    QCOMPARE(Settings.CombinePdf, true);
    QCOMPARE(Settings.Copies, 3);
    QVERIFY(m_dialogs->errors.isEmpty());
}

void tst_TFZamena::saveKeepsDisabledUniqueFolderMark()
{
    Settings.OpenUniqDir = true;
    m_window->FormShow();
    QVERIFY(!m_window->ui()->ChB_OpenUniqDir->isEnabled());
    m_window->ui()->B_Save->click();
    QCOMPARE(Settings.OpenDir, false);
    QCOMPARE(Settings.OpenUniqDir, true);
    QVERIFY(TestFiles::readBytes(AppFolder::settingsFile()).contains("OpenUniqDir~1\r\n"));
}

void tst_TFZamena::saveTwiceWritesIdenticalFiles()
{
    setCell(m_window->ui()->SG_repl, 0, 0, "A");
    setCell(m_window->ui()->SG_repl, 0, 1, "1");
    m_window->ui()->B_Save->click();
    const QByteArray fields = TestFiles::readBytes(AppFolder::personalFieldsFile());
    const QByteArray settings = TestFiles::readBytes(AppFolder::settingsFile());
    m_window->ui()->B_Save->click();
    QCOMPARE(TestFiles::readBytes(AppFolder::personalFieldsFile()), fields);
    QCOMPARE(TestFiles::readBytes(AppFolder::settingsFile()), settings);
    QCOMPARE(m_dialogs->notices.size(), 2);
}

void tst_TFZamena::roundTripThroughNewWindow()
{
    QTableWidget *grid = m_window->ui()->SG_repl;
    setCell(grid, 0, 0, "Директор");
    setCell(grid, 0, 1, "Ёжиков «Ё» №2");
    setCell(grid, 1, 0, "Пусто");
    m_window->ui()->ChB_OpenDir->click();
    m_window->ui()->ChB_OpenUniqDir->click();
    m_window->ui()->B_Save->click();

    const TSettings saved = Settings;
    Settings = LoadSettingsFile(AppFolder::settingsFile());
    QCOMPARE(Settings.OpenDir, saved.OpenDir);
    QCOMPARE(Settings.OpenUniqDir, true);

    TFZamena second;
    second.FormShow();
    QTableWidget *back = second.ui()->SG_repl;
    QCOMPARE(back->rowCount(), 3);
    QCOMPARE(cell(back, 0, 0), QStringLiteral("Директор"));
    QCOMPARE(cell(back, 0, 1), QStringLiteral("Ёжиков «Ё» №2"));
    QCOMPARE(cell(back, 1, 0), QStringLiteral("Пусто"));
    QCOMPARE(cell(back, 1, 1), QString());
    QVERIFY(second.ui()->ChB_OpenUniqDir->isEnabled());
}

void tst_TFZamena::failedShowIsReportedAndWindowStillUsable()
{
    // "replace.ini" is a folder: it cannot be read; the error is shown, the switches are current.
    QVERIFY(QDir().mkpath(AppFolder::personalFieldsFile()));
    Settings.Colontit = true;
    m_window->show();
    QCOMPARE(m_dialogs->errors.size(), 1);
    QVERIFY(m_dialogs->errors.first().contains("replace.ini"));
    QVERIFY(m_window->isVisible());
    QVERIFY(m_window->ui()->chkColontit->isChecked());
    m_window->hide();
}

QTEST_MAIN(tst_TFZamena)
#include "tst_TFZamena.moc"
