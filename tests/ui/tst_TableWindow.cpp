// The main window's data table: marking with the mouse, the mode boxes, the four buttons,
// loading, saving and the search dialog (offscreen, boxes answered by FakeDialogs).
#include "TestFiles.h"
#include "WindowTest.h"

#include "ui_TFMain.h"
#include "ui_TfrmSearchDlg.h"

#include "base/AppFolder.h"
#include "grid/TGridModel.h"
#include "sheets/TSpreadsheet.h"
#include "ui/TFMain.h"
#include "ui/TfrmSearchDlg.h"
#include "ui/TStringGrid.h"

#include <QCheckBox>
#include <QFontMetrics>
#include <QLabel>
#include <QHeaderView>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

using namespace dokrava;

namespace {

QString data(const QString &name)
{
    return QStringLiteral(DOKRAVA_TEST_DATA "/table/") + name;
}

// A writable copy of a fixture in the window's folder.
QString copied(const QTemporaryDir &dir, const QString &fixture, const QString &name)
{
    const QString path = dir.filePath(name);
    QFile::copy(data(fixture), path);
    QFile(path).setPermissions(QFile::ReadOwner | QFile::WriteOwner);
    return path;
}

// What a load of the first sheet of three_sheets_lo.xlsx says: B5 and A6 lie below the empty A5.
const QString kThreeSheetsUnread = QStringLiteral("Таблица прочитана до строки 4: в строке 5 пустая первая ячейка, ниже не "
                                                  "прочитано ещё строк: 2");

QString marks(const TGridModel &g)
{
    QString s;
    for (int r = 0; r < g.rowCount(); ++r)
        s += g.mark(r) ? QLatin1Char('1') : QLatin1Char('0');
    return s;
}

} // namespace

class tst_TableWindow : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void mouseMarksRows();
    void statusLineAndTintFollowMarks();
    void columnsFitTheirTextsOnLoad();
    void choosingDataFileLoadsItAtOnce();
    void unsavedEditsAreNeverDroppedSilently_data();
    void unsavedEditsAreNeverDroppedSilently();
    void modeBoxes_data();
    void modeBoxes();
    void addAndDeleteButtons();
    void loadFillsListBoxesAndGrid();
    void changingSheetReloads();
    void failedLoadKeepsTable();
    void saveShowsNotice();
    void saveWithoutLoadChangesNothing();
    void saveKeepsCellsTheLoadDidNotRead();
    void searchMovesCurrentCell();
    void searchDialogButtons();
    void dragColumnMovesModelColumn();
    void sampleTableLoadsOnFirstStart();

private:
    TFMain *window() { return m_main.get(); }
    Ui::TFMain *ui() { return m_main->ui(); }
    TGridModel &grid() { return *m_main->grid(); }
    void clickCell(int col, int row, Qt::MouseButton button);

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<FakeDialogs> m_dialogs;
    std::unique_ptr<TFMain> m_main;
};

void tst_TableWindow::init()
{
    WindowTest::begin(m_dir, m_dialogs);
    m_main = std::make_unique<TFMain>();
    m_main->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_main.get()));
}

void tst_TableWindow::cleanup()
{
    WindowTest::end(m_main, m_dialogs, m_dir);
}

void tst_TableWindow::clickCell(int col, int row, Qt::MouseButton button)
{
    TStringGrid *sg = ui()->SG1;
    const QRect r = sg->cellRect(col, row);
    QVERIFY(r.isValid());
    QWidget *target = sg->childAt(r.center());
    QVERIFY(target);
    QTest::mouseClick(target, button, {}, target->mapFrom(sg, r.center()));
}

void tst_TableWindow::mouseMarksRows()
{
    clickCell(2, 3, Qt::LeftButton); // single mode: no mark, but the current cell moves
    QCOMPARE(marks(grid()), QStringLiteral("00000"));
    QCOMPARE(grid().col(), 2);
    QCOMPARE(grid().row(), 3);
    ui()->chkbMultiSel->click();
    clickCell(2, 3, Qt::LeftButton);
    clickCell(0, 1, Qt::LeftButton); // the marker cell itself
    QCOMPARE(marks(grid()), QStringLiteral("01010"));
    clickCell(4, 3, Qt::RightButton);
    clickCell(3, 1, Qt::MiddleButton);
    QCOMPARE(marks(grid()), QStringLiteral("01000"));
    clickCell(2, 0, Qt::LeftButton); // a header cell marks row 0 (the corner)
    QCOMPARE(marks(grid()), QStringLiteral("11000"));
    ui()->chkbReplaceAll->click();
    ui()->chkbReplaceAll->click();
    QVERIFY(grid().mark(0)); // the boxes leave the corner mark alone
    // A press below the last row is outside every cell.
    TStringGrid *sg = ui()->SG1;
    const QPoint below(sg->viewport()->width() / 2, sg->viewport()->height() - 2);
    grid().setAllRecordMarks(false);
    QTest::mouseClick(sg->viewport(), Qt::LeftButton, {}, below);
    QCOMPARE(marks(grid()), QStringLiteral("10000"));
}

void tst_TableWindow::statusLineAndTintFollowMarks()
{
    const QString csv = m_dir->filePath(QStringLiteral("t.csv"));
    TestFiles::writeBytes(csv, QStringLiteral("ФИО;Город\nИванов;Москва\nПетров;Тверь\nСидоров;Казань\n").toUtf8());
    ui()->edReplace->setText(csv);
    ui()->BLoadAll->click();
    const int records = 3;
    QCOMPARE(grid().rowCount(), records + 1);
    const auto status = [this] { return ui()->lblRecords->text(); };
    QTRY_COMPARE(status(), QStringLiteral("Записей: %1, отмечено: 0").arg(records));
    ui()->chkbReplaceAll->click();
    QTRY_COMPARE(status(), QStringLiteral("Записей: %1, отмечено: %1").arg(records));
    clickCell(1, 2, Qt::RightButton);
    QTRY_COMPARE(status(), QStringLiteral("Записей: %1, отмечено: %2").arg(records).arg(records - 1));
    ui()->B_AddStr->click();
    QTRY_COMPARE(status(), QStringLiteral("Записей: %1, отмечено: %2").arg(records + 3).arg(records - 1));
    // A marked record is tinted in every cell of its row, an unmarked one in none.
    QAbstractItemModel *view = ui()->SG1->model();
    const QColor tint(219, 255, 220);
    for (int col = 0; col < view->columnCount(); ++col) {
        QCOMPARE(view->index(0, col).data(Qt::BackgroundRole).value<QBrush>().color(), tint);
        QVERIFY(!view->index(1, col).data(Qt::BackgroundRole).isValid());
    }
}

void tst_TableWindow::columnsFitTheirTextsOnLoad()
{
    const QString csv = m_dir->filePath(QStringLiteral("w.csv"));
    TestFiles::writeBytes(csv, QStringLiteral("ФИО;№;Примечание\nИванов Иван Иванович;1;%1\n").arg(QString(200, QLatin1Char('x'))).toUtf8());
    ui()->edReplace->setText(csv);
    ui()->BLoadAll->click();
    QVERIFY2(m_dialogs->errors.isEmpty(), qPrintable(m_dialogs->errors.join(QLatin1Char('\n'))));
    const QFontMetrics metrics = ui()->SG1->fontMetrics();
    const int name = ui()->SG1->columnWidth(0);
    QVERIFY2(name >= metrics.horizontalAdvance(QStringLiteral("Иванов Иван Иванович")), qPrintable(QString::number(name)));
    QCOMPARE(ui()->SG1->columnWidth(1), 64); // never narrower than the default
    const int note = ui()->SG1->columnWidth(2);
    QVERIFY2(note <= metrics.averageCharWidth() * 40 && note > name, qPrintable(QString::number(note)));
    // A width the user sets stays until the next load.
    ui()->SG1->setColumnWidth(0, 300);
    grid().setCell(1, 1, QStringLiteral("Петров"));
    ui()->B_AddStr->click();
    QCOMPARE(ui()->SG1->columnWidth(0), 300);
    m_dialogs->saveAnswers = {SaveAnswer::Discard};
    ui()->BLoadAll->click();
    QCOMPARE(ui()->SG1->columnWidth(0), name);
}

void tst_TableWindow::choosingDataFileLoadsItAtOnce()
{
    const QString first = copied(*m_dir, QStringLiteral("three_sheets_lo.xlsx"), QStringLiteral("a.xlsx"));
    const QString second = copied(*m_dir, QStringLiteral("gap_below_rows_kept_on_save.xlsx"), QStringLiteral("b.xlsx"));
    m_dialogs->fileAnswers = {first, m_dir->filePath(QStringLiteral("нет.xlsx")), second};
    ui()->SpeedButton2->click();
    QCOMPARE(m_dialogs->filters, QStringList{QStringLiteral("Таблицы (*.ods *.xlsx *.xls *.csv);;Все файлы (*)")});
    QCOMPARE(ui()->edReplace->text(), QDir::toNativeSeparators(first));
    QCOMPARE(grid().headers().first(), QStringLiteral("ФИО"));
    QCOMPARE(ui()->cb_Sheet->count(), 3);
    // A file that cannot be read leaves the path and the table as they were.
    ui()->SpeedButton2->click();
    QCOMPARE(m_dialogs->errors.size(), 1);
    QCOMPARE(ui()->edReplace->text(), QDir::toNativeSeparators(first));
    QCOMPARE(ui()->cb_Sheet->count(), 3);
    ui()->SpeedButton2->click();
    QCOMPARE(ui()->edReplace->text(), QDir::toNativeSeparators(second));
    QCOMPARE(grid().rowCount(), 3);
    // The table on screen is the one the path names: a save goes there.
    grid().setCell(1, 1, QStringLiteral("Сидоров"));
    ui()->B_Save->click();
    // Both files stop early, so each load told its unread rows before the save's notice.
    QCOMPARE(m_dialogs->notices.size(), 3);
    QCOMPARE(m_dialogs->notices.first(), kThreeSheetsUnread);
    QCOMPARE(m_dialogs->notices.last(), QStringLiteral("Сохранение выполнено"));
    QCOMPARE(OpenSpreadsheet(second)->cellText(2, 1), QStringLiteral("Сидоров"));
}

void tst_TableWindow::unsavedEditsAreNeverDroppedSilently_data()
{
    QTest::addColumn<QString>("trigger"); // what replaces the table: another file, another sheet, a reload, closing
    QTest::addColumn<int>("answer");      // SaveAnswer
    for (const char *trigger : {"file", "sheet", "reload", "close"}) {
        QTest::addRow("%s, Да", trigger) << trigger << int(SaveAnswer::Save);
        QTest::addRow("%s, Нет", trigger) << trigger << int(SaveAnswer::Discard);
        QTest::addRow("%s, Отмена", trigger) << trigger << int(SaveAnswer::Cancel);
    }
}

void tst_TableWindow::unsavedEditsAreNeverDroppedSilently()
{
    QFETCH(QString, trigger);
    QFETCH(int, answer);
    const QString xlsx = copied(*m_dir, QStringLiteral("three_sheets_lo.xlsx"), QStringLiteral("Replace.xlsx"));
    const QString other = copied(*m_dir, QStringLiteral("gap_below_rows_kept_on_save.xlsx"), QStringLiteral("b.xlsx"));
    const QByteArray before = TestFiles::readBytes(xlsx);
    ui()->edReplace->setText(xlsx);
    ui()->BLoadAll->click();
    // Marks and moving the current cell are no edits: nothing to ask about.
    ui()->chkbReplaceAll->click();
    grid().setCurrent(2, 2);
    ui()->BLoadAll->click();
    QVERIFY(m_dialogs->saveQuestions.isEmpty());

    grid().setCell(1, 1, QStringLiteral("Правка"));
    m_dialogs->saveAnswers = {SaveAnswer(answer)};
    m_dialogs->fileAnswers = {other};
    bool closed = false;
    if (trigger == QLatin1String("file"))
        ui()->SpeedButton2->click();
    else if (trigger == QLatin1String("sheet"))
        ui()->cb_Sheet->setCurrentIndex(1);
    else if (trigger == QLatin1String("reload"))
        ui()->BLoadAll->click();
    else
        closed = window()->close();
    QCOMPARE(m_dialogs->saveQuestions,
             QStringList{QStringLiteral("Сохранение таблицы|Сохранить изменения в таблице «Replace.xlsx»?")});
    QVERIFY2(m_dialogs->errors.isEmpty(), qPrintable(m_dialogs->errors.join(QLatin1Char('\n'))));
    const bool saved = answer == int(SaveAnswer::Save);
    const bool kept = answer == int(SaveAnswer::Cancel);
    // "Да" writes the edit into its own file and sheet, "Нет" and "Отмена" leave the file alone.
    if (saved)
        QCOMPARE(OpenSpreadsheet(xlsx)->cellText(2, 1), QStringLiteral("Правка"));
    else
        QCOMPARE(TestFiles::readBytes(xlsx), before);
    QCOMPARE(closed, !kept && trigger == QLatin1String("close"));
    if (kept) {
        // "Отмена": the table, its edit, the path and the sheet stay as they were.
        QCOMPARE(grid().cell(1, 1), QStringLiteral("Правка"));
        QCOMPARE(ui()->edReplace->text(), xlsx);
        QCOMPARE(ui()->cb_Sheet->currentIndex(), 0);
        QVERIFY(window()->isVisible());
    } else if (trigger == QLatin1String("file")) {
        QCOMPARE(ui()->edReplace->text(), QDir::toNativeSeparators(other));
    } else if (trigger == QLatin1String("sheet")) {
        QCOMPARE(grid().headers().first(), QStringLiteral("Код"));
    } else if (trigger == QLatin1String("reload")) {
        QCOMPARE(grid().cell(1, 1), saved ? QStringLiteral("Правка") : OpenSpreadsheet(xlsx)->cellText(2, 1));
    }
}

void tst_TableWindow::modeBoxes_data()
{
    QTest::addColumn<QString>("clicks"); // M = "Множественный выбор", A = "Все строки"
    QTest::addColumn<bool>("multi");
    QTest::addColumn<bool>("all");
    QTest::addColumn<QString>("marks");
    QTest::newRow("A") << "A" << false << true << "01111";
    QTest::newRow("A then M keeps") << "AM" << true << false << "01111";
    QTest::newRow("M then A") << "MA" << true << true << "01111";
    QTest::newRow("M A M clears") << "MAM" << false << false << "00000";
    QTest::newRow("A A clears") << "AA" << false << false << "00000";
    QTest::newRow("M A A keeps") << "MAA" << true << false << "01111";
    QTest::newRow("M M") << "MM" << false << false << "00000";
}

void tst_TableWindow::modeBoxes()
{
    QFETCH(QString, clicks);
    QFETCH(bool, multi);
    QFETCH(bool, all);
    QFETCH(QString, marks);
    for (const QChar c : clicks)
        (c == QLatin1Char('M') ? ui()->chkbMultiSel : ui()->chkbReplaceAll)->click();
    QCOMPARE(ui()->chkbMultiSel->isChecked(), multi);
    QCOMPARE(ui()->chkbReplaceAll->isChecked(), all);
    QCOMPARE(::marks(grid()), marks);
}

void tst_TableWindow::addAndDeleteButtons()
{
    DeleteGridRow(grid(), 5);
    ui()->B_AddStr->click();
    QCOMPARE(grid().rowCount(), 7);
    QCOMPARE(ui()->SG1->model()->rowCount(), 6);

    m_dialogs->inputAnswers = {QStringLiteral("[Имя]"), QString(), QStringLiteral("[Имя]"), QStringLiteral("[имя]")};
    ui()->B_AddCol->click();
    ui()->B_AddCol->click(); // Cancel
    ui()->B_AddCol->click(); // a name the table has: refused
    QCOMPARE(grid().colCount(), 6);
    QCOMPARE(grid().cell(5, 0), QStringLiteral("[Имя]"));
    QCOMPARE(ui()->SG1->model()->headerData(4, Qt::Horizontal).toString(), QStringLiteral("[Имя]"));
    QCOMPARE(m_dialogs->inputs.first(), QStringLiteral("Добавление колонки|Введите название колонки для шаблона (без [])"));
    QCOMPARE(m_dialogs->notices, QStringList({QStringLiteral("Не ввели название колонки. Колонка не добавлена"),
                                              QStringLiteral("Колонка «[Имя]» уже есть")}));
    ui()->B_AddCol->click(); // letter case makes another name
    QCOMPARE(grid().colCount(), 7);
    DeleteGridColumn(grid(), 7);

    grid().setCurrent(5, 2);
    m_dialogs->answers = {false, true};
    ui()->B_DelCol->click();
    QCOMPARE(grid().colCount(), 6);
    ui()->B_DelCol->click();
    QCOMPARE(grid().colCount(), 5);
    QCOMPARE(m_dialogs->questions.last(), QStringLiteral("Удаление колонки|Удалить текущую колонку?"));

    grid().setCell(1, 3, QStringLiteral("третья"));
    grid().setMark(3, true);
    grid().setCurrent(1, 2);
    m_dialogs->answers = {true};
    ui()->B_DelRow->click();
    QCOMPARE(grid().rowCount(), 6);
    QCOMPARE(grid().cell(1, 2), QStringLiteral("третья"));
    QVERIFY(grid().mark(2));
    QCOMPARE(m_dialogs->questions.last(), QStringLiteral("Удаление строки|Удалить текущую строку?"));

    // Down to the marker column alone: it becomes an ordinary, editable column.
    for (int i = 0; i < 4; ++i) {
        grid().setCurrent(1, 1);
        m_dialogs->answers = {true};
        ui()->B_DelCol->click();
    }
    QCOMPARE(grid().colCount(), 1);
    QVERIFY(!ui()->SG1->verticalHeader()->isVisible());
    QCOMPARE(ui()->SG1->model()->columnCount(), 1);
    QVERIFY(ui()->SG1->model()->flags(ui()->SG1->model()->index(0, 0)) & Qt::ItemIsEditable);
}

void tst_TableWindow::loadFillsListBoxesAndGrid()
{
    const QString templates = m_dir->filePath(QStringLiteral("tpl"));
    QDir().mkpath(templates + QStringLiteral("/sub"));
    for (const QString &name : {QStringLiteral("/a.docx"), QStringLiteral("/sub/b.odt"), QStringLiteral("/~$a.docx")}) {
        QFile f(templates + name);
        QVERIFY(f.open(QIODevice::WriteOnly));
    }
    ui()->edZagotkaDir->setText(templates + QDir::separator());
    ui()->edReplace->setText(data(QStringLiteral("three_sheets_lo.xlsx")));
    grid().setMark(2, true);
    ui()->BLoadAll->click();
    QVERIFY2(m_dialogs->errors.isEmpty(), qPrintable(m_dialogs->errors.join(QLatin1Char('\n'))));
    QCOMPARE(ui()->LBFile->count(), 2);
    QCOMPARE(ui()->LBFile->item(1)->text(), QStringLiteral("sub") + QDir::separator() + QStringLiteral("b.odt"));
    QCOMPARE(ui()->LBFile->selectedItems().size(), 2);
    QCOMPARE(ui()->cb_Sheet->count(), 3);
    QCOMPARE(ui()->cb_Sheet->currentIndex(), 0);
    QCOMPARE(ui()->CB_DirName->count(), 5);
    QCOMPARE(ui()->CB_DirName->currentText(), QStringLiteral("ФИО"));
    QCOMPARE(grid().headers().first(), QStringLiteral("ФИО"));
    QCOMPARE(grid().rowCount(), 4);
    QVERIFY(grid().mark(2));
    QCOMPARE(ui()->SG1->model()->headerData(0, Qt::Horizontal).toString(), QStringLiteral("ФИО"));
    QCOMPARE(m_dialogs->notices, QStringList{kThreeSheetsUnread});
    // The second sheet is read whole: nothing more is said.
    ui()->cb_Sheet->setCurrentIndex(1);
    QCOMPARE(m_dialogs->notices, QStringList{kThreeSheetsUnread});
}

void tst_TableWindow::changingSheetReloads()
{
    ui()->edReplace->setText(data(QStringLiteral("three_sheets_lo.xlsx")));
    ui()->BLoadAll->click();
    ui()->cb_Sheet->setCurrentIndex(1);
    QCOMPARE(grid().headers(), QStringList({QStringLiteral("Код"), QStringLiteral("Город")}));
    QCOMPARE(ui()->cb_Sheet->currentIndex(), 1);
    ui()->cb_Sheet->setEditText(QStringLiteral("Тре")); // not a sheet's name yet: nothing happens
    QCOMPARE(grid().headers().first(), QStringLiteral("Код"));
    ui()->cb_Sheet->setEditText(QStringLiteral("Третий"));
    QCOMPARE(grid().headers(), QStringList({QStringLiteral("Ссылка")}));
    QVERIFY(m_dialogs->errors.isEmpty());
}

void tst_TableWindow::failedLoadKeepsTable()
{
    ui()->edReplace->setText(data(QStringLiteral("three_sheets_lo.xlsx")));
    ui()->BLoadAll->click();
    ui()->edReplace->setText(m_dir->filePath(QStringLiteral("нет.xlsx")));
    ui()->BLoadAll->click();
    QCOMPARE(m_dialogs->errors.size(), 1);
    QVERIFY(m_dialogs->errors.first().contains(QStringLiteral("нет.xlsx")));
    QCOMPARE(ui()->cb_Sheet->count(), 3);
    QCOMPARE(ui()->CB_DirName->count(), 5);
    QCOMPARE(grid().headers().first(), QStringLiteral("ФИО"));
}

void tst_TableWindow::saveShowsNotice()
{
    const QString xlsx = m_dir->filePath(QStringLiteral("s.xlsx"));
    QFile::copy(data(QStringLiteral("three_sheets_lo.xlsx")), xlsx);
    QFile(xlsx).setPermissions(QFile::ReadOwner | QFile::WriteOwner);
    ui()->edReplace->setText(xlsx);
    ui()->BLoadAll->click();
    grid().setCell(1, 1, QStringLiteral("Изменено"));
    ui()->B_Save->click();
    ui()->edReplace->setText(m_dir->filePath(QStringLiteral("s.ods")));
    ui()->B_Save->click();
    QCOMPARE(m_dialogs->notices, QStringList({kThreeSheetsUnread, QStringLiteral("Сохранение выполнено"),
                                              QStringLiteral("Сохранение в ODS выполнено")}));
    ui()->edReplace->setText(xlsx);
    grid().setCell(1, 1, QString());
    ui()->BLoadAll->click();
    QCOMPARE(grid().cell(1, 1), QStringLiteral("Изменено"));
    QVERIFY(m_dialogs->errors.isEmpty());
}

void tst_TableWindow::saveWithoutLoadChangesNothing()
{
    const QString xlsx = copied(*m_dir, QStringLiteral("three_sheets_lo.xlsx"), QStringLiteral("a.xlsx"));
    const QString other = copied(*m_dir, QStringLiteral("gap_below_rows_kept_on_save.xlsx"), QStringLiteral("b.xlsx"));
    const QByteArray before = TestFiles::readBytes(xlsx);
    const QByteArray otherBefore = TestFiles::readBytes(other);
    ui()->edReplace->setText(xlsx);
    ui()->B_Save->click(); // fresh start: no sheet chosen, nothing loaded
    ui()->edReplace->setText(m_dir->filePath(QStringLiteral("нет.xlsx")));
    ui()->BLoadAll->click(); // a failed load loads nothing either
    ui()->edReplace->setText(xlsx);
    ui()->B_Save->click();
    QCOMPARE(TestFiles::readBytes(xlsx), before);
    // Loaded from one file, the grid holds nothing of another existing one.
    ui()->BLoadAll->click();
    ui()->edReplace->setText(other);
    ui()->B_Save->click();
    QCOMPARE(TestFiles::readBytes(other), otherBefore);
    const QString nothing = QStringLiteral("Нет загруженной таблицы: сохранять нечего");
    QCOMPARE(m_dialogs->notices, QStringList({nothing, nothing, kThreeSheetsUnread, nothing}));
    QCOMPARE(m_dialogs->errors.size(), 1);
}

void tst_TableWindow::saveKeepsCellsTheLoadDidNotRead()
{
    const QString xlsx = copied(*m_dir, QStringLiteral("gap_below_rows_kept_on_save.xlsx"), QStringLiteral("g.xlsx"));
    ui()->edReplace->setText(xlsx);
    ui()->BLoadAll->click();
    QCOMPARE(grid().rowCount(), 3); // the load stops at the gap in column A and at the empty C1
    QCOMPARE(grid().colCount(), 3);
    grid().setCell(1, 1, QStringLiteral("Сидоров"));
    ui()->B_Save->click();
    grid().removeRow(2);
    ui()->B_Save->click(); // the removed record's row is emptied, the rest stays
    // The load says once what it left unread; the saves do not repeat it.
    QCOMPARE(m_dialogs->notices, QStringList({QStringLiteral("Таблица прочитана до строки 3: в строке 4 пустая первая "
                                                             "ячейка, ниже не прочитано ещё строк: 2"),
                                              QStringLiteral("Сохранение выполнено"), QStringLiteral("Сохранение выполнено")}));
    auto book = OpenSpreadsheet(xlsx);
    QStringList cells;
    for (int r = 1; r <= 7; ++r)
        for (int c = 1; c <= 6; ++c)
            if (book->hasValue(r, c))
                cells << QStringLiteral("%1%2=%3").arg(QChar(char16_t('A' + c - 1))).arg(r).arg(book->cellText(r, c));
    QCOMPARE(cells, QStringList({"A1=ФИО", "B1=Город", "D1=Примечание", "A2=Сидоров", "B2=Москва", "D2=15.03.2024",
                                 "C3=справа", "B4=скрыто", "A5=После пропуска", "B5=Тверь", "F7=объединено"}));
}

void tst_TableWindow::searchMovesCurrentCell()
{
    grid().load({QStringLiteral("ФИО"), QStringLiteral("Город")},
                {{QStringLiteral("Иванов"), QStringLiteral("Москва")}, {QStringLiteral("Петров"), QStringLiteral("Омск")}});
    grid().setCurrent(1, 1);
    ui()->Edit1->setText(QStringLiteral("  Иван "));
    m_dialogs->execResults = {QDialog::Accepted, QDialog::Rejected};
    ui()->btnFind->click(); // the start cell is skipped: dialog, then from the top
    QCOMPARE(m_dialogs->dialogs.size(), 1);
    QVERIFY(qobject_cast<TfrmSearchDlg *>(m_dialogs->dialogs.first()));
    QCOMPARE(grid().col(), 1);
    QCOMPARE(grid().row(), 1);
    QCOMPARE(ui()->SG1->currentIndex(), ui()->SG1->model()->index(0, 0));
    ui()->Edit1->setText(QStringLiteral("мск"));
    ui()->btnFind->click();
    QCOMPARE(grid().col(), 2);
    QCOMPARE(grid().row(), 2);
    QCOMPARE(ui()->SG1->selectionModel()->selectedIndexes(), QModelIndexList({ui()->SG1->model()->index(1, 1)}));
    ui()->btnFind->click(); // no further hit: the dialog, closed with Rejected
    QCOMPARE(m_dialogs->dialogs.size(), 2);
    QCOMPARE(grid().row(), 2);
    m_dialogs->execResults = {QDialog::Accepted};
    ui()->Edit1->setText(QStringLiteral("ород"));
    ui()->btnFind->click(); // found in the header row after the restart
    QCOMPARE(grid().col(), 2);
    QCOMPARE(grid().row(), 0);
}

void tst_TableWindow::searchDialogButtons()
{
    TfrmSearchDlg dlg;
    QCOMPARE(dlg.windowTitle(), QStringLiteral("Поиск данных"));
    QCOMPARE(dlg.size(), QSize(237, 76));
    QCOMPARE(dlg.ui()->btnTryAgain->text(), QStringLiteral("Искать с начала"));
    QCOMPARE(dlg.ui()->btnAbort->text(), QStringLiteral("Прервать поиск"));
    QCOMPARE(dlg.ui()->btnTryAgain->size(), QSize(75, 33));
    QTimer::singleShot(0, &dlg, [&dlg] { dlg.ui()->btnTryAgain->click(); });
    QCOMPARE(dlg.exec(), int(QDialog::Accepted));
    QTimer::singleShot(0, &dlg, [&dlg] { dlg.ui()->btnAbort->click(); });
    QCOMPARE(dlg.exec(), int(QDialog::Rejected));
    QTimer::singleShot(0, &dlg, [&dlg] { dlg.close(); });
    QCOMPARE(dlg.exec(), int(QDialog::Rejected));
}

void tst_TableWindow::dragColumnMovesModelColumn()
{
    grid().load({QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C")},
                {{QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c")}});
    QHeaderView *top = ui()->SG1->horizontalHeader();
    top->resizeSection(0, 100);
    top->moveSection(0, 2); // what a drag of header "A" to the right end does
    QCOMPARE(grid().headers(), QStringList({QStringLiteral("B"), QStringLiteral("C"), QStringLiteral("A")}));
    QCOMPARE(grid().record(1), QStringList({QStringLiteral("b"), QStringLiteral("c"), QStringLiteral("a")}));
    QCOMPARE(top->logicalIndex(2), 2); // the header stays in identity order
    QCOMPARE(top->sectionSize(2), 100);
    QCOMPARE(ui()->SG1->model()->headerData(2, Qt::Horizontal).toString(), QStringLiteral("A"));
}

void tst_TableWindow::sampleTableLoadsOnFirstStart()
{
    QVERIFY(QFile::copy(QStringLiteral(DOKRAVA_TEST_DATA "/../../resources/Replace.xls"),
                        m_dir->filePath(QStringLiteral("Replace.xls"))));
    m_main = std::make_unique<TFMain>(); // first show fills the default paths
    m_main->show();
    QCOMPARE(ui()->edReplace->text(), AppFolder::defaultDataFile());
    ui()->BLoadAll->click();
    QVERIFY2(m_dialogs->errors.isEmpty(), qPrintable(m_dialogs->errors.join(QLatin1Char('\n'))));
    QCOMPARE(grid().headers(), QStringList({QStringLiteral("ФИО"), QStringLiteral("Должность"), QStringLiteral("Организация"),
                                            QStringLiteral("Город"), QStringLiteral("Дата"), QStringLiteral("Сумма")}));
    QCOMPARE(grid().rowCount(), 6);
    QCOMPARE(grid().cell(5, 1), QStringLiteral("15.03.2024"));
    QCOMPARE(grid().cell(6, 1), QStringLiteral("150000"));
}

QTEST_MAIN(tst_TableWindow)
#include "tst_TableWindow.moc"
