// The grid model: selection modes, marks, deletions, counts and fixed areas, search.
#include "grid/GridSearch.h"
#include "grid/SelectionModes.h"
#include "grid/TGridModel.h"

#include <QSignalSpy>
#include <QTest>

using namespace dokrava;

namespace {

// The two mode boxes as the window wires them: a box's rule runs only when its state changes.
struct Boxes
{
    TGridModel &grid;
    bool multi = false;
    bool all = false;

    void setAll(bool on)
    {
        if (all == on)
            return;
        all = on;
        ApplyReplaceAll(grid, multi, all);
    }
    void clickMulti()
    {
        multi = !multi;
        if (ApplyMultiSel(grid, all))
            setAll(false);
    }
    void clickAll() { setAll(!all); }
};

QString marks(const TGridModel &g)
{
    QString s;
    for (int r = 0; r < g.rowCount(); ++r)
        s += g.mark(r) ? QLatin1Char('1') : QLatin1Char('0');
    return s;
}

void setMarks(TGridModel &g, const QString &pattern)
{
    for (int r = 0; r < pattern.size(); ++r)
        g.setMark(r, pattern[r] == QLatin1Char('1'));
}

TGridModel *table(const QStringList &headers, const QList<QStringList> &rows)
{
    auto *g = new TGridModel;
    g->load(headers, rows);
    return g;
}

} // namespace

class tst_GridModel : public QObject
{
    Q_OBJECT
private slots:
    void initialState();
    void modeTransitions_data();
    void modeTransitions();
    void mouseMarks_data();
    void mouseMarks();
    void chosenRecords();
    void addRowsAndColumns();
    void deleteRowMovesMarks();
    void deleteOutOfRange_data();
    void deleteOutOfRange();
    void deleteUntilOneReleasesFixed();
    void deleteMarkerColumnTakesMarks();
    void loadKeepsMarksAndFixesAreas();
    void loadPadsShortRecords();
    void moveColumn();
    void editsMakeTheTableModified_data();
    void editsMakeTheTableModified();
    void search_data();
    void search();
    void searchText();
};

void tst_GridModel::initialState()
{
    TGridModel g;
    QCOMPARE(g.colCount(), 5);
    QCOMPARE(g.rowCount(), 5);
    QCOMPARE(g.fixedRows(), 1);
    QCOMPARE(g.fixedCols(), 1);
    QCOMPARE(marks(g), QStringLiteral("00000"));
    QCOMPARE(g.headers(), QStringList(4, QString()));
    QCOMPARE(g.col(), 1);
    QCOMPARE(g.row(), 1);
}

void tst_GridModel::modeTransitions_data()
{
    QTest::addColumn<bool>("multiBefore");
    QTest::addColumn<bool>("allBefore");
    QTest::addColumn<QString>("marksBefore"); // row 0 (corner) first
    QTest::addColumn<bool>("clickMulti");
    QTest::addColumn<bool>("multiAfter");
    QTest::addColumn<bool>("allAfter");
    QTest::addColumn<QString>("marksAfter");
    QTest::newRow("off/off M") << false << false << "10101" << true << true << false << "10000";
    QTest::newRow("on/off M") << true << false << "10110" << true << false << false << "10000";
    QTest::newRow("off/on M keeps") << false << true << "11011" << true << true << false << "11011";
    QTest::newRow("on/on M") << true << true << "01111" << true << false << false << "00000";
    QTest::newRow("off/off A") << false << false << "10100" << false << false << true << "11111";
    QTest::newRow("on/off A") << true << false << "00100" << false << true << true << "01111";
    QTest::newRow("off/on A") << false << true << "11111" << false << false << false << "10000";
    QTest::newRow("on/on A keeps") << true << true << "01101" << false << true << false << "01101";
}

void tst_GridModel::modeTransitions()
{
    QFETCH(bool, multiBefore);
    QFETCH(bool, allBefore);
    QFETCH(QString, marksBefore);
    QFETCH(bool, clickMulti);
    QFETCH(bool, multiAfter);
    QFETCH(bool, allAfter);
    QFETCH(QString, marksAfter);
    TGridModel g;
    setMarks(g, marksBefore);
    Boxes boxes{g, multiBefore, allBefore};
    clickMulti ? boxes.clickMulti() : boxes.clickAll();
    QCOMPARE(boxes.multi, multiAfter);
    QCOMPARE(boxes.all, allAfter);
    QCOMPARE(marks(g), marksAfter);
}

void tst_GridModel::mouseMarks_data()
{
    QTest::addColumn<bool>("multi");
    QTest::addColumn<bool>("all");
    QTest::addColumn<int>("button");
    QTest::addColumn<int>("row");
    QTest::addColumn<QString>("after");
    QTest::newRow("single mode left") << false << false << int(Qt::LeftButton) << 3 << "00100";
    QTest::newRow("single mode right") << false << false << int(Qt::RightButton) << 2 << "00100";
    QTest::newRow("multi left") << true << false << int(Qt::LeftButton) << 3 << "00110";
    QTest::newRow("multi right") << true << false << int(Qt::RightButton) << 2 << "00000";
    QTest::newRow("all middle") << false << true << int(Qt::MiddleButton) << 3 << "00100";
    QTest::newRow("header row") << true << false << int(Qt::LeftButton) << 0 << "10100";
    QTest::newRow("outside") << true << false << int(Qt::LeftButton) << 9 << "00100";
}

void tst_GridModel::mouseMarks()
{
    QFETCH(bool, multi);
    QFETCH(bool, all);
    QFETCH(int, button);
    QFETCH(int, row);
    QFETCH(QString, after);
    TGridModel g;
    g.setMark(2, true);
    QSignalSpy spy(&g, &TGridModel::markChanged);
    ApplyMouseMark(g, multi, all, Qt::MouseButton(button), row);
    QCOMPARE(marks(g), after);
    QCOMPARE(spy.isEmpty(), after == QLatin1String("00100"));
}

void tst_GridModel::chosenRecords()
{
    TGridModel g;
    setMarks(g, QStringLiteral("11010"));
    g.setCurrent(2, 4);
    QCOMPARE(ChosenRecordRows(g, false, false), QList<int>({4}));
    QCOMPARE(ChosenRecordRows(g, true, false), QList<int>({1, 3}));
    QCOMPARE(ChosenRecordRows(g, false, true), QList<int>({1, 3}));
    g.setCurrent(0, 0);
    QVERIFY(ChosenRecordRows(g, false, false).isEmpty());
}

void tst_GridModel::addRowsAndColumns()
{
    TGridModel g;
    DeleteGridRow(g, 5);
    setMarks(g, QStringLiteral("0111"));
    g.appendRows(3);
    QCOMPARE(g.rowCount(), 7);
    QCOMPARE(marks(g), QStringLiteral("0111000"));
    g.appendColumn(QStringLiteral("[Имя]"));
    g.appendColumn(QStringLiteral(" "));
    QCOMPARE(g.colCount(), 7);
    QCOMPARE(g.cell(5, 0), QStringLiteral("[Имя]"));
    QCOMPARE(g.cell(6, 0), QStringLiteral(" "));
    for (int r = 1; r < g.rowCount(); ++r)
        QVERIFY(g.cell(6, r).isEmpty());
}

void tst_GridModel::deleteRowMovesMarks()
{
    std::unique_ptr<TGridModel> g(table({QStringLiteral("A")},
                                        {{QStringLiteral("1")}, {QStringLiteral("2")}, {QStringLiteral("3")}, {QStringLiteral("4")}}));
    setMarks(*g, QStringLiteral("00011"));
    DeleteGridRow(*g, 3); // row 2
    QCOMPARE(g->rowCount(), 4);
    QCOMPARE(g->cell(1, 2), QStringLiteral("3"));
    QCOMPARE(g->cell(1, 3), QStringLiteral("4"));
    QCOMPARE(marks(*g), QStringLiteral("0011"));
    DeleteGridRow(*g, 4); // last row: only the count drops
    QCOMPARE(g->rowCount(), 3);
    QCOMPARE(marks(*g), QStringLiteral("001"));
    DeleteGridColumn(*g, 2); // field A
    QCOMPARE(g->colCount(), 1);
    QCOMPARE(marks(*g), QStringLiteral("001"));
}

void tst_GridModel::deleteOutOfRange_data()
{
    QTest::addColumn<bool>("column");
    QTest::addColumn<int>("position");
    QTest::newRow("column 0") << true << 0;
    QTest::newRow("column past count") << true << 6;
    QTest::newRow("row 0") << false << 0;
    QTest::newRow("row past count") << false << 6;
    QTest::newRow("negative") << false << -1;
}

void tst_GridModel::deleteOutOfRange()
{
    QFETCH(bool, column);
    QFETCH(int, position);
    TGridModel g;
    column ? DeleteGridColumn(g, position) : DeleteGridRow(g, position);
    QCOMPARE(g.colCount(), 5);
    QCOMPARE(g.rowCount(), 5);
}

void tst_GridModel::deleteUntilOneReleasesFixed()
{
    TGridModel g;
    for (int i = 0; i < 4; ++i)
        DeleteGridColumn(g, 2);
    QCOMPARE(g.colCount(), 1);
    QCOMPARE(g.fixedCols(), 0);
    QCOMPARE(g.fixedRows(), 1);
    DeleteGridColumn(g, 1); // the only column stays
    QCOMPARE(g.colCount(), 1);
    for (int i = 0; i < 5; ++i)
        DeleteGridRow(g, 1);
    QCOMPARE(g.rowCount(), 1);
    QCOMPARE(g.fixedRows(), 0);
    g.setCell(0, 0, QStringLiteral("typed"));
    QCOMPARE(g.cell(0, 0), QStringLiteral("typed"));
    g.appendRows(3);
    g.appendColumn(QStringLiteral("x"));
    QCOMPARE(g.fixedRows(), 0); // adding does not fix a released area again
    QCOMPARE(g.fixedCols(), 0);
    g.load({QStringLiteral("a")}, {{QStringLiteral("b")}});
    QCOMPARE(g.fixedRows(), 1); // the next load does
    QCOMPARE(g.fixedCols(), 1);
}

void tst_GridModel::deleteMarkerColumnTakesMarks()
{
    TGridModel g;
    g.setCell(1, 0, QStringLiteral("Поле"));
    setMarks(g, QStringLiteral("01100"));
    DeleteGridColumn(g, 1);
    QCOMPARE(g.colCount(), 4);
    QCOMPARE(g.cell(0, 0), QStringLiteral("Поле"));
    QCOMPARE(marks(g), QStringLiteral("00000"));
}

void tst_GridModel::loadKeepsMarksAndFixesAreas()
{
    TGridModel g;
    setMarks(g, QStringLiteral("11011"));
    g.load({QStringLiteral("A"), QStringLiteral("B")},
           {{QStringLiteral("1"), QStringLiteral("2")}, {QStringLiteral("3"), QStringLiteral("4")},
            {QStringLiteral("5"), QStringLiteral("6")}, {}, {}, {QStringLiteral("7")}});
    QCOMPARE(g.rowCount(), 7);
    QCOMPARE(g.colCount(), 3);
    QCOMPARE(marks(g), QStringLiteral("1101100"));
    g.load({}, {});
    QCOMPARE(g.rowCount(), 2);
    QCOMPARE(g.colCount(), 2);
    QCOMPARE(marks(g), QStringLiteral("11"));
    QVERIFY(g.cell(1, 0).isEmpty());
    QVERIFY(g.cell(1, 1).isEmpty());
}

void tst_GridModel::loadPadsShortRecords()
{
    TGridModel g;
    g.load({QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C")},
           {{QStringLiteral("1")}, {QStringLiteral("x"), QStringLiteral("y"), QStringLiteral("z"), QStringLiteral("extra")}});
    QCOMPARE(g.record(1), QStringList({QStringLiteral("1"), QString(), QString()}));
    QCOMPARE(g.record(2), QStringList({QStringLiteral("x"), QStringLiteral("y"), QStringLiteral("z")}));
    QCOMPARE(g.cell(0, 1), QString());
}

void tst_GridModel::moveColumn()
{
    TGridModel g;
    g.load({QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C")},
           {{QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c")}});
    g.setMark(1, true);
    g.setCurrent(1, 1);
    g.moveColumn(1, 3);
    QCOMPARE(g.headers(), QStringList({QStringLiteral("B"), QStringLiteral("C"), QStringLiteral("A")}));
    QCOMPARE(g.record(1), QStringList({QStringLiteral("b"), QStringLiteral("c"), QStringLiteral("a")}));
    QCOMPARE(g.col(), 3);
    QVERIFY(g.mark(1));
    g.moveColumn(0, 2); // the marker column stays
    QCOMPARE(g.headers().first(), QStringLiteral("B"));
}

void tst_GridModel::editsMakeTheTableModified_data()
{
    QTest::addColumn<QString>("step");
    QTest::addColumn<bool>("modified");
    QTest::newRow("typing") << "cell" << true;
    QTest::newRow("the same text again") << "same" << false;
    QTest::newRow("rows added") << "rows" << true;
    QTest::newRow("column added") << "column" << true;
    QTest::newRow("column removed") << "removeColumn" << true;
    QTest::newRow("row removed") << "removeRow" << true;
    QTest::newRow("column moved") << "move" << true;
    QTest::newRow("marks") << "marks" << false;
    QTest::newRow("current cell") << "current" << false;
}

void tst_GridModel::editsMakeTheTableModified()
{
    QFETCH(QString, step);
    QFETCH(bool, modified);
    TGridModel g;
    QVERIFY(!g.modified());
    g.load({QStringLiteral("A"), QStringLiteral("B")}, {{QStringLiteral("a"), QStringLiteral("b")}});
    QVERIFY(!g.modified());
    if (step == QLatin1String("cell")) g.setCell(1, 1, QStringLiteral("x"));
    else if (step == QLatin1String("same")) g.setCell(1, 1, QStringLiteral("a"));
    else if (step == QLatin1String("rows")) g.appendRows(3);
    else if (step == QLatin1String("column")) g.appendColumn(QStringLiteral("C"));
    else if (step == QLatin1String("removeColumn")) DeleteGridColumn(g, 2);
    else if (step == QLatin1String("removeRow")) DeleteGridRow(g, 2);
    else if (step == QLatin1String("move")) g.moveColumn(1, 2);
    else if (step == QLatin1String("marks")) g.setAllRecordMarks(true);
    else g.setCurrent(2, 1);
    QCOMPARE(g.modified(), modified);
    QCOMPARE(g.markedRecords(), step == QLatin1String("marks") ? 1 : 0);
    // A load brings the table from its file again: nothing is unsaved any more.
    g.load({QStringLiteral("A")}, {{QStringLiteral("a")}});
    QVERIFY(!g.modified());
}

void tst_GridModel::search_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("startCol");
    QTest::addColumn<int>("startRow");
    QTest::addColumn<int>("col");
    QTest::addColumn<int>("row");
    QTest::newRow("start cell itself is skipped") << "Иван" << 1 << 1 << -1 << -1;
    QTest::newRow("from the corner finds it") << "Иван" << 0 << 0 << 1 << 1;
    QTest::newRow("middle letters") << "ван" << 0 << 0 << 1 << 1;
    QTest::newRow("letter case kept") << "иван" << 0 << 0 << -1 << -1;
    QTest::newRow("header from the corner") << "ород" << 0 << 0 << 2 << 0;
    QTest::newRow("last column wraps to next row") << "Омск" << 2 << 1 << 2 << 2;
    QTest::newRow("next occurrence") << "ск" << 2 << 1 << 2 << 2;
    QTest::newRow("inner space kept") << "a b" << 0 << 0 << 1 << 2;
    QTest::newRow("empty finds nothing") << "" << 0 << 0 << -1 << -1;
}

void tst_GridModel::search()
{
    QFETCH(QString, text);
    QFETCH(int, startCol);
    QFETCH(int, startRow);
    QFETCH(int, col);
    QFETCH(int, row);
    TGridModel g;
    g.load({QStringLiteral("ФИО"), QStringLiteral("Город")},
           {{QStringLiteral("Иванов"), QStringLiteral("Москва")}, {QStringLiteral("a b"), QStringLiteral("Омск")}});
    int c = -1, r = -1;
    const bool found = GridSearch::findNext(g, text, startCol, startRow, &c, &r);
    QCOMPARE(found, col >= 0);
    if (found) {
        QCOMPARE(c, col);
        QCOMPARE(r, row);
    }
}

void tst_GridModel::searchText()
{
    QCOMPARE(GridSearch::searchText(QStringLiteral("  \t a b \r\n")), QStringLiteral("a b"));
    QCOMPARE(GridSearch::searchText(QStringLiteral("   ")), QString());
}

QTEST_GUILESS_MAIN(tst_GridModel)
#include "tst_GridModel.moc"
