// The check before a run in the window: the dialog, the answer it gives the run, the switch in
// the settings window, and the red fields on "Поля замен".
#include "DocxFixture.h"
#include "OdtFixture.h"
#include "TestFiles.h"
#include "WindowTest.h"

#include "base/AppFolder.h"
#include "grid/TGridModel.h"
#include "ui/FieldListMarks.h"
#include "ui/Globals.h"
#include "ui/TFMain.h"
#include "ui/TFPreflight.h"
#include "ui_TFMain.h"
#include "ui_TFPreflight.h"

#include <QClipboard>
#include <QDir>
#include <QGuiApplication>
#include <QTemporaryDir>
#include <QtTest>

using namespace dokrava;


class tst_TFPreflight : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void misspelledFieldAsksFirst();
    void checkSwitchedOffRunsAtOnce();
    void errorNeverStartsTheRun();
    void dialogGroupsAndCopies();
    void dialogWithWarningsOnly();
    void missingFieldsInRed();
    void redMarkOnTheSpellingWithoutColumn_data();
    void redMarkOnTheSpellingWithoutColumn();
    void unreadRowsToldOnLoadAndBeforeRun();

private:
    TFMain *startAndLoad();
    void waitForRun();
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<FakeDialogs> m_dialogs;
    std::unique_ptr<TFMain> m_main;
};

void tst_TFPreflight::init()
{
    WindowTest::begin(m_dir, m_dialogs);
    QDir().mkpath(m_dir->filePath(QStringLiteral("zagotka")));
    // "[Горд]" is a misspelled "[Город]".
    OdtFixture::write(m_dir->filePath(QStringLiteral("zagotka/Письмо.odt")), QStringLiteral("[ФИО] из г. [Горд]"));
    TestFiles::writeBytes(m_dir->filePath(QStringLiteral("data.csv")),
                          QStringLiteral("ФИО;Город\nИванов;Москва\nПетров;Казань\n").toUtf8());
}

void tst_TFPreflight::cleanup()
{
    WindowTest::end(m_main, m_dialogs, m_dir);
}

TFMain *tst_TFPreflight::startAndLoad()
{
    WindowTest::open(m_main);
    Settings = TSettings();
    Ui::TFMain *ui = m_main->ui();
    ui->edReplace->setText(m_dir->filePath(QStringLiteral("data.csv")));
    QTest::mouseClick(ui->BLoadAll, Qt::LeftButton);
    ui->chkbReplaceAll->setChecked(true);
    return m_main.get();
}

void tst_TFPreflight::waitForRun()
{
    QTRY_COMPARE_WITH_TIMEOUT(m_main->ui()->BReplace->text(), QStringLiteral("Сформировать документы"), 60000);
}

void tst_TFPreflight::misspelledFieldAsksFirst()
{
    TFMain *window = startAndLoad();
    Ui::TFMain *ui = window->ui();
    const QString docum = m_dir->filePath(QStringLiteral("docum"));

    // "Отмена": the run does not start, nothing is written.
    m_dialogs->preflightAnswers = {false};
    QTest::mouseClick(ui->BReplace, Qt::LeftButton);
    QCOMPARE(m_dialogs->preflights.size(), 1);
    const QList<TFinding> expected{{TFinding::Warning, QStringLiteral("Письмо.odt"),
                                    QStringLiteral("Поле [Горд] не найдено среди колонок таблицы: в документах останется "
                                                   "«[Горд]»; возможно, [Город]")},
                                   {TFinding::Note, QStringLiteral("таблица"),
                                    QStringLiteral("Колонка «Город» не используется ни одним выбранным шаблоном")}};
    QCOMPARE(m_dialogs->preflights.first(), expected);
    QCOMPARE(ui->BReplace->text(), QStringLiteral("Сформировать документы"));
    QVERIFY(ui->SG1->isEnabled());
    QCOMPARE(TestFiles::filesUnder(docum), QStringList());
    QVERIFY(m_dialogs->notices.isEmpty());

    // "Сформировать": the run writes the documents as it would have without the check.
    m_dialogs->preflightAnswers = {true};
    QTest::mouseClick(ui->BReplace, Qt::LeftButton);
    QCOMPARE(m_dialogs->preflights.size(), 2);
    waitForRun();
    QCOMPARE(TestFiles::filesUnder(docum), (QStringList{"Письмо/Письмо-Иванов.odt", "Письмо/Письмо-Петров.odt"}));
    QCOMPARE(m_dialogs->notices, QStringList{QStringLiteral("Готово")});
}

void tst_TFPreflight::checkSwitchedOffRunsAtOnce()
{
    TFMain *window = startAndLoad();
    Settings.Check = false;
    m_dialogs->preflightAnswers = {false};
    QTest::mouseClick(window->ui()->BReplace, Qt::LeftButton);
    waitForRun();
    QVERIFY(m_dialogs->preflights.isEmpty());
    QCOMPARE(TestFiles::filesUnder(m_dir->filePath(QStringLiteral("docum"))).size(), 2);
}

void tst_TFPreflight::errorNeverStartsTheRun()
{
    TFMain *window = startAndLoad();
    // PDF wanted and no converter: an error, which no answer overrides.
    Settings.FormatFile = 0;
    m_dialogs->preflightAnswers = {true};
    QTest::mouseClick(window->ui()->BReplace, Qt::LeftButton);
    QCOMPARE(m_dialogs->preflights.size(), 1);
    QCOMPARE(m_dialogs->preflights.first().first().level, TFinding::Error);
    QCOMPARE(window->ui()->BReplace->text(), QStringLiteral("Сформировать документы"));
    QCOMPARE(TestFiles::filesUnder(m_dir->filePath(QStringLiteral("docum"))), QStringList());
}

void tst_TFPreflight::dialogGroupsAndCopies()
{
    const QList<TFinding> findings{{TFinding::Error, "Б.docx", "не открывается"},
                                   {TFinding::Warning, "А.odt", "поле без колонки"},
                                   {TFinding::Warning, "Б.docx", "скобка"},
                                   {TFinding::Note, "таблица", "колонка без поля"}};
    TFPreflight dialog(findings);
    Ui::TFPreflight *ui = dialog.ui();
    QCOMPARE(dialog.windowTitle(), QStringLiteral("Проверка перед формированием"));
    // Grouped by subject, the one with an error first.
    QCOMPARE(ui->memFindings->toPlainText().split(QLatin1Char('\n'), Qt::SkipEmptyParts),
             (QStringList{"Б.docx", "ошибка: не открывается", "предупреждение: скобка", "А.odt",
                          "предупреждение: поле без колонки", "таблица", "замечание: колонка без поля"}));
    QVERIFY(ui->lblSummary->text().startsWith(QStringLiteral("Проверка шаблонов и таблицы нашла: ошибок — 1, "
                                                             "предупреждений — 2, замечаний — 1.")));
    // With an error only "Отмена" and "Копировать".
    QVERIFY(ui->btnGenerate->isHidden());
    QVERIFY(!ui->btnCancel->isHidden());
    QTest::mouseClick(ui->btnCopy, Qt::LeftButton);
    QCOMPARE(QGuiApplication::clipboard()->text(), FindingsReport(findings));
    QVERIFY(QGuiApplication::clipboard()->text().startsWith(QStringLiteral("Б.docx\n  ошибка: не открывается\n")));
    QTest::mouseClick(ui->btnCancel, Qt::LeftButton);
    QCOMPARE(dialog.result(), int(QDialog::Rejected));
}

void tst_TFPreflight::dialogWithWarningsOnly()
{

    TFPreflight dialog({{TFinding::Warning, "А.odt", "поле без колонки"}});
    QVERIFY(!dialog.ui()->btnGenerate->isHidden());
    QTest::mouseClick(dialog.ui()->btnGenerate, Qt::LeftButton);
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
}

void tst_TFPreflight::missingFieldsInRed()
{
    DocxFixture::write(m_dir->filePath(QStringLiteral("zagotka/Акт.docx")), DocxFixture::para(QStringLiteral("[фио] [Телефон]")));
    TFMain *window = startAndLoad();
    Ui::TFMain *ui = window->ui();
    ui->LBFile->selectAll();
    QTest::mouseClick(ui->btnGetFields, Qt::LeftButton);
    const auto item = [ui](const QString &name) {
        const QList<QListWidgetItem *> found = ui->lbField->findItems(name, Qt::MatchExactly);
        return found.isEmpty() ? nullptr : found.first();
    };
    const auto red = [](const QListWidgetItem *i) { return i->foreground().color() == QColor(Qt::red); };
    QVERIFY(item(QStringLiteral("ФИО")) || item(QStringLiteral("фио")));
    // The .odt's "ФИО" and the Word "фио" merge; the Word field ignores letter case, the .odt one
    // has its exact column: neither is red.
    QListWidgetItem *fio = item(QStringLiteral("ФИО")) ? item(QStringLiteral("ФИО")) : item(QStringLiteral("фио"));
    QVERIFY(!red(fio));
    QVERIFY(red(item(QStringLiteral("Горд"))));
    QCOMPARE(item(QStringLiteral("Горд"))->toolTip(), QStringLiteral("В таблице нет такой колонки; возможно, [Город]"));
    QVERIFY(red(item(QStringLiteral("Телефон"))));
    QCOMPARE(item(QStringLiteral("Телефон"))->toolTip(), QStringLiteral("В таблице нет такой колонки"));
    // A column added for it takes the red away.
    ui->lbField->setCurrentItem(item(QStringLiteral("Телефон")));
    QTest::mouseClick(ui->btnAddField, Qt::LeftButton);
    QVERIFY(!red(item(QStringLiteral("Телефон"))));
    QCOMPARE(item(QStringLiteral("Телефон"))->toolTip(), QString());
    // So does renaming a column to the .odt's exact name; another letter case would not.
    const int gorod = int(window->grid()->headers().indexOf(QStringLiteral("Город"))) + 1;
    window->grid()->setCell(gorod, 0, QStringLiteral("горд"));
    QVERIFY(red(item(QStringLiteral("Горд"))));
    QCOMPARE(item(QStringLiteral("Горд"))->toolTip(),
             QStringLiteral("В таблице нет такой колонки; возможно, [горд] (в шаблонах .odt регистр букв учитывается)"));
    window->grid()->setCell(gorod, 0, QStringLiteral("Горд"));
    QVERIFY(!red(item(QStringLiteral("Горд"))));
}

void tst_TFPreflight::redMarkOnTheSpellingWithoutColumn_data()
{
    QTest::addColumn<QString>("entry");
    QTest::addColumn<QStringList>("odtForms"); // spellings met in ".odt" templates
    QTest::addColumn<QStringList>("headers");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<QString>("tip");          // "" when not red
    const QString none = QStringLiteral("В таблице нет такой колонки");
    const QString fio = none + QStringLiteral("; возможно, [ФИО] (в шаблонах .odt регистр букв учитывается)");
    QTest::newRow("Word spelling has its column, the .odt one has not")
        << "ФИО" << QStringList{"фио"} << QStringList{"ФИО", "Город"} << "фио" << fio;
    QTest::newRow("two .odt spellings, one has its column")
        << "ФИО" << QStringList{"ФИО", "фио"} << QStringList{"ФИО"} << "фио" << fio;
    QTest::newRow("both spellings have columns") << "ФИО" << QStringList{"фио"} << QStringList{"ФИО", "фио"} << "ФИО" << "";
    QTest::newRow("Word ignores letter case") << "фио" << QStringList{} << QStringList{"ФИО"} << "фио" << "";
    QTest::newRow("no column in any letter case") << "Телефон" << QStringList{} << QStringList{"ФИО"} << "Телефон" << none;
    QTest::newRow(".odt misspelling") << "Горд" << QStringList{"Горд"} << QStringList{"Город"} << "Горд"
                                      << none + QStringLiteral("; возможно, [Город]");
}

void tst_TFPreflight::redMarkOnTheSpellingWithoutColumn()
{
    QFETCH(QString, entry);
    QFETCH(QStringList, odtForms);
    QFETCH(QStringList, headers);
    QFETCH(QString, shown);
    QFETCH(QString, tip);
    QListWidget list;
    list.addItem(entry);
    for (const QString &form : odtForms)
        AddOdtFieldForm(list.item(0), form);
    MarkMissingFields(&list, headers);
    QCOMPARE(list.item(0)->text(), shown);
    QCOMPARE(list.item(0)->foreground().color() == QColor(Qt::red), !tip.isEmpty());
    QCOMPARE(list.item(0)->toolTip(), tip);
}

void tst_TFPreflight::unreadRowsToldOnLoadAndBeforeRun()
{
    TestFiles::writeBytes(m_dir->filePath(QStringLiteral("data.csv")),
                          QStringLiteral("ФИО;Город\nИванов;Москва\n\nПетров;Казань\n;Тула\n").toUtf8());
    TFMain *window = startAndLoad();
    const QString told = QStringLiteral("Таблица прочитана до строки 2: в строке 3 пустая первая ячейка, ниже не "
                                        "прочитано ещё строк: 2");
    QCOMPARE(m_dialogs->notices, QStringList{told});
    m_dialogs->preflightAnswers = {false};
    QTest::mouseClick(window->ui()->BReplace, Qt::LeftButton);
    QCOMPARE(m_dialogs->preflights.size(), 1);
    QVERIFY(m_dialogs->preflights.first().contains(TFinding{TFinding::Warning, QStringLiteral("таблица"), told}));
    QCOMPARE(m_dialogs->notices, QStringList{told});
}

QTEST_MAIN(tst_TFPreflight)
#include "tst_TFPreflight.moc"
