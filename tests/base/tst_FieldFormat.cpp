// The value formats of placeholders: "[Поле:формат]".
#include "base/FieldFormat.h"

#include <QTest>

#include <limits>

using namespace dokrava;

namespace {

// Expected texts write the no-break space between digit groups as "_".
QString nb(const char *text)
{
    return QString::fromUtf8(text).replace(QLatin1Char('_'), QChar(0x00A0));
}

// 0..22 in words, masculine.
const char *const kSmall[] = {
    "ноль", "один", "два", "три", "четыре", "пять", "шесть", "семь", "восемь", "девять", "десять",
    "одиннадцать", "двенадцать", "тринадцать", "четырнадцать", "пятнадцать", "шестнадцать",
    "семнадцать", "восемнадцать", "девятнадцать", "двадцать", "двадцать один", "двадцать два"};

const char *const kMonths[] = {"января", "февраля", "марта", "апреля", "мая", "июня",
                               "июля", "августа", "сентября", "октября", "ноября", "декабря"};

const char *const kNoFit = "\x01"; // the expected text of a value that does not fit

} // namespace

class tst_FieldFormat : public QObject
{
    Q_OBJECT
private slots:
    void split_data();
    void split();
    void known_data();
    void known();
    void knownList();
    void words_data();
    void words();
    void apply_data();
    void apply();
    void numberText_data();
    void numberText();
};

void tst_FieldFormat::split_data()
{
    QTest::addColumn<QString>("inner");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("format");
    QTest::newRow("plain") << "Сумма:прописью" << true << "Сумма" << "прописью";
    QTest::newRow("blanks trimmed") << " Сумма : рубли " << true << "Сумма" << "рубли";
    QTest::newRow("last colon") << "Срок:дней:прописью" << true << "Срок:дней" << "прописью";
    QTest::newRow("blanks in format kept") << "Сумма:сумма  и прописью" << true << "Сумма" << "сумма  и прописью";
    QTest::newRow("no format") << "Сумма:" << false << "" << "";
    QTest::newRow("blank format") << "Сумма:  " << false << "" << "";
    QTest::newRow("no field") << ":x" << false << "" << "";
    QTest::newRow("no colon") << "Сумма" << false << "" << "";
    QTest::newRow("empty") << "" << false << "" << "";
}

void tst_FieldFormat::split()
{
    QFETCH(QString, inner);
    QFETCH(bool, ok);
    QFETCH(QString, field);
    QFETCH(QString, format);
    QString gotField = QStringLiteral("old"), gotFormat = QStringLiteral("old");
    QCOMPARE(SplitFieldFormat(inner, gotField, gotFormat), ok);
    QCOMPARE(gotField, field);
    QCOMPARE(gotFormat, format);
}

void tst_FieldFormat::known_data()
{
    QTest::addColumn<QString>("format");
    QTest::addColumn<bool>("known");
    QTest::newRow("upper") << "ПРОПИСЬЮ" << true;
    QTest::newRow("mixed case") << "Сумма И Прописью" << true;
    QTest::newRow("runs of blanks") << "  сумма   и\tпрописью " << true;
    QTest::newRow("quoted date") << "«Дата»" << true;
    QTest::newRow("straight quotes") << "\"дата\"" << true;
    QTest::newRow("curly quotes") << "“дата”" << true;
    QTest::newRow("initials with blank") << "Фамилия И. О." << true;
    QTest::newRow("numeric date") << "ДД.ММ.ГГГГ" << true;
    QTest::newRow("blank removed") << "суммаи прописью" << false;
    QTest::newRow("unknown") << "проп" << false;
    QTest::newRow("column name") << "ФИО" << false;
    QTest::newRow("empty") << "" << false;
}

void tst_FieldFormat::known()
{
    QFETCH(QString, format);
    QFETCH(bool, known);
    QCOMPARE(IsKnownFieldFormat(format), known);
}

void tst_FieldFormat::knownList()
{
    const QStringList names = KnownFieldFormats();
    QCOMPARE(names.size(), 18);
    QVERIFY(names.contains(QStringLiteral("итого")));
    QVERIFY(names.contains(QStringLiteral("ПРОПИСНЫЕ")));
    QVERIFY(names.contains(QStringLiteral("«дата»")));
    for (const QString &name : names)
        QVERIFY2(IsKnownFieldFormat(name), qPrintable(name));
}

void tst_FieldFormat::words_data()
{
    QTest::addColumn<qint64>("n");
    QTest::addColumn<bool>("feminine");
    QTest::addColumn<QString>("text");
    for (int k = 0; k <= 22; ++k) {
        const QString small = QString::fromUtf8(kSmall[k]);
        QTest::addRow("%d", k) << qint64(k) << false << small;
        QTest::addRow("%d", 100 + k) << qint64(100 + k) << false
                                     << (k == 0 ? QStringLiteral("сто") : QStringLiteral("сто ") + small);
        QTest::addRow("%d", 1000 + k) << qint64(1000 + k) << false
                                      << (k == 0 ? QStringLiteral("одна тысяча") : QStringLiteral("одна тысяча ") + small);
    }
    const struct
    {
        qint64 n;
        bool feminine;
        const char *text;
    } rows[] = {
        {2000, false, "две тысячи"},
        {5000, false, "пять тысяч"},
        {11000, false, "одиннадцать тысяч"},
        {12000, false, "двенадцать тысяч"},
        {21000, false, "двадцать одна тысяча"},
        {22000, false, "двадцать две тысячи"},
        {1000000, false, "один миллион"},
        {2000000, false, "два миллиона"},
        {5000000, false, "пять миллионов"},
        {1000000000, false, "один миллиард"},
        {2000001000, false, "два миллиарда одна тысяча"},
        {1234567, false, "один миллион двести тридцать четыре тысячи пятьсот шестьдесят семь"},
        {999999999999, false,
         "девятьсот девяносто девять миллиардов девятьсот девяносто девять миллионов девятьсот девяносто "
         "девять тысяч девятьсот девяносто девять"},
        {1000000000000, false, "один триллион"},
        {-5, false, "минус пять"},
        {1, true, "одна"},
        {22, true, "двадцать две"},
        {0, true, "ноль"},
        {std::numeric_limits<qint64>::min(), false,
         "минус девять квинтиллионов двести двадцать три квадриллиона триста семьдесят два триллиона "
         "тридцать шесть миллиардов восемьсот пятьдесят четыре миллиона семьсот семьдесят пять тысяч "
         "восемьсот восемь"},
    };
    for (const auto &row : rows)
        QTest::addRow("%lld%s", qlonglong(row.n), row.feminine ? " feminine" : "")
            << row.n << row.feminine << QString::fromUtf8(row.text);
}

void tst_FieldFormat::words()
{
    QFETCH(qint64, n);
    QFETCH(bool, feminine);
    QFETCH(QString, text);
    QCOMPARE(NumberInWords(n, feminine), text);
}

void tst_FieldFormat::apply_data()
{
    QTest::addColumn<QString>("format");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("text"); // kNoFit: std::nullopt
    const struct
    {
        const char *format;
        const char *value;
        const char *text;
    } rows[] = {
        // прописью: whole numbers only
        {"прописью", "0", "ноль"},
        {"прописью", "2", "два"},
        {"прописью", "21", "двадцать один"},
        {"прописью", "1000", "одна тысяча"},
        {"прописью", "2000", "две тысячи"},
        {"прописью", "1000000", "один миллион"},
        {"прописью", "1 000 000", "один миллион"},
        {"прописью", "5,00", "пять"},
        {"прописью", "-5", "минус пять"},
        {"прописью", "-0", "ноль"},
        {"прописью", "5,5", kNoFit},
        {"прописью", "1000000000000", kNoFit},
        {"ПРОПИСЬЮ", " 7 ", "семь"},
        // рубли
        {"рубли", "1", "один рубль 00 копеек"},
        {"рубли", "2", "два рубля 00 копеек"},
        {"рубли", "5", "пять рублей 00 копеек"},
        {"рубли", "21", "двадцать один рубль 00 копеек"},
        {"рубли", "2000", "две тысячи рублей 00 копеек"},
        {"рубли", "1000000", "один миллион рублей 00 копеек"},
        {"рубли", "1234567,89",
         "один миллион двести тридцать четыре тысячи пятьсот шестьдесят семь рублей 89 копеек"},
        {"рубли", "0,00", "ноль рублей 00 копеек"},
        {"рубли", "0,01", "ноль рублей 01 копейка"},
        {"рубли", "0,02", "ноль рублей 02 копейки"},
        {"рубли", "0,05", "ноль рублей 05 копеек"},
        {"рубли", "0,11", "ноль рублей 11 копеек"},
        {"рубли", "0,21", "ноль рублей 21 копейка"},
        {"рубли", "0,994", "ноль рублей 99 копеек"},
        {"рубли", "0,995", "один рубль 00 копеек"},
        {"рубли", "1,005", "один рубль 01 копейка"},
        {"рубли", "1 234,5", "одна тысяча двести тридцать четыре рубля 50 копеек"},
        {"рубли", "1234.5", "одна тысяча двести тридцать четыре рубля 50 копеек"},
        {"рубли", "-5", "минус пять рублей 00 копеек"},
        {"рубли", "-0,001", "ноль рублей 00 копеек"},
        {"рубли", "999999999999,99",
         "девятьсот девяносто девять миллиардов девятьсот девяносто девять миллионов девятьсот девяносто "
         "девять тысяч девятьсот девяносто девять рублей 99 копеек"},
        {"рубли", "999999999999,995", kNoFit},
        {"рубли", "1000000000000", kNoFit},
        // сумма
        {"сумма", "150000", "150_000,00"},
        {"сумма", "1234567,5", "1_234_567,50"},
        {"сумма", "-1234567,5", "-1_234_567,50"},
        {"сумма", "999", "999,00"},
        {"сумма", "0,995", "1,00"},
        {"сумма", "1\u00A0234,5", "1_234,50"},
        {"сумма", "+12", "12,00"},
        {"сумма", "0", "0,00"},
        {"сумма", "12 345 678", "12_345_678,00"},
        {"сумма", "\u2212" "7,125", "-7,13"},
        {"сумма", "1.005", "1,01"},
        {"сумма", "-0,004", "0,00"},
        {"сумма", "\t12\n", "12,00"},
        {"сумма", "000000000000001,5", "1,50"},
        {"сумма", "999 999 999 999,994", "999_999_999_999,99"},
        {"сумма", "1 234 567 890 123", kNoFit},
        {"сумма", "1 234,", kNoFit},
        {" Сумма ", "5", "5,00"},
        {"сумма|итого", "5", "сумма/итого"},
        {"итого", "1234,5", "1_234,50"},
        {"прописью", "0001", "один"},
        {"прописью", "-0,00", "ноль"},
        {"прописью", "0000000000001000", "одна тысяча"},
        // сумма и прописью
        {"сумма и прописью", "150000", "150_000 (сто пятьдесят тысяч) рублей 00 копеек"},
        {"сумма и прописью", "1234567,89",
         "1_234_567 (один миллион двести тридцать четыре тысячи пятьсот шестьдесят семь) рублей 89 копеек"},
        {"Сумма И Прописью", "-5", "-5 (минус пять) рублей 00 копеек"},
        {"сумма и прописью", "21,01", "21 (двадцать один) рубль 01 копейка"},
        // values that are not numbers
        {"сумма", "", kNoFit},
        {"сумма", "  ", kNoFit},
        {"сумма", "abc", kNoFit},
        {"сумма", "12,3,4", kNoFit},
        {"сумма", "1e5", kNoFit},
        {"сумма", "12 34", kNoFit},
        {"сумма", "1234 567", kNoFit},
        {"сумма", "1 2345", kNoFit},
        {"сумма", "1  234", kNoFit},
        {"сумма", ",5", kNoFit},
        {"сумма", "5,", kNoFit},
        {"сумма", "- 5", kNoFit},
        {"сумма", "5 руб.", kNoFit},
        {"прописью", "", kNoFit},
        {"рубли", "пять", kNoFit},
        // dates
        {"дата", "15.03.2026", "15 марта 2026 г."},
        {"дата", "2026-03-15", "15 марта 2026 г."},
        {"дата", "05.03.2026", "5 марта 2026 г."},
        {"дата", "5.3.2026", "5 марта 2026 г."},
        {"дата", "15.03.2026 10:30", "15 марта 2026 г."},
        {"дата", "29.02.2024", "29 февраля 2024 г."},
        {"«дата»", "15.03.2026", "«15» марта 2026 г."},
        {"«дата»", "5.3.2026", "«05» марта 2026 г."},
        {"\"дата\"", "15.03.2026", "«15» марта 2026 г."},
        {"дд.мм.гггг", "2026-03-15", "15.03.2026"},
        {"дд.мм.гггг", "15.03.2026", "15.03.2026"},
        {"дд.мм.гггг", "5.3.2026", "05.03.2026"},
        {"дд.мм.гггг", "2026-03-15T10:30:00", "15.03.2026"},
        {"дата", "31.02.2026", kNoFit},
        {"дата", "29.02.2026", kNoFit},
        {"дата", "15.13.2026", kNoFit},
        {"дата", "15.03.26", kNoFit},
        {"дата", "2026-3-15", kNoFit},
        {"дата", "15.03.2026 25:00", kNoFit},
        {"дата", "15 марта 2026", kNoFit},
        {"дата", "", kNoFit},
        {"дд.мм.гггг", "1.1.0001", kNoFit},
        {"дата", "0999-12-31", kNoFit},
        {"дд.мм.гггг", "1.1.1000", "01.01.1000"},
        {"дата", " 01.12.2026 ", "1 декабря 2026 г."},
        {"дата", "31.12.9999", "31 декабря 9999 г."},
        {"дата", "00.03.2026", kNoFit},
        {"дата", "15.00.2026", kNoFit},
        {"дата", "01.01.0999", kNoFit},
        {"дата", "1a.03.2026", kNoFit},
        {"дата", "15-03-2026", kNoFit},
        {"дата", "15.03.2026г", kNoFit},
        {"дата", "\u0661\u0665.03.2026", kNoFit},
        {"«дата»", "29.02.2024", "«29» февраля 2024 г."},
        // letter case
        {"ПРОПИСНЫЕ", "ооо ромашка", "ООО РОМАШКА"},
        {"строчные", "ооо ромашка", "ооо ромашка"},
        {"строчные", "ООО Ромашка", "ооо ромашка"},
        {"Заглавная", "ооо ромашка", "Ооо ромашка"},
        {"заглавная", "ООО ромашка", "ООО ромашка"},
        {"Заглавная", "«ромашка»", "«Ромашка»"},
        {"Заглавная", "\U00010428\U00010428 ромашка", "\U00010400\U00010428 ромашка"},
        {"Заглавная", "1 \U0001E922", "1 \U0001E900"},
        {"ПРОПИСНЫЕ", "", ""},
        {"строчные", "", ""},
        {"Заглавная", "", ""},
        // names
        {"фамилия и.о.", "Иванов Иван Иванович", "Иванов И. И."},
        {"и.о. фамилия", "Иванов Иван Иванович", "И. И. Иванов"},
        {"фамилия и.о.", "Иванов Иван", "Иванов И."},
        {"и.о. фамилия", "Иванов Иван", "И. Иванов"},
        {"фамилия и.о.", "Петрова Анна-Мария Ивановна", "Петрова А.-М. И."},
        {"и.о. фамилия", "Петрова Анна-Мария Ивановна", "А.-М. И. Петрова"},
        {"фамилия и.о.", "  Иванов \u00A0 Иван\tИванович ", "Иванов И. И."},
        {"фамилия и.о.", "иванов иван иванович", "иванов И. И."},
        {"Фамилия И. О.", "Иванов И. И.", "Иванов И. И."},
        {"фамилия и.о.", "Алиев Гейдар Алирза оглы", "Алиев Г. А."},
        {"фамилия и.о.", " Иванов ", "Иванов"},
        {"фамилия и.о.", "Иванов Иван Иванович Петров", kNoFit},
        {"фамилия и.о.", "Иванов (Иван)", kNoFit},
        {"фамилия и.о.", "", kNoFit},
        // unknown format
        {"проп", "5", kNoFit},
        {"", "5", kNoFit},
    };
    for (const auto &row : rows)
        QTest::addRow("%s | %s", row.format, row.value)
            << QString::fromUtf8(row.format) << QString::fromUtf8(row.value)
            << (row.text == kNoFit ? QString::fromLatin1(kNoFit) : nb(row.text));
    for (int m = 1; m <= 12; ++m)
        QTest::addRow("дата | month %d", m) << QStringLiteral("дата") << QStringLiteral("01.%1.2026").arg(m, 2, 10, QLatin1Char('0'))
                                         << QStringLiteral("1 %1 2026 г.").arg(QString::fromUtf8(kMonths[m - 1]));
}

void tst_FieldFormat::apply()
{
    QFETCH(QString, format);
    QFETCH(QString, value);
    QFETCH(QString, text);
    const std::optional<QString> result = ApplyFieldFormat(format, value);
    if (text == QLatin1String(kNoFit))
        QVERIFY2(!result, qPrintable(result.value_or(QString())));
    else
        QCOMPARE(result.value_or(QStringLiteral("<does not fit>")), text);
}

// Numbers read for totals and comparisons, and the text a total is formatted from.
void tst_FieldFormat::numberText_data()
{
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("text"); // kNoFit: no number
    const struct
    {
        const char *value;
        const char *text;
    } rows[] = {
        {"12", "12"},
        {"1055,5", "1055,5"},
        {"1 234,500", "1234,5"},
        {"-3,25", "-3,25"},
        {"0,1", "0,1"},
        {"-0,000001", "-0,000001"},
        {"1,0000005", "1,000001"},
        {"0,0000004", "0"},
        {"999 999 999 999,999999", "999999999999,999999"},
        {"abc", kNoFit},
        {"", kNoFit},
        {"1000000000000", kNoFit},
    };
    for (const auto &row : rows)
        QTest::addRow("%s", row.value) << QString::fromUtf8(row.value) << QString::fromUtf8(row.text);
}

void tst_FieldFormat::numberText()
{
    QFETCH(QString, value);
    QFETCH(QString, text);
    const std::optional<qint64> micro = ReadFieldNumber(value);
    if (text == QLatin1String(kNoFit))
        QVERIFY(!micro);
    else
        QCOMPARE(micro ? FieldNumberText(*micro) : QStringLiteral("<no number>"), text);
}

QTEST_GUILESS_MAIN(tst_FieldFormat)
#include "tst_FieldFormat.moc"
