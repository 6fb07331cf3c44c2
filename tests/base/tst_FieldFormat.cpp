// The value formats of placeholders: "[Поле:формат]".
#include "base/FieldFormat.h"

#include <QHash>
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

QString expectedText(const char *text)
{
    return text == kNoFit ? QString::fromLatin1(kNoFit) : nb(text);
}

// One format applied to a value, and the text it gives (kNoFit: std::nullopt); "_" in a text
// is the no-break space between digit groups.
struct FormatRow
{
    const char *format;
    const char *value;
    const char *text;
};

const FormatRow kFormatRows[] = {
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
    {"рубли", "-2,02", "минус два рубля 02 копейки"},
    {"рубли", "111,14", "сто одиннадцать рублей 14 копеек"},
    {"Рубли", "3,99", "три рубля 99 копеек"},
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
    // сумма: every length of the roubles' digits, rounding and its carry, signs, the limit
    {"сумма", "1", "1,00"},
    {"сумма", "12", "12,00"},
    {"сумма", "123", "123,00"},
    {"сумма", "1234", "1_234,00"},
    {"сумма", "12345", "12_345,00"},
    {"сумма", "123456", "123_456,00"},
    {"сумма", "1234567", "1_234_567,00"},
    {"сумма", "999999999999", "999_999_999_999,00"},
    {"сумма", "0,005", "0,01"},
    {"сумма", "0,0049999", "0,00"},
    {"сумма", "-0,005", "-0,01"},
    {"сумма", "+0,005", "0,01"},
    {"сумма", "-0", "0,00"},
    {"сумма", "99,995", "100,00"},
    {"сумма", "999,995", "1_000,00"},
    {"сумма", "-999 999,999", "-1_000_000,00"},
    {"сумма", "0,1", "0,10"},
    {"сумма", "7,09", "7,09"},
    {"сумма", "999 999 999 999,995", kNoFit},
    {"сумма", "-999 999 999 999,995", kNoFit},
    {"сумма", "-999 999 999 999,99", "-999_999_999_999,99"},
    {"сумма", "1 234,5", "1_234,50"},
    {"СУММА", "5", "5,00"},
    {"сумма ", "5", "5,00"},
    {"суммa", "5", kNoFit}, // a Latin "a"
    {"итого", "-1055,5", "-1_055,50"},
    {"итого", "0,995", "1,00"},
    {"итого", "", kNoFit},
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
    {"сумма и прописью", "-0,004", "0 (ноль) рублей 00 копеек"},
    {"сумма и прописью", "999,995", "1_000 (одна тысяча) рублей 00 копеек"},
    {"сумма и прописью", "-1002,02", "-1_002 (минус одна тысяча два) рубля 02 копейки"},
    {"сумма и прописью", "999999999999,99",
     "999_999_999_999 (девятьсот девяносто девять миллиардов девятьсот девяносто девять миллионов "
     "девятьсот девяносто девять тысяч девятьсот девяносто девять) рублей 99 копеек"},
    {"сумма и прописью", "1000000000000", kNoFit},
    {"сумма  и\tпрописью", "11,11", "11 (одиннадцать) рублей 11 копеек"},
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
    {"«дата»", "2026-12-01 23:59:59", "«01» декабря 2026 г."},
    {"„дата“", "1.1.2026", "«01» января 2026 г."},
    {"ДАТА", "31.12.1000", "31 декабря 1000 г."},
    {"дд.мм.гггг", "31.12.9999", "31.12.9999"},
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
    void chains_data();
    void chains();
    void chainReused();
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
    for (const FormatRow &row : kFormatRows)
        QTest::addRow("%s | %s", row.format, row.value)
            << QString::fromUtf8(row.format) << QString::fromUtf8(row.value) << expectedText(row.text);
    for (int m = 1; m <= 12; ++m)
        QTest::addRow("дата | month %d", m) << QStringLiteral("дата") << QStringLiteral("01.%1.2026").arg(m, 2, 10, QLatin1Char('0'))
                                         << QStringLiteral("1 %1 2026 г.").arg(QString::fromUtf8(kMonths[m - 1]));
}

void tst_FieldFormat::apply()
{
    QFETCH(QString, format);
    QFETCH(QString, value);
    QFETCH(QString, text);
    const std::optional<QString> expected = text == QLatin1String(kNoFit) ? std::nullopt : std::optional(text);
    QCOMPARE(ApplyFieldFormat(format, value), expected);
    // A chain read once gives the same, and again for the same value.
    const FieldFormatChain chain(QStringList{format});
    QCOMPARE(chain.apply(value), expected);
    QCOMPARE(chain.apply(value), expected);
}

// Formats applied in turn, by name on every value and by a chain read once; untold as a case or
// a gender word reports it.
void tst_FieldFormat::chains_data()
{
    QTest::addColumn<QStringList>("formats");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("text"); // kNoFit: std::nullopt
    QTest::addColumn<bool>("untold");
    const QString noFit = QString::fromLatin1(kNoFit);
    QTest::newRow("none") << QStringList{} << " 5 " << " 5 " << false;
    QTest::newRow("total, amount and words") << QStringList{"итого", "сумма и прописью"} << "1055,5"
                                             << nb("1_055 (одна тысяча пятьдесят пять) рублей 50 копеек") << false;
    QTest::newRow("amount read again") << QStringList{"сумма", "Сумма"} << "-1234,565" << nb("-1_234,57") << false;
    QTest::newRow("amount, capitals") << QStringList{"сумма", "ПРОПИСНЫЕ"} << "12" << "12,00" << false;
    QTest::newRow("words, capital") << QStringList{"прописью", " заглавная "} << "21" << "Двадцать один" << false;
    QTest::newRow("amount, then words does not fit") << QStringList{"сумма", "прописью"} << "5,5" << noFit << false;
    QTest::newRow("amount, then words") << QStringList{"сумма", "прописью"} << "1000" << "одна тысяча" << false;
    QTest::newRow("date, then numeric date") << QStringList{"дд.мм.гггг", "ДАТА"} << "2026-03-05" << "5 марта 2026 г." << false;
    QTest::newRow("date written in words does not fit a date") << QStringList{"дата", "дата"} << "05.03.2026" << noFit << false;
    QTest::newRow("unknown first") << QStringList{"проп", "сумма"} << "5" << noFit << false;
    QTest::newRow("unknown last") << QStringList{"сумма", "суммы"} << "5" << noFit << false;
    QTest::newRow("empty name") << QStringList{"сумма", ""} << "5" << noFit << false;
    QTest::newRow("bar but no gender word") << QStringList{"сумма|"} << "5" << noFit << false;
    QTest::newRow("blanks and case in names") << QStringList{" Сумма  И Прописью ", "строчные"} << "2"
                                              << "2 (два) рубля 00 копеек" << false;
    QTest::newRow("case untold, then initials") << QStringList{"родительный", "фамилия и.о."} << "Мельник Саша Ли"
                                                << "Мельник С. Л." << true;
    QTest::newRow("case told, then capitals") << QStringList{"кому", "ПРОПИСНЫЕ"} << "Кузнецова Елена Викторовна"
                                              << "КУЗНЕЦОВОЙ ЕЛЕНЕ ВИКТОРОВНЕ" << false;
    QTest::newRow("gender word untold, then capital") << QStringList{"уважаемый|уважаемая", "Заглавная"} << "Мельник Саша"
                                                      << "Уважаемый/уважаемая" << true;
    QTest::newRow("untold, then a format that does not fit") << QStringList{"родительный", "сумма"} << "Мельник Саша"
                                                             << noFit << true;
}

void tst_FieldFormat::chains()
{
    QFETCH(QStringList, formats);
    QFETCH(QString, value);
    QFETCH(QString, text);
    QFETCH(bool, untold);
    const std::optional<QString> expected = text == QLatin1String(kNoFit) ? std::nullopt : std::optional(text);
    bool byName = !untold;
    QCOMPARE(ApplyFieldFormats(formats, value, &byName), expected);
    QCOMPARE(byName, untold);
    const FieldFormatChain chain(formats);
    QCOMPARE(chain.isEmpty(), formats.isEmpty());
    for (int round = 0; round < 2; ++round) {
        bool prepared = !untold;
        QCOMPARE(chain.apply(value, &prepared), expected);
        QCOMPARE(prepared, untold);
        QCOMPARE(chain.apply(value), expected);
    }
}

// One chain per format, read once and then given every value of the table in turn, as a line
// field's chain is given the values of every record: no value changes what the next gives.
void tst_FieldFormat::chainReused()
{
    QHash<QString, FieldFormatChain> chains;
    for (const FormatRow &row : kFormatRows) {
        const QString format = QString::fromUtf8(row.format);
        if (!chains.contains(format))
            chains.insert(format, FieldFormatChain(QStringList{format}));
    }
    for (int round = 0; round < 2; ++round) {
        for (const FormatRow &row : kFormatRows) {
            const QString text = expectedText(row.text);
            const std::optional<QString> result = chains.value(QString::fromUtf8(row.format)).apply(QString::fromUtf8(row.value));
            QVERIFY2(result == (text == QLatin1String(kNoFit) ? std::nullopt : std::optional(text)),
                     qPrintable(QStringLiteral("%1 | %2: %3").arg(QString::fromUtf8(row.format), QString::fromUtf8(row.value),
                                                                   result.value_or(QStringLiteral("<does not fit>")))));
        }
    }
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
        {"-999 999 999 999,999999", "-999999999999,999999"},
        {"0", "0"},
        {"-0", "0"},
        {"-0,5", "-0,5"},
        {"1000000", "1000000"},
        {"10,010010", "10,01001"},
        {"7,000001", "7,000001"},
        {"-12,3400000", "-12,34"},
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
