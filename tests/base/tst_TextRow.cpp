// Packed table rows: every cell must read back exactly as written, whatever the edits.
#include "base/TextGrid.h"
#include "base/TextRow.h"

#include <QTest>

#include <functional>

using namespace dokrava;

using Edit = std::function<void(QStringList &, TTextRow &)>;

class tst_TextRow : public QObject
{
    Q_OBJECT
private slots:
    void editsMatchAList_data();
    void editsMatchAList();
    void gridShapeEdits();
};

namespace {

// Applies the same edit to a plain list and to a packed row.
Edit setCell(int i, const QString &text)
{
    return [=](QStringList &l, TTextRow &r) {
        while (l.size() <= i)
            l.append(QString());
        l[i] = text;
        r.set(i, text);
    };
}

Edit moveCell(int from, int to)
{
    return [=](QStringList &l, TTextRow &r) { l.move(from, to); r.move(from, to); };
}

Edit removeCell(int i)
{
    return [=](QStringList &l, TTextRow &r) { l.removeAt(i); r.removeAt(i); };
}

Edit resizeRow(int n)
{
    return [=](QStringList &l, TTextRow &r) {
        l.resize(n);
        r.resize(n);
    };
}

} // namespace

void tst_TextRow::editsMatchAList_data()
{
    QTest::addColumn<QStringList>("cells");
    QTest::addColumn<QList<Edit>>("edits");
    const QString longText(70000, QChar(u'ж')); // past 65,535 units: offsets need both words
    const QString pair = QString::fromUtf16(u"\U0001F600 x");
    QTest::newRow("empty row") << QStringList() << QList<Edit>();
    QTest::newRow("empty cells") << QStringList{QString(), QString(), QString()} << QList<Edit>{setCell(1, QStringLiteral("x"))};
    QTest::newRow("control and separator characters")
        << QStringList{QString(QChar(0)), QStringLiteral(";\"\r\n"), QString(QChar(0xffff)), QString(QChar(0xd800))}
        << QList<Edit>{setCell(0, QString()), moveCell(3, 0)};
    QTest::newRow("surrogate pairs") << QStringList{pair, QStringLiteral("а"), pair} << QList<Edit>{removeCell(1), setCell(0, pair + pair)};
    QTest::newRow("long cells") << QStringList{longText, QStringLiteral("б"), longText}
                                << QList<Edit>{setCell(1, longText), moveCell(0, 2), removeCell(1)};
    QTest::newRow("grow and shrink") << QStringList{QStringLiteral("Иванов"), QStringLiteral("Москва"), QStringLiteral("5")}
                                     << QList<Edit>{setCell(1, QStringLiteral("Санкт-Петербург, Невский пр.")), setCell(1, QStringLiteral("Р")),
                                                    setCell(0, QString()), setCell(5, QStringLiteral("за концом"))};
    QTest::newRow("resize and move") << QStringList{QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c"), QStringLiteral("d")}
                                     << QList<Edit>{moveCell(0, 3), moveCell(3, 1), resizeRow(6), resizeRow(2),
                                                    removeCell(0), removeCell(0), setCell(0, QStringLiteral("z"))};
}

void tst_TextRow::editsMatchAList()
{
    QFETCH(QStringList, cells);
    QFETCH(QList<Edit>, edits);
    const QStringList written = cells;
    TTextRow row(cells);
    QCOMPARE(row.toList(), cells);
    const TTextRow before = row;
    for (const Edit &edit : edits) {
        edit(cells, row);
        QCOMPARE(row.size(), cells.size());
        for (int i = 0; i < cells.size(); ++i)
            QCOMPARE(row.at(i), cells[i]);
    }
    QCOMPARE(row.at(cells.size()), QString());
    QCOMPARE(row.at(-1), QString());
    QCOMPARE(before.toList(), written); // a copy shares the block but never sees the edits
}

void tst_TextRow::gridShapeEdits()
{
    TTextGrid grid(3, 2);
    const TTextGrid copy = grid;
    grid.setCell(2, 1, QStringLiteral("значение"));
    grid.setRowCount(4);
    grid.setColCount(5);
    grid.setCell(4, 3, QStringLiteral("угол"));
    grid.moveColumn(2, 4);
    grid.removeColumn(0);
    grid.removeRow(0);
    QCOMPARE(grid.rows(), (QList<QStringList>{{QString(), QString(), QString(), QStringLiteral("значение")},
                                              {QString(), QString(), QString(), QString()},
                                              {QString(), QString(), QStringLiteral("угол"), QString()}}));
    QCOMPARE(copy.rows(), (QList<QStringList>(2, QStringList(3)))); // the copy kept its shared rows
}

QTEST_APPLESS_MAIN(tst_TextRow)
#include "tst_TextRow.moc"
