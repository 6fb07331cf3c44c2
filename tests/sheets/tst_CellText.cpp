// Values as the grid shows them.
#include "sheets/CellText.h"

#include <QTest>

using namespace dokrava;

class tst_CellText : public QObject
{
    Q_OBJECT
private slots:
    void numbers_data();
    void numbers();
    void serialDates_data();
    void serialDates();
    void isoDates_data();
    void isoDates();
    void booleans();
};

void tst_CellText::numbers_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("text");
    QTest::newRow("whole") << 1500.0 << "1500";
    QTest::newRow("negative whole") << -42.0 << "-42";
    QTest::newRow("negative zero") << -0.0 << "0";
    QTest::newRow("half") << 2.5 << "2,5";
    QTest::newRow("shortest exact") << 0.1 << "0,1";
    QTest::newRow("float noise kept out") << 0.1 + 0.2 << "0,30000000000000004";
    QTest::newRow("money") << -1234567.25 << "-1234567,25";
    QTest::newRow("big whole") << 1e15 << "1000000000000000";
    QTest::newRow("phone-like") << 79161234567.0 << "79161234567";
    QTest::newRow("tiny") << 1.5e-7 << "1,5e-07";
}

void tst_CellText::numbers()
{
    QFETCH(double, value);
    QFETCH(QString, text);
    QCOMPARE(CellText::number(value), text);
}

void tst_CellText::serialDates_data()
{
    QTest::addColumn<double>("serial");
    QTest::addColumn<bool>("date1904");
    QTest::addColumn<bool>("timeOnly");
    QTest::addColumn<QString>("text");
    QTest::newRow("midnight") << 45366.0 << false << false << "15.03.2024";
    QTest::newRow("with time") << 45366.4375 << false << false << "15.03.2024 10:30";
    QTest::newRow("rounding to next day") << 45366.9999999999 << false << false << "16.03.2024";
    QTest::newRow("first day") << 1.0 << false << false << "01.01.1900";
    QTest::newRow("phantom leap day") << 60.0 << false << false << "29.02.1900";
    QTest::newRow("after leap day") << 61.0 << false << false << "01.03.1900";
    QTest::newRow("1904 system") << 0.0 << true << false << "01.01.1904";
    QTest::newRow("time only") << 0.75 << false << true << "18:00";
}

void tst_CellText::serialDates()
{
    QFETCH(double, serial);
    QFETCH(bool, date1904);
    QFETCH(bool, timeOnly);
    QFETCH(QString, text);
    QCOMPARE(CellText::serialDate(serial, date1904, timeOnly), text);
}

void tst_CellText::isoDates_data()
{
    QTest::addColumn<QString>("iso");
    QTest::addColumn<QString>("text");
    QTest::newRow("date") << "2024-03-15" << "15.03.2024";
    QTest::newRow("date midnight") << "2024-03-15T00:00:00" << "15.03.2024";
    QTest::newRow("date time") << "2024-03-15T10:30:00" << "15.03.2024 10:30";
    QTest::newRow("time") << "10:30:15" << "10:30";
    QTest::newRow("not a date") << "abc" << "abc";
}

void tst_CellText::isoDates()
{
    QFETCH(QString, iso);
    QFETCH(QString, text);
    QCOMPARE(CellText::isoDate(iso), text);
}

void tst_CellText::booleans()
{
    QCOMPARE(CellText::boolean(true), QStringLiteral("ИСТИНА"));
    QCOMPARE(CellText::boolean(false), QStringLiteral("ЛОЖЬ"));
}

QTEST_GUILESS_MAIN(tst_CellText)
#include "tst_CellText.moc"
