// dokrava-cli check, and generate --check: the line format and the exit codes.
#include "CliRun.h"
#include "OdtFixture.h"
#include "TestFiles.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

using namespace dokrava;

class tst_CliCheck : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void findingsAndExitCode_data();
    void findingsAndExitCode();
    void refusedArguments_data();
    void refusedArguments();
    void generateWithCheck();

private:
    // --templates and --data of a folder with one ".odt" whose body is text.
    QStringList setUp(const QString &text);
    std::unique_ptr<QTemporaryDir> m_dir;
};

void tst_CliCheck::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
}

QStringList tst_CliCheck::setUp(const QString &text)
{
    const QString templates = m_dir->filePath(QStringLiteral("t"));
    QDir().mkpath(templates);
    OdtFixture::write(templates + QStringLiteral("/Письмо.odt"), text);
    TestFiles::writeBytes(m_dir->filePath(QStringLiteral("data.csv")),
                          QStringLiteral("ФИО;Город;Телефон\nИванов;Москва;1\nПетров;Казань;2\nИванов;Тула;3\n").toUtf8());
    return {QStringLiteral("--templates"), templates, QStringLiteral("--data"), m_dir->filePath(QStringLiteral("data.csv"))};
}

void tst_CliCheck::findingsAndExitCode_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("out");
    QTest::newRow("clean") << "[ФИО] [Город] [Телефон]" << QStringList{"--rows", "1,2"} << 0 << "";
    QTest::newRow("a note alone passes")
        << "[ФИО] [Город]" << QStringList{"--rows", "1,2"} << 0
        << "замечание\tтаблица\tКолонка «Телефон» не используется ни одним выбранным шаблоном\n";
    QTest::newRow("warnings, then the note")
        << "[ФИО] [Горд] [" << QStringList{} << 1
        << "предупреждение\tПисьмо.odt\tПоле [Горд] не найдено среди колонок таблицы: в документах останется «[Горд]»; "
           "возможно, [Город]\n"
           "предупреждение\tПисьмо.odt\tСкобка «[» не закрыта до конца абзаца: «[ФИО] [Горд] [»\n"
           "предупреждение\tзаписи 1, 3\tОдинаковое значение «Иванов» в колонке «ФИО»: файлы получат суффиксы « (2)», « (3)»…\n"
           "замечание\tтаблица\tКолонка «Город» не используется ни одним выбранным шаблоном\n"
           "замечание\tтаблица\tКолонка «Телефон» не используется ни одним выбранным шаблоном\n";
    QTest::newRow("an error")
        << "[ФИО] [Город] [Телефон]" << QStringList{"--rows", "1,2", "--format", "pdf", "--converter", "none"} << 1
        << "ошибка\tнастройки\tВыбран формат pdf, но LibreOffice не найден: документы не будут преобразованы в PDF\n";
    // The shipped samples with the shipped settings ("Заменять в колонтитулах", an empty replace.ini).
    QTest::newRow("shipped samples")
        << "" << QStringList{"--templates", DOKRAVA_TEST_DATA "/../../resources/zagotka",
                             "--data", DOKRAVA_TEST_DATA "/../../resources/Replace.xls",
                             "--colontit", "--personal", DOKRAVA_TEST_DATA "/../../resources/replace.ini"}
        << 0 << "";
    QTest::newRow("rows below an empty first cell")
        << "[ФИО] [Город] [Телефон]"
        << QStringList{"--data", DOKRAVA_TEST_DATA "/table/rows_below_empty_first_cell_unread.csv"} << 1
        << "предупреждение\tтаблица\tТаблица прочитана до строки 3: в строке 4 пустая первая ячейка, ниже не прочитано "
           "ещё строк: 2\n";
    QTest::newRow("naming by another column")
        << "[ФИО] [Город] [Телефон]" << QStringList{"--naming", "column", "--column", "Город"} << 0 << "";
}

void tst_CliCheck::findingsAndExitCode()
{
    QFETCH(QString, text);
    QFETCH(QStringList, args);
    QFETCH(int, code);
    QFETCH(QString, out);
    const CliRun r = runCli(QStringList{QStringLiteral("check")} + setUp(text) + args, 60000);
    QCOMPARE(r.out, out);
    QCOMPARE(r.err, QString());
    QCOMPARE(r.code, code);
}

void tst_CliCheck::refusedArguments_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("message");
    QTest::newRow("no --out for check") << QStringList{"--out", "x"} << 2 << "Неизвестный параметр «--out»";
    QTest::newRow("no --check for check") << QStringList{"--check"} << 2 << "Неизвестный параметр «--check»";
    QTest::newRow("no value") << QStringList{"--sheet"} << 2 << "Не задано значение для «--sheet»";
    QTest::newRow("unknown column") << QStringList{"--column", "Нет"} << 1 << "В таблице нет колонки «Нет»";
}

void tst_CliCheck::refusedArguments()
{
    QFETCH(QStringList, args);
    QFETCH(int, code);
    QFETCH(QString, message);
    const CliRun r = runCli(QStringList{QStringLiteral("check")} + setUp(QStringLiteral("[ФИО]")) + args, 60000);
    QCOMPARE(r.code, code);
    QVERIFY2(r.err.startsWith(message + QLatin1Char('\n')), qPrintable(r.err));
    QCOMPARE(r.out, QString());
}

void tst_CliCheck::generateWithCheck()
{
    const QString out = m_dir->filePath(QStringLiteral("out"));
    const QStringList args = QStringList{QStringLiteral("generate")} + setUp(QStringLiteral("[ФИО] [Горд] [Телефон]"))
                             + QStringList{QStringLiteral("--out"), out, QStringLiteral("--rows"), QStringLiteral("1,2")};
    // The check finds a warning: nothing is written.
    CliRun r = runCli(args + QStringList{QStringLiteral("--check")}, 60000);
    QCOMPARE(r.code, 1);
    QCOMPARE(r.out, QString());
    QCOMPARE(r.err, QStringLiteral("предупреждение\tПисьмо.odt\tПоле [Горд] не найдено среди колонок таблицы: в документах "
                                   "останется «[Горд]»; возможно, [Город]\n"
                                   "замечание\tтаблица\tКолонка «Город» не используется ни одним выбранным шаблоном\n"
                                   "Формирование не начато: проверка нашла ошибки или предупреждения\n"));
    QVERIFY(!QFileInfo::exists(out));
    // Without --check the same run goes on as before.
    r = runCli(args, 60000);
    QCOMPARE(r.code, 0);
    QCOMPARE(r.out, QStringLiteral("Готово\nДокументов создано: 2\n"));
    // A clean set passes the check and is written.
    QDir(out).removeRecursively();
    OdtFixture::write(m_dir->filePath(QStringLiteral("t/Письмо.odt")), QStringLiteral("[ФИО] [Город] [Телефон]"));
    r = runCli(args + QStringList{QStringLiteral("--check")}, 60000);
    QCOMPARE(r.code, 0);
    QCOMPARE(r.out, QStringLiteral("Готово\nДокументов создано: 2\n"));
}

QTEST_MAIN(tst_CliCheck)
#include "tst_CliCheck.moc"
