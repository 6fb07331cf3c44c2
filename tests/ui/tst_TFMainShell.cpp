// The main window's shell part: first start, close, converter warning, folder naming choice,
// settings/help/support buttons, hints, and the application-wide error display.
#include "WindowTest.h"

#include "ui/TFDonate.h"
#include "ui/TFHelp.h"
#include "ui/TFZamena.h"
#include "ui_TFDonate.h"
#include "ui_TFMain.h"
#include "ui_TFZamena.h"
#include "base/AppFolder.h"
#include "base/DokravaError.h"
#include "ui/ErrorDisplay.h"
#include "ui/Globals.h"
#include "ui/QtTranslations.h"
#include "ui/TFMain.h"
#include "ui/TFrameConstraint.h"

#include <QHelpEvent>
#include <QMessageBox>
#include <QPushButton>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QToolTip>
#include <QtTest>

#include <memory>
#include <stdexcept>

using namespace dokrava;

namespace {

void touch(const QString &path, const QByteArray &bytes = "x")
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

QStringList entriesOf(const QString &folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
}

} // namespace

class tst_TFMainShell : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void layoutAndInitialState();
    void firstStartCreatesFilesAndDefaults();
    void startReadsExistingSettings();
    void startClearsTempAndCloseClearsAgain();
    void closingMainWindowEndsProgram();
    void failingStartIsShownAndGoesOn();
    void warningLabel_data();
    void warningLabel();
    void warningHiddenAgainAfterListWithoutOdt();
    void warningFollowsSavedFormatChoice();
    void folderNamingChoice();
    void settingsButtonShowsSettingsModally();
    void helpButtonFollowsHelpSwitch();
    void donateButtonShowsFreshWindow();
    void onlyTheGridShowsItsHint();
    void minimumClientSize();
    void errorDisplayFullStop_data();
    void errorDisplayFullStop();
    void runGuardedCatchesEverything();
    void qtDialogsSpeakRussian();
    void loadedPathsAreRememberedAcrossStarts();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<FakeDialogs> m_dialogs;
    std::unique_ptr<TFMain> m_main;

    TFMain *startMain();
};

void tst_TFMainShell::init()
{
    WindowTest::begin(m_dir, m_dialogs);
    Settings = TSettings();
    LOFound = false;
    LOPath.clear();
}

void tst_TFMainShell::cleanup()
{
    WindowTest::end(m_main, m_dialogs, m_dir);
}

TFMain *tst_TFMainShell::startMain()
{
    m_main = std::make_unique<TFMain>();
    FMain = m_main.get();
    m_main->show();
    return m_main.get();
}

void tst_TFMainShell::layoutAndInitialState()
{
    // The states the other handlers start from.
    TFMain window;
    Ui::TFMain *ui = window.ui();
    QCOMPARE(window.size(), QSize(1126, 521));
    QVERIFY(ui->lblLOWarning->isHidden());
    QVERIFY(ui->prbar->isHidden());
    QVERIFY(!ui->CB_DirName->isEnabled());
    QVERIFY(!ui->edReplace->isEnabled());
    QVERIFY(ui->rgFileName_0->isChecked());
    QCOMPARE(ui->LBFile->selectionMode(), QAbstractItemView::ExtendedSelection);
    QVERIFY(ui->Panel4->isAncestorOf(ui->SG1));
}

void tst_TFMainShell::firstStartCreatesFilesAndDefaults()
{
    Settings.Colontit = true;
    Settings.FormatFile = 0;
    TFMain *window = startMain();
    const QString app = AppFolder::path();
    QCOMPARE(m_dialogs->errors, QStringList());
    QCOMPARE(QFileInfo(app + "settings.ini").size(), 0);
    QVERIFY(QFileInfo(app + "temp").isDir());
    QVERIFY(!QFileInfo::exists(app + "replace.ini"));
    QVERIFY(!QFileInfo::exists(app + "docum"));
    QVERIFY(!QFileInfo::exists(app + "zagotka"));
    QCOMPARE(Settings.Colontit, false);
    QCOMPARE(Settings.FormatFile, 1);
    QCOMPARE(window->ui()->edZagotkaDir->text(), app + "zagotka" + QDir::separator());
    QCOMPARE(window->ui()->edReplace->text(), app + "Replace.xls");
    QCOMPARE(window->ui()->SG1->toolTip(),
             QStringLiteral("Левая кнопка мыши - выделить строку\n\rПравая кнопка мыши - отменить выделение"));
    QCOMPARE(LOFound, !LOPath.isEmpty());
    // Shown before the settings window exists: the label stays hidden.
    QVERIFY(window->ui()->lblLOWarning->isHidden());
}

void tst_TFMainShell::startReadsExistingSettings()
{
    const QByteArray content = "FormatFile~0\r\nHelp~1\r\n";
    touch(AppFolder::settingsFile(), content);
    startMain();
    QCOMPARE(Settings.FormatFile, 0);
    QCOMPARE(Settings.Help, true);
    QFile file(AppFolder::settingsFile());
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), content);
}

void tst_TFMainShell::startClearsTempAndCloseClearsAgain()
{
    const QString temp = AppFolder::tempDir();
    touch(temp + "/old.odt");
    touch(temp + "/.hidden");
    touch(temp + "/{GUID}/nested/content.xml");
    TFMain *window = startMain();
    QCOMPARE(entriesOf(temp), QStringList());
    touch(temp + "/{GUID2}/styles.xml");
    window->close();
    QCOMPARE(entriesOf(temp), QStringList());
    QVERIFY(QFileInfo(temp).isDir());
}

void tst_TFMainShell::closingMainWindowEndsProgram()
{
    // The application quits when its last visible window closes: the other windows stay hidden.
    TFMain *window = startMain();
    FZamena = new TFZamena;
    FHelp = new TFHelp;
    QVERIFY(QGuiApplication::quitOnLastWindowClosed());
    window->close();
    for (QWidget *top : QApplication::topLevelWidgets())
        QVERIFY2(!top->isVisible() || top->windowType() == Qt::ToolTip, qPrintable(top->objectName()));
}

void tst_TFMainShell::failingStartIsShownAndGoesOn()
{
    // The application folder is a file: nothing can be written there. One plain message says
    // so, after the steps that need no writing (the converter is still looked for).
    const QString blocker = m_dir->filePath("blocker");
    touch(blocker);
    AppFolder::setOverride(blocker);
    LOFound = true;
    LOPath = "stale";
    TFMain *window = startMain();
    QCOMPARE(m_dialogs->errors, QStringList{"Папка программы недоступна для записи: "
                                            + QDir::toNativeSeparators(blocker) + "."});
    QVERIFY(window->isVisible());
    QVERIFY(LOPath != "stale");
    QCOMPARE(window->ui()->edZagotkaDir->text(), AppFolder::templatesDir());
}

void tst_TFMainShell::warningLabel_data()
{
    QTest::addColumn<QStringList>("entries");
    QTest::addColumn<bool>("converter");
    QTest::addColumn<int>("formatFile");
    QTest::addColumn<bool>("settingsWindow");
    QTest::addColumn<QString>("expected"); // empty: hidden
    const QString odt = QStringLiteral(
        "LibreOffice не найден! Документы по шаблонам *.odt будут сохранены без конвертации в PDF");
    const QString word = QStringLiteral("LibreOffice не найден! Документы будут сохранены без конвертации в PDF");
    QTest::newRow("odt, no converter, pdf") << QStringList{"a.txt", "b.odt"} << false << 0 << true << odt;
    QTest::newRow("ODT in capitals") << QStringList{"Договор.ODT"} << false << 0 << true << odt;
    QTest::newRow("converter found") << QStringList{"b.odt"} << true << 0 << true << "";
    QTest::newRow("word format wanted") << QStringList{"b.odt"} << false << 1 << true << "";
    QTest::newRow("odd format value") << QStringList{"b.odt"} << false << 5 << true << "";
    QTest::newRow("no settings window yet") << QStringList{"b.odt"} << false << 0 << false << "";
    QTest::newRow("empty list") << QStringList{} << false << 0 << true << "";
    QTest::newRow("odt only inside the name") << QStringList{"odt", "x.odt.bak", "y.odtx"} << false << 0 << true << "";
    QTest::newRow("word templates only") << QStringList{"a.docx", "b.DOC"} << false << 0 << true << word;
    QTest::newRow("word and odt") << QStringList{"a.docx", "b.odt"} << false << 0 << true << odt;
    QTest::newRow("word, converter found") << QStringList{"a.docx"} << true << 0 << true << "";
    QTest::newRow("word, word format") << QStringList{"a.doc"} << false << 1 << true << "";
}

void tst_TFMainShell::warningLabel()
{
    QFETCH(QStringList, entries);
    QFETCH(bool, converter);
    QFETCH(int, formatFile);
    QFETCH(bool, settingsWindow);
    QFETCH(QString, expected);
    TFMain *window = startMain();
    if (settingsWindow)
        FZamena = new TFZamena;
    LOFound = converter;
    Settings.FormatFile = formatFile;
    window->ui()->LBFile->addItems(entries);
    window->UpdateLOWarning();
    QLabel *label = window->ui()->lblLOWarning;
    QCOMPARE(label->isVisible(), !expected.isEmpty());
    if (!expected.isEmpty())
        QCOMPARE(label->text(), expected);
}

void tst_TFMainShell::warningHiddenAgainAfterListWithoutOdt()
{
    TFMain *window = startMain();
    FZamena = new TFZamena;
    LOFound = false;
    Settings.FormatFile = 0;
    window->ui()->LBFile->addItems({"a.odt"});
    window->UpdateLOWarning();
    QVERIFY(window->ui()->lblLOWarning->isVisible());
    window->ui()->LBFile->clear();
    window->ui()->LBFile->addItems({"a.txt"});
    window->UpdateLOWarning();
    QVERIFY(window->ui()->lblLOWarning->isHidden());
}

void tst_TFMainShell::warningFollowsSavedFormatChoice()
{
    TFMain *window = startMain();
    FZamena = new TFZamena;
    window->watchSettingsWindow(FZamena);
    LOFound = false;
    window->ui()->LBFile->addItems({"a.odt"});
    // The choice alone changes nothing: the warning reads the stored switch.
    FZamena->ui()->rgFileFormat_0->click();
    QVERIFY(window->ui()->lblLOWarning->isHidden());
    FZamena->ui()->B_Save->click();
    FZamena->ui()->rgFileFormat_0->click();
    QVERIFY(window->ui()->lblLOWarning->isVisible());
    FZamena->ui()->rgFileFormat_1->click();
    FZamena->ui()->B_Save->click();
    FZamena->ui()->rgFileFormat_1->click();
    QVERIFY(window->ui()->lblLOWarning->isHidden());
}

void tst_TFMainShell::folderNamingChoice()
{
    TFMain *window = startMain();
    Ui::TFMain *ui = window->ui();
    ui->CB_DirName->addItems({"ФИО", "Дата"});
    ui->rgFileName_1->click();
    QVERIFY(ui->CB_DirName->isEnabled());
    ui->CB_DirName->setCurrentIndex(1);
    ui->rgFileName_0->click();
    QVERIFY(!ui->CB_DirName->isEnabled());
    QCOMPARE(ui->CB_DirName->currentText(), QStringLiteral("Дата"));
    ui->rgFileName_1->click();
    QVERIFY(ui->CB_DirName->isEnabled());
    QCOMPARE(ui->CB_DirName->currentIndex(), 1);
}

void tst_TFMainShell::settingsButtonShowsSettingsModally()
{
    TFMain *window = startMain();
    FZamena = new TFZamena;
    window->ui()->SB_Replace->click();
    QCOMPARE(m_dialogs->dialogs.size(), 1);
    QCOMPARE(m_dialogs->dialogs.first(), static_cast<QDialog *>(FZamena));
}

void tst_TFMainShell::helpButtonFollowsHelpSwitch()
{
    TFMain *window = startMain();
    FHelp = new TFHelp;
    QTemporaryDir elsewhere;
    // Back before the folder goes: Windows removes no folder that is a process's working folder.
    const auto back = qScopeGuard([before = QDir::currentPath()] { QDir::setCurrent(before); });
    QDir::setCurrent(elsewhere.path());
    QFile::copy(DOKRAVA_TEST_DATA "/help/help_html_in_app_folder.html", AppFolder::path() + "help.html");

    Settings.Help = true;
    window->ui()->SB_Help->click();
    // Beside the executable, whatever the working folder.
    QCOMPARE(m_dialogs->opened, QStringList{AppFolder::path() + "help.html"});
    QVERIFY(QFileInfo::exists(m_dialogs->opened.first()));
    QVERIFY(m_dialogs->dialogs.isEmpty());

    Settings.Help = false;
    window->ui()->SB_Help->click();
    QCOMPARE(m_dialogs->dialogs.size(), 1);
    QCOMPARE(m_dialogs->dialogs.first(), static_cast<QDialog *>(FHelp));
    QCOMPARE(m_dialogs->opened.size(), 1);
}

void tst_TFMainShell::donateButtonShowsFreshWindow()
{
    TFMain *window = startMain();
    QStringList hints;
    QList<QWidget *> parents;
    m_dialogs->onExec = [&](QDialog *dialog) {
        auto *donate = qobject_cast<TFDonate *>(dialog);
        QVERIFY(donate);
        hints << donate->ui()->lblHint->text();
        parents << donate->parentWidget();
    };
    window->ui()->btnDonate->click();
    window->ui()->btnDonate->click();
    QCOMPARE(hints, (QStringList{"Отсканируйте камерой", "Отсканируйте камерой"}));
    QCOMPARE(parents, (QList<QWidget *>{nullptr, nullptr}));
    QCOMPARE(m_dialogs->dialogs.size(), 2);
    QVERIFY(m_dialogs->dialogs.at(0) != nullptr);
}

void tst_TFMainShell::onlyTheGridShowsItsHint()
{
    TFMain *window = startMain();
    QVERIFY(QTest::qWaitForWindowExposed(window));
    QPushButton *button = window->ui()->BLoadAll;
    QCOMPARE(button->toolTip(), QStringLiteral("Загрузить список шаблонов и данных для замен"));
    QHelpEvent onButton(QEvent::ToolTip, QPoint(2, 2), button->mapToGlobal(QPoint(2, 2)));
    QVERIFY(QApplication::sendEvent(button, &onButton)); // swallowed
    QVERIFY(!QToolTip::isVisible());

    QWidget *grid = window->ui()->SG1;
    QHelpEvent onGrid(QEvent::ToolTip, QPoint(5, 5), grid->mapToGlobal(QPoint(5, 5)));
    QApplication::sendEvent(grid, &onGrid);
    QTRY_VERIFY(QToolTip::isVisible());
    QCOMPARE(QToolTip::text(), grid->toolTip());
    QToolTip::hideText();
}

void tst_TFMainShell::minimumClientSize()
{
    // A Windows frame that is not known yet counts as the standard one.
    QCOMPARE(TFrameConstraint::minimumClientSize({1142, 494}, {0, 0}), QSize(1126, 455));
    QCOMPARE(TFrameConstraint::minimumClientSize({1142, 494}, {2, 30}), QSize(1140, 464));
    QCOMPARE(TFrameConstraint::minimumClientSize({10, 10}, {16, 39}), QSize(0, 0));
    TFMain window;
    QCOMPARE(window.minimumSize(), QSize(1126, 455));
}

void tst_TFMainShell::errorDisplayFullStop_data()
{
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("shown");
    QTest::newRow("letter") << "Файл не найден" << "Файл не найден.";
    QTest::newRow("latin") << "Cannot create C:\\x" << "Cannot create C:\\x.";
    QTest::newRow("full stop") << "Готово." << "Готово.";
    QTest::newRow("exclamation (33)") << "Отмена!" << "Отмена!";
    QTest::newRow("closing bracket (41)") << "ошибка (код 5)" << "ошибка (код 5)";
    QTest::newRow("hyphen (45)") << "a -" << "a -";
    QTest::newRow("slash (47)") << "/tmp/" << "/tmp/.";
    QTest::newRow("digit") << "I/O error 5" << "I/O error 5.";
    QTest::newRow("blank") << "ошибка " << "ошибка ";
    QTest::newRow("line end") << "ошибка\n" << "ошибка\n";
    QTest::newRow("empty") << "" << "";
}

void tst_TFMainShell::errorDisplayFullStop()
{
    QFETCH(QString, message);
    QFETCH(QString, shown);
    QCOMPARE(ErrorDisplayText(message), shown);
    RunGuarded(nullptr, [&] { throw DokravaError(message); });
    QCOMPARE(m_dialogs->errors, QStringList{shown});
}

void tst_TFMainShell::runGuardedCatchesEverything()
{
    bool after = false;
    RunGuarded(nullptr, [&] { after = true; });
    QVERIFY(after);
    QVERIFY(m_dialogs->errors.isEmpty());
    RunGuarded(nullptr, [] { throw std::runtime_error("disk"); });
    RunGuarded(nullptr, [] { throw 42; });
    QCOMPARE(m_dialogs->errors.size(), 2);
    QCOMPARE(m_dialogs->errors.first(), QStringLiteral("disk."));
    QCOMPARE(ApplicationTitle(), QStringLiteral("Генератор документов "));
}

void tst_TFMainShell::qtDialogsSpeakRussian()
{
    QVERIFY(QtTranslations::install());
    QMessageBox box(QMessageBox::Question, QString(), QString(), QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
    const auto caption = [&box](QMessageBox::StandardButton which) { return box.button(which)->text().remove(QLatin1Char('&')); };
    QCOMPARE(caption(QMessageBox::Yes), QStringLiteral("Да"));
    QCOMPARE(caption(QMessageBox::No), QStringLiteral("Нет"));
    QCOMPARE(caption(QMessageBox::Cancel), QStringLiteral("Отмена"));
}

void tst_TFMainShell::loadedPathsAreRememberedAcrossStarts()
{
    const QString templates = m_dir->filePath(QStringLiteral("Мои шаблоны"));
    touch(templates + QStringLiteral("/a.odt"));
    const QString data = m_dir->filePath(QStringLiteral("Данные.xlsx"));
    QVERIFY(QFile::copy(QStringLiteral(DOKRAVA_TEST_DATA "/table/three_sheets_lo.xlsx"), data));
    touch(AppFolder::settingsFile(), "Colontit~1\r\nFileName~1\r\n");
    TFMain *window = startMain();
    window->ui()->edZagotkaDir->setText(templates + QDir::separator());
    window->ui()->edReplace->setText(data);
    window->ui()->BLoadAll->click();
    window->ui()->cb_Sheet->setCurrentIndex(2);
    QVERIFY2(m_dialogs->errors.isEmpty(), qPrintable(m_dialogs->errors.join(QLatin1Char('\n'))));
    window->close();

    // The next start offers them again; its first load takes the remembered sheet.
    TFMain *again = startMain();
    QCOMPARE(again->ui()->edZagotkaDir->text(), templates + QDir::separator());
    QCOMPARE(again->ui()->edReplace->text(), QDir::toNativeSeparators(data));
    QCOMPARE(Settings.Colontit, true); // the other switches stay as they were
    QCOMPARE(Settings.FileName, 1);
    again->ui()->BLoadAll->click();
    QCOMPARE(again->ui()->cb_Sheet->currentIndex(), 2);
    QCOMPARE(again->ui()->LBFile->count(), 1);
    // Saved settings keep them too; a remembered file that is gone leaves the default path.
    FZamena = new TFZamena;
    FZamena->show();
    FZamena->B_SaveClick();
    QVERIFY(QFile::remove(data));
    startMain();
    QCOMPARE(m_main->ui()->edZagotkaDir->text(), templates + QDir::separator());
    QCOMPARE(m_main->ui()->edReplace->text(), AppFolder::defaultDataFile());
}

QTEST_MAIN(tst_TFMainShell)
#include "tst_TFMainShell.moc"
