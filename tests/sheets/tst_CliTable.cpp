// dokrava-cli table for the spreadsheet formats.
#include "CliRun.h"
#include <QTest>

namespace {

using Run = CliRun;

Run cli(const QStringList &args)
{
    return runCli(QStringList{QStringLiteral("table")} + args, 60000);
}

QString data(const QString &name)
{
    return QStringLiteral(DOKRAVA_TEST_DATA "/table/") + name;
}

} // namespace

class tst_CliTable : public QObject
{
    Q_OBJECT
private slots:
    void formats_data();
    void formats();
    void refusals_data();
    void refusals();
};

void tst_CliTable::formats_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("expected");
    QTest::newRow("xlsx first sheet") << QStringList{data(QStringLiteral("three_sheets_lo.xlsx"))}
                                      << QStringLiteral("ФИО\tСумма\tДата\tФлаг\tФормула\n"
                                                        "Иванов И.И.\t1500\t15.03.2024\tИСТИНА\t3000\n"
                                                        "Петров П.П.\t2,5\t15.03.2024 10:30\tЛОЖЬ\txПетров П.П.\n"
                                                        "Сидоров\t\t0,1\tA & B <c>\t-1234567,25\n");
    QTest::newRow("xls second sheet") << QStringList{data(QStringLiteral("three_sheets_lo.xls")), QStringLiteral("--sheet"),
                                                     QStringLiteral("2")}
                                      << QStringLiteral("Код\tГород\n7\tКазань\n");
    QTest::newRow("csv escapes") << QStringList{data(QStringLiteral("cp1251_comma.csv"))}
                                 << QStringLiteral("Имя\tПримечание\nЁжик\tстрока 1\\nстрока 2\nКавычка \"в\" тексте\t№ 5\n");
    // The records end before the first row without a value in its first column.
    QTest::newRow("csv records longer and shorter than the header row")
        << QStringList{data(QStringLiteral("ragged_records.csv"))}
        << QStringLiteral("ФИО\tГород\tСумма\nИванов\tМосква\t100\nПетров\t\t\n"
                          "Сидоров \"мл.\";\\r\\nвторая строка\t\t300\n");
    QTest::newRow("ods records longer and shorter than the header row")
        << QStringList{data(QStringLiteral("ragged_records.ods"))}
        << QStringLiteral("ФИО\tГород\tСумма\nИванов\tМосква\t100\nПетров\t\t\n"
                          "Сидоров \"мл.\";\\nвторая строка\t\t300\n\tбез имени\t0\nПосле пропуска\tТверь\t1\n");
}

void tst_CliTable::formats()
{
    QFETCH(QStringList, args);
    QFETCH(QString, expected);
    const Run r = cli(args);
    QCOMPARE(r.err, QString());
    QCOMPARE(r.code, 0);
    QCOMPARE(r.out, expected);
}

void tst_CliTable::refusals_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("message");
    QTest::newRow("no such sheet") << QStringList{data(QStringLiteral("three_sheets_lo.xlsx")), QStringLiteral("--sheet"), QStringLiteral("4")}
                                   << 1 << QStringLiteral("нет листа с номером 4");
    QTest::newRow("unsupported") << QStringList{data(QStringLiteral("three_sheets.fods"))} << 1 << QStringLiteral("не поддерживается");
    QTest::newRow("missing file") << QStringList{QStringLiteral("/no/such.xlsx")} << 1 << QStringLiteral("не найден");
    QTest::newRow("sheet zero") << QStringList{data(QStringLiteral("three_sheets_lo.xlsx")), QStringLiteral("--sheet"), QStringLiteral("0")}
                                << 2 << QStringLiteral("--sheet");
}

void tst_CliTable::refusals()
{
    QFETCH(QStringList, args);
    QFETCH(int, code);
    QFETCH(QString, message);
    const Run r = cli(args);
    QCOMPARE(r.code, code);
    QVERIFY2(r.err.contains(message), qPrintable(r.err));
    QVERIFY(r.out.isEmpty());
}

QTEST_GUILESS_MAIN(tst_CliTable)
#include "tst_CliTable.moc"
