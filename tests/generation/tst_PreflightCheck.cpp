// The check before a run: each finding and each suggestion over small templates and tables made
// in a temporary folder, and the pieces it is built from.
#include "DocxFixture.h"
#include "OdtFixture.h"
#include "TestFiles.h"
#include "generation/BracketProblems.h"

#include "generation/FieldMatch.h"
#include "generation/PreflightCheck.h"
#include "generation/TemplateContent.h"
#include "settings/Settings.h"
#include "zip/ZipWriter.h"

#include <QDir>
#include <QElapsedTimer>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

using namespace dokrava;

namespace {

const QString kW = QStringLiteral("предупреждение\t");
const QString kE = QStringLiteral("ошибка\t");
const QString kN = QStringLiteral("замечание\t");

// Word paragraphs from lines.
QString wordParagraphs(const QString &lines)
{
    if (lines.isEmpty())
        return QString();
    QString xml;
    for (const QString &line : lines.split(QLatin1Char('\n')))
        xml += DocxFixture::para(line);
    return xml;
}

// Writes one template from "entry|body|header|footer": ".odt" bodies are paragraph XML (lines
// become paragraphs), ".docx" parts are lines of paragraphs; a body "bytes:TEXT" writes TEXT as
// the whole file; "nodocument" writes a ZIP package without a Word main part. "\\|" is a "|"
// inside a part (gender words).
void writeTemplate(const QString &folder, const QString &layout)
{
    static const QRegularExpression bar(QStringLiteral("(?<!\\\\)\\|"));
    QStringList parts = layout.split(bar);
    for (QString &part : parts)
        part.replace(QStringLiteral("\\|"), QStringLiteral("|"));
    const QString entry = parts.value(0);
    const QString body = parts.value(1);
    const QString path = folder + QLatin1Char('/') + entry;
    QDir().mkpath(QFileInfo(path).absolutePath());
    if (body.startsWith(QLatin1String("bytes:"))) {
        TestFiles::writeBytes(path, body.mid(6).toUtf8());
    } else if (body == QLatin1String("nodocument")) {
        ZipWriter zip(path);
        zip.addData(QStringLiteral("readme.txt"), "no document here", ZipWriter::Deflated);
        zip.close();
    } else if (entry.endsWith(QLatin1String(".odt"))) {
        QString text = body;
        text.replace(QLatin1Char('\n'), QLatin1String("</text:p><text:p>"));
        OdtFixture::write(path, text);
    } else {
        DocxFixture::write(path, wordParagraphs(body), wordParagraphs(parts.value(2)), wordParagraphs(parts.value(3)));
    }
}

// The inputs of a run over templates written into dir and a table of ";"-separated lines (the
// header row first). Options, separated by ";": "current=N" (single-record mode at row N; else
// every record is marked), "marks=1,3" (only these), "naming=N" (column; 1 when absent), "mode=1",
// "pdf", "converter", "colontit", "personal=A,B" (a replace.ini with these fields), "unread=5,12"
// (the load stopped at row 5 with 12 rows below unread).
TGenerationInput makeInput(const QTemporaryDir &dir, const QStringList &templates, const QStringList &table,
                           const QString &options)
{
    TGenerationInput in;
    const QString folder = dir.filePath(QStringLiteral("t"));
    QDir().mkpath(folder);
    for (const QString &layout : templates) {
        writeTemplate(folder, layout);
        in.templates.append(QDir::toNativeSeparators(layout.section(QLatin1Char('|'), 0, 0)));
    }
    in.templatesDir = folder + QDir::separator();
    for (const QString &line : table)
        in.grid.rows.append(line.split(QLatin1Char(';')));
    in.severalRecords = true;
    for (int r = 0; r < in.grid.rows.size(); ++r)
        in.grid.marks.append(r > 0);
    in.namingColumn = 1;
    in.outputRoot = dir.filePath(QStringLiteral("docum"));
    in.personalFieldsFile = dir.filePath(QStringLiteral("replace.ini"));
    for (const QString &option : options.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        const QString key = option.section(QLatin1Char('='), 0, 0);
        const QString value = option.section(QLatin1Char('='), 1);
        if (key == QLatin1String("current")) {
            in.severalRecords = false;
            in.grid.currentRow = value.toInt();
        } else if (key == QLatin1String("marks")) {
            for (int r = 0; r < in.grid.marks.size(); ++r)
                in.grid.marks[r] = value.split(QLatin1Char(',')).contains(QString::number(r));
        } else if (key == QLatin1String("naming")) {
            in.namingColumn = value.toInt();
        } else if (key == QLatin1String("mode")) {
            in.namingMode = value.toInt();
        } else if (key == QLatin1String("pdf")) {
            in.settings.FormatFile = 0;
        } else if (key == QLatin1String("converter")) {
            in.converter = dir.filePath(QStringLiteral("soffice")); // never started by the check
        } else if (key == QLatin1String("colontit")) {
            in.settings.Colontit = true;
        } else if (key == QLatin1String("unread")) {
            in.unreadRows = {value.section(QLatin1Char(','), 0, 0).toInt(), value.section(QLatin1Char(','), 1).toInt()};
        } else if (key == QLatin1String("personal")) {
            TPersonalFields fields;
            for (const QString &name : value.split(QLatin1Char(',')))
                fields.append({name, QStringLiteral("1")});
            WritePersonalFieldsFile(in.personalFieldsFile, fields);
        }
    }
    return in;
}

QStringList lines(const QList<TFinding> &findings)
{
    QStringList out;
    for (const TFinding &f : findings)
        out.append(FindingLine(f));
    return out;
}

// An expected line ending in "*" matches every line that starts with the rest.
bool sameLines(const QStringList &got, const QStringList &expected)
{
    if (got.size() != expected.size())
        return false;
    for (int i = 0; i < got.size(); ++i) {
        const QString &e = expected[i];
        if (e.endsWith(QLatin1Char('*')) ? !got[i].startsWith(e.chopped(1)) : got[i] != e)
            return false;
    }
    return true;
}

} // namespace

class tst_PreflightCheck : public QObject
{
    Q_OBJECT
private slots:
    void findings_data();
    void findings();
    void editDistance_data();
    void editDistance();
    void probableName_data();
    void probableName();
    void bracketProblems_data();
    void bracketProblems();
    void textAround_data();
    void textAround();
    void odtParagraphs();
    void findingLinesAndReport();
    void fiftyTemplatesTenThousandRecords();
};

void tst_PreflightCheck::findings_data()
{
    QTest::addColumn<QStringList>("templates");
    QTest::addColumn<QStringList>("table");
    QTest::addColumn<QString>("options");
    QTest::addColumn<QStringList>("expected");

    const QStringList people{QStringLiteral("ФИО;Город"), QStringLiteral("Иванов;Москва"),
                             QStringLiteral("Петров;Казань")};

    // A clean set: every field has its column, every column is used, names are unique.
    QTest::newRow("clean set")
        << QStringList{"Договор.docx|[ФИО] из г. [город]|[ФИО]|[Город]", "Письмо.odt|[ФИО]\n[Город]"} << people
        << "colontit;personal=Менеджер" << QStringList{};
    QTest::newRow("clean: .odt trims blanks inside the brackets")
        << QStringList{"Письмо.odt|[ ФИО ] из [Город ]"} << people << "" << QStringList{};
    QTest::newRow("clean: a personal field fills a Word template")
        << QStringList{"Договор.docx|[ФИО], [Город], [менеджер]"} << people << "personal=Менеджер" << QStringList{};

    // Fields without a column, and the column they probably mean.
    QTest::newRow(".odt: letter case counts")
        << QStringList{"Письмо.odt|[фио] из [Город]"} << people << "naming=2"
        << QStringList{kW + "Письмо.odt\tПоле [фио] не найдено среди колонок таблицы: в документах останется «[фио]»; "
                            "возможно, [ФИО] (в шаблонах .odt регистр букв учитывается)",
                       kN + "таблица\tКолонка «ФИО» не используется ни одним выбранным шаблоном"};
    QTest::newRow("Word: spaces inside the brackets count")
        << QStringList{"Договор.docx|[ФИО ] из [Город]"} << people << "naming=2"
        << QStringList{kW + "Договор.docx\tПоле [ФИО ] не найдено среди колонок таблицы: в документах останется «[ФИО ]»; возможно, [ФИО]",
                       kN + "таблица\tКолонка «ФИО» не используется ни одним выбранным шаблоном"};
    QTest::newRow(".odt: spaces inside the name")
        << QStringList{"Письмо.odt|[Дата  рождения]"} << QStringList{"Дата рождения", "01.01.2000"} << ""
        << QStringList{kW + "Письмо.odt\tПоле [Дата  рождения] не найдено среди колонок таблицы: в документах останется "
                            "«[Дата  рождения]»; возможно, [Дата рождения]"};
    QTest::newRow("one letter dropped")
        << QStringList{"Договор.docx|[Должнсть]"} << QStringList{"ФИО;Должность", "Иванов;директор"} << ""
        << QStringList{kW + "Договор.docx\tПоле [Должнсть] не найдено среди колонок таблицы: в документах останется «[Должнсть]»; "
                            "возможно, [Должность]",
                       kN + "таблица\tКолонка «Должность» не используется ни одним выбранным шаблоном"};
    QTest::newRow("two letters swapped")
        << QStringList{"Письмо.odt|[Оргнаизация]"} << QStringList{"ФИО;Организация", "Иванов;ООО"} << ""
        << QStringList{kW + "Письмо.odt\tПоле [Оргнаизация] не найдено среди колонок таблицы: в документах останется "
                            "«[Оргнаизация]»; возможно, [Организация]",
                       kN + "таблица\tКолонка «Организация» не используется ни одним выбранным шаблоном"};
    QTest::newRow("two edits still suggest")
        << QStringList{"Письмо.odt|[Дта рожденя]"} << QStringList{"Дата рождения", "01.01.2000"} << ""
        << QStringList{kW + "Письмо.odt\tПоле [Дта рожденя] не найдено среди колонок таблицы: в документах останется "
                            "«[Дта рожденя]»; возможно, [Дата рождения]"};
    QTest::newRow("three edits suggest nothing")
        << QStringList{"Письмо.odt|[Дт рожденя]"} << QStringList{"Дата рождения", "01.01.2000"} << ""
        << QStringList{kW + "Письмо.odt\tПоле [Дт рожденя] не найдено среди колонок таблицы: в документах останется «[Дт рожденя]»"};
    QTest::newRow("short names get no guess")
        << QStringList{"Письмо.odt|[Им]"} << QStringList{"Имя", "Иван"} << ""
        << QStringList{kW + "Письмо.odt\tПоле [Им] не найдено среди колонок таблицы: в документах останется «[Им]»"};
    QTest::newRow("a tie goes to the first column")
        << QStringList{"Письмо.odt|[Сумма3] [Сумма1] [Сумма2]"} << QStringList{"Сумма1;Сумма2", "1;2"} << ""
        << QStringList{kW + "Письмо.odt\tПоле [Сумма3] не найдено среди колонок таблицы: в документах останется «[Сумма3]»; "
                            "возможно, [Сумма1]"};
    QTest::newRow("Word: without replace.ini a personal field stays")
        << QStringList{"Договор.docx|[ФИО] [Город] [Менеджер]"} << people << ""
        << QStringList{kW + "Договор.docx\tПоле [Менеджер] не найдено среди колонок таблицы: в документах останется «[Менеджер]»"};
    QTest::newRow("Word: a misspelled personal field")
        << QStringList{"Договор.docx|[ФИО] [Город] [Менджер]"} << people << "personal=Менеджер"
        << QStringList{kW + "Договор.docx\tПоле [Менджер] не найдено ни среди колонок таблицы, ни среди личных полей: "
                            "в документах останется «[Менджер]»; возможно, [Менеджер]"};
    QTest::newRow(".odt: personal fields are not filled")
        << QStringList{"Письмо.odt|[ФИО] [Город] [Менеджер]"} << people << "personal=Менеджер"
        << QStringList{kW + "Письмо.odt\tПоле [Менеджер] не найдено среди колонок таблицы (личные поля в шаблонах .odt не "
                            "заменяются): в документах останется «[Менеджер]»"};

    // Fields with formats: the field must have its column, the format must be known, and the
    // values of the chosen records must fit it.
    const QStringList amounts{QStringLiteral("ФИО;Сумма"), QStringLiteral("Иванов Иван;100"),
                              QStringLiteral("Петров Пётр;сто"), QStringLiteral("Сидоров;1,5")};
    QTest::newRow("clean: fields with formats, a column named with a colon")
        << QStringList{"Договор.docx|[ФИО:фамилия и.о.] [сумма:Прописью] [Срок:дней]", "Письмо.odt|[ФИО:ПРОПИСНЫЕ] [Сумма:рубли]"}
        << QStringList{"ФИО;Сумма;Срок:дней", "Иванов Иван;100;30"} << "" << QStringList{};
    // The template language: lines make a document of each group, markers are no fields.
    const QStringList lines{"Номер;Товар;Сумма;Телефон", "1;Стол;10;", "2;Стул;5,5;+7", "1;Лампа;x;", "2 ;Шкаф;1;+7"};
    QTest::newRow("lines: records make fewer documents, names count groups")
        << QStringList{"Счёт.odt|[Номер]: [*Товар] [*Сумма:сумма] [если Телефон][Телефон][/если] [Сумма:итого]"} << lines << ""
        << QStringList{kW + "Счёт.odt\tЗначения колонки «Сумма» не подходят для формата «итого» (запись 3)*",
                       kN + "Счёт.odt\t4 записи дают 2 документа"};
    // A template without lines makes a document of each record, whose names do meet; a template
    // with an error makes none, and the names count the groups of the others.
    QTest::newRow("lines: a mixed set, the template without lines names each record")
        << QStringList{"Счёт.odt|[Номер]: [*Товар]", "Письмо.odt|[Номер] [Телефон] [Товар] [Сумма]"} << lines << ""
        << QStringList{kW + "записи 1, 3\tОдинаковое значение «1» в колонке «Номер»: файлы получат суффиксы « (2)», « (3)»…",
                       kW + "записи 2, 4\tЗначения «2», «2 » в колонке «Номер» дают одно имя файла: файлы получат "
                            "суффиксы « (2)», « (3)»…",
                       kN + "Счёт.odt\t4 записи дают 2 документа"};
    QTest::newRow("lines: a mixed set, a template with an error makes no names")
        << QStringList{"Счёт.odt|[Номер]: [*Товар] [*Сумма] [Телефон]", "Акт.odt|[Номер] [если Телефон]"} << lines << ""
        << QStringList{kE + "Акт.odt\tОшибка в шаблоне: не закрыт блок [если Телефон], абзац «[Номер] [если Телефон]»: "
                            "документы по нему не будут созданы",
                       kN + "Счёт.odt\t4 записи дают 2 документа"};
    QTest::newRow("lines: groups that differ only in letter case or blanks")
        << QStringList{"Счёт.docx|[Телефон]: [*Товар]"} << QStringList{"Телефон;Товар", "+7 900;a", "+7  900;b", "+7 901;c"}
        << "naming=2"
        << QStringList{kW + "Счёт.docx\tЗаписи 1 и 2 попадают в разные документы, хотя их значения различаются только "
                            "регистром букв или пробелами: возможно, одна группа",
                       kN + "Счёт.docx\t3 записи дают 3 документа"};
    QTest::newRow("lines: a template error")
        << QStringList{"Счёт.odt|[если Телефон]Тел.: [Телефон]\n[*Товар]"} << lines << "naming=2"
        << QStringList{kE + "Счёт.odt\tОшибка в шаблоне: не закрыт блок [если Телефон], абзац «[если Телефон]Тел.: [Телефон]»: "
                            "документы по нему не будут созданы",
                       kN + "таблица\tКолонка «Номер» не используется ни одним выбранным шаблоном",
                       kN + "таблица\tКолонка «Сумма» не используется ни одним выбранным шаблоном"};
    QTest::newRow("lines: a line field without a column")
        << QStringList{"Акт.docx|[Номер] [*Товар] [*Цвет] [*№]"} << lines << ""
        << QStringList{kW + "Акт.docx\tПоле строки [*Цвет] не найдено среди колонок таблицы: в документах останется «[*Цвет]»",
                       kN + "Акт.docx\t4 записи дают 2 документа",
                       kN + "таблица\tКолонка «Сумма» не используется ни одним выбранным шаблоном",
                       kN + "таблица\tКолонка «Телефон» не используется ни одним выбранным шаблоном"};
    QTest::newRow("lines: a comparison of numbers with a value that is no number")
        << QStringList{"Письмо.odt|[Номер] [если Сумма &gt; 5]много[/если]"} << lines << "naming=2"
        << QStringList{kW + "Письмо.odt\tВ условии [если Сумма > 5] сравниваются числа, но значения колонки «Сумма» — не числа "
                            "(запись 3): в этих документах блок будет убран целиком",
                       kN + "таблица\tКолонка «Телефон» не используется ни одним выбранным шаблоном"};
    QTest::newRow("an unknown format")
        << QStringList{"Письмо.odt|[ФИО] [Сумма:римскими]"} << amounts << "marks=1"
        << QStringList{kW + "Письмо.odt\tНеизвестный формат «римскими» в поле [Сумма:римскими]: в документах останется «[Сумма:римскими]»"};
    QTest::newRow("values that do not fit, chosen records only")
        << QStringList{"Договор.docx|[ФИО] [Сумма:прописью] [ФИО:фамилия и.о.]"} << amounts << "marks=1,2,3"
        << QStringList{kW + "Договор.docx\tЗначения колонки «Сумма» не подходят для формата «прописью» (записи 2, 3): "
                            "в этих документах останется «[Сумма:прописью]»"};
    QTest::newRow(".odt: the field of a format is matched exactly")
        << QStringList{"Письмо.odt|[ФИО] [сумма:рубли]"} << amounts << "marks=1"
        << QStringList{kW + "Письмо.odt\tПоле [сумма:рубли] не найдено среди колонок таблицы: в документах останется «[сумма:рубли]»*",
                       kN + "таблица\tКолонка «Сумма» не используется ни одним выбранным шаблоном"};
    QTest::newRow("quotes of the format and the value are not doubled")
        << QStringList{"Письмо.odt|[ФИО] [Сумма:«дата»] [ФИО:«римскими»]"} << amounts << "marks=1"
        << QStringList{kW + "Письмо.odt\tНеизвестный формат „«римскими»“ в поле [ФИО:«римскими»]: в документах останется "
                            "„[ФИО:«римскими»]“",
                       kW + "Письмо.odt\tЗначения колонки «Сумма» не подходят для формата „«дата»“ (запись 1): в этих "
                            "документах останется „[Сумма:«дата»]“"};
    // Cases and gender words: the values whose gender or form cannot be told are written as they
    // are, and the check says which records they are in.
    const QStringList persons{QStringLiteral("ФИО;Должность;Пол"), QStringLiteral("Сидоров Пётр Алексеевич;директор;м"),
                              QStringLiteral("Иванова;главный бухгалтер;ж"), QStringLiteral("Мельник Саша;и.о. директора;ж")};
    QTest::newRow("cases and gender words that cannot be told, chosen records only")
        << QStringList{"Договор.docx|[ФИО:родительный:фамилия и.о.], [фио:именуемый\\|именуемая] [Должность:кого] [Пол]"}
        << persons << "marks=1,2,3"
        << QStringList{kW + "Договор.docx\tПо значениям колонки «ФИО» не удаётся определить пол или падеж для формата "
                            "«родительный:фамилия и.о.» (записи 2, 3): в этих документах значение будет записано как есть",
                       kW + "Договор.docx\tПо значениям колонки «ФИО» не удаётся определить пол или падеж для формата "
                            "«именуемый|именуемая» (записи 2, 3): в этих документах будут записаны оба слова через «/»",
                       kW + "Договор.docx\tПо значениям колонки «Должность» не удаётся определить пол или падеж для формата "
                            "«кого» (запись 3): в этих документах значение будет записано как есть"};
    QTest::newRow("clean: a gender column, and a column named as a field with a case")
        << QStringList{"Письмо.odt|[Пол:Уважаемый\\|Уважаемая] [ФИО:родительный] [ФИО] [Должность:дательный]"}
        << QStringList{"ФИО;ФИО:родительный;Пол;Должность", "Иванова;Ивановой;ж;директор"} << "" << QStringList{};
    QTest::newRow("a chain with an unknown format")
        << QStringList{"Письмо.odt|[ФИО:родительный:римскими] [Должность] [Пол]"} << persons << "marks=1"
        << QStringList{kW + "Письмо.odt\tНеизвестный формат «римскими» в поле [ФИО:родительный:римскими]: в документах "
                            "останется «[ФИО:родительный:римскими]»"};
    QTest::newRow("Word: a personal field with a format")
        << QStringList{"Договор.docx|[ФИО] [Сумма] [Менеджер:дата]"} << amounts << "marks=1;personal=Менеджер"
        << QStringList{kW + "Договор.docx\tЗначение личного поля «1» не подходит для формата «дата»: в документах останется «[Менеджер:дата]»"};

    // Broken placeholders, with the paragraph around them.
    QTest::newRow("Word: brackets")
        << QStringList{"Договор.docx|Уважаемый [ФИО, добрый день\n[Город]] и [[ФИО]]\nпусто: [] и [ ]"} << people << ""
        << QStringList{kW + "Договор.docx\tСкобка «[» не закрыта до конца абзаца: «Уважаемый [ФИО, добрый день»",
                       kW + "Договор.docx\tСкобка «]» без открывающей «[»: «[Город]] и [[ФИО]]»",
                       kW + "Договор.docx\tДвойная скобка «[[»: «[Город]] и [[ФИО]]»",
                       kW + "Договор.docx\tПустое поле «[]»: «пусто: [] и [ ]»",
                       kW + "Договор.docx\tПустое поле «[]»: «пусто: [] и [ ]»"};
    QTest::newRow(".odt: brackets, a long paragraph cut around the spot")
        << QStringList{"Письмо.odt|[ФИО] [Город] " + QString(40, QLatin1Char('a')) + " [[ФИО] " + QString(40, QLatin1Char('b'))}
        << people << ""
        << QStringList{kW + "Письмо.odt\tДвойная скобка «[[»: «…" + QString(28, QLatin1Char('a')) + " [[ФИО] "
                            + QString(22, QLatin1Char('b')) + "…»"};
    // An unclosed "[" hides no field: not the next one in its paragraph, not one in the next.
    QTest::newRow(".odt: a bracket left open")
        << QStringList{"Письмо.odt|[Дата [ФИО]\n[ Город ] [Фамилия без скобки\nЛишняя скобка]"} << people << ""
        << QStringList{kW + "Письмо.odt\tСкобка «[» не закрыта до конца абзаца: «[Дата [ФИО]»",
                       kW + "Письмо.odt\tСкобка «[» не закрыта до конца абзаца: «[ Город ] [Фамилия без скобки»",
                       kW + "Письмо.odt\tСкобка «]» без открывающей «[»: «Лишняя скобка]»"};
    QTest::newRow("Word: a bracket left open")
        << QStringList{"Договор.docx|[Дата [ФИО]\n[Город] [Фамилия без скобки\nЛишняя скобка]"} << people << ""
        << QStringList{kW + "Договор.docx\tСкобка «[» не закрыта до конца абзаца: «[Дата [ФИО]»",
                       kW + "Договор.docx\tСкобка «[» не закрыта до конца абзаца: «[Город] [Фамилия без скобки»",
                       kW + "Договор.docx\tСкобка «]» без открывающей «[»: «Лишняя скобка]»"};
    QTest::newRow("more than ten broken spots are counted")
        << QStringList{"Письмо.odt|[ФИО] [Город] " + QString(12, QLatin1Char(']'))} << people << ""
        << QStringList(10, kW + "Письмо.odt\tСкобка «]» без открывающей «[»: «[ФИО] [Город] ]]]]]]]]]]]]»")
               + QStringList{kW + "Письмо.odt\tИ ещё 2 мест с непарными или пустыми скобками"};

    // Columns.
    QTest::newRow("a column no template uses; the naming column is not one")
        << QStringList{"Письмо.odt|[Город]"} << QStringList{"ФИО;Телефон;Город", "Иванов;1;Москва"} << ""
        << QStringList{kN + "таблица\tКолонка «Телефон» не используется ни одним выбранным шаблоном"};
    QTest::newRow("two columns of one name end an .odt run")
        << QStringList{"Письмо.odt|[ФИО]"} << QStringList{"ФИО;ФИО", "Иванов;Петров"} << ""
        << QStringList{kE + "таблица\tКолонка «ФИО» встречается дважды: формирование по шаблонам .odt прервётся"};
    QTest::newRow("two columns of one name do no harm to Word")
        << QStringList{"Договор.docx|[ФИО]"} << QStringList{"ФИО;ФИО", "Иванов;Петров"} << "" << QStringList{};
    QTest::newRow("rows below an empty first cell were not read")
        << QStringList{"Письмо.odt|[ФИО] [Город]"} << people << "unread=4,12"
        << QStringList{kW + "таблица\tТаблица прочитана до строки 3: в строке 4 пустая первая ячейка, ниже не прочитано "
                            "ещё строк: 12"};
    QTest::newRow("a load that stopped at the table's end is fine")
        << QStringList{"Письмо.odt|[ФИО] [Город]"} << people << "unread=4,0" << QStringList{};

    // Records and their names.
    QTest::newRow("empty naming values")
        << QStringList{"Письмо.odt|[ФИО] [Город]"}
        << QStringList{"ФИО;Город", "Иванов;Москва", ";Казань", "Петров;Тула", " ..;Омск"} << "naming=1"
        << QStringList{kW + "записи 2, 4\tПустое значение в колонке «ФИО», по которой называются файлы: документы "
                            "получат одно имя, файлы получат суффиксы « (2)», « (3)»…"};
    QTest::newRow("one empty naming value")
        << QStringList{"Письмо.odt|[ФИО] [Город]"} << QStringList{"ФИО;Город", "Иванов;Москва", ";Казань"} << ""
        << QStringList{kW + "запись 2\tПустое значение в колонке «ФИО», по которой называются файлы"};
    QTest::newRow("single record mode: the current row's value")
        << QStringList{"Письмо.odt|[ФИО] [Город]"} << QStringList{"ФИО;Город", "Иванов;Москва", ";Казань"} << "current=2"
        << QStringList{kW + "запись 2\tПустое значение в колонке «ФИО», по которой называются файлы"};
    QTest::newRow("same naming values")
        << QStringList{"Письмо.odt|[ФИО] [Город]"}
        << QStringList{"ФИО;Город", "Иванов;Москва", "Петров;Казань", "Иванов;Тула", "иванов;Омск", "a:b;x", "a?b;y"} << ""
        << QStringList{kW + "записи 1, 3, 4\tЗначения «Иванов», «иванов» в колонке «ФИО» дают одно имя файла: файлы "
                            "получат суффиксы « (2)», « (3)»…",
                       kW + "записи 5, 6\tЗначения «a:b», «a?b» в колонке «ФИО» дают одно имя файла: файлы получат "
                            "суффиксы « (2)», « (3)»…"};
    QTest::newRow("same naming values, by the column")
        << QStringList{"Письмо.odt|[ФИО] [Город]"} << QStringList{"ФИО;Город", "Иванов;Москва", "Петров;Москва"}
        << "naming=2;mode=1"
        << QStringList{kW + "записи 1, 2\tОдинаковое значение «Москва» в колонке «Город»: файлы получат суффиксы « (2)», « (3)»…"};
    QTest::newRow("only chosen records count")
        << QStringList{"Письмо.odt|[ФИО] [Город]"} << QStringList{"ФИО;Город", "Иванов;Москва", "Петров;Казань", "Иванов;Тула"}
        << "marks=1,2" << QStringList{};
    QTest::newRow("single record mode has no collisions")
        << QStringList{"Письмо.odt|[ФИО] [Город]"} << QStringList{"ФИО;Город", "Иванов;Москва", "Иванов;Казань"}
        << "current=1" << QStringList{};
    QTest::newRow("no naming column")
        << QStringList{"Письмо.odt|[ФИО] [Город]"} << people << "naming=0"
        << QStringList{kW + "настройки\tНе выбрана колонка для имён файлов: документы всех записей получат одно имя, "
                            "файлы получат суффиксы « (2)», « (3)»…"};
    QTest::newRow("same-named templates in two folders")
        << QStringList{"А/Договор.docx|[ФИО] [Город]", "Б/Договор.docx|[ФИО] [Город]", "Договор.odt|[ФИО] [Город]"} << people
        << ""
        << QStringList{kW + QDir::toNativeSeparators("Б/Договор.docx")
                       + "\tДокументы этого шаблона получат те же имена, что и документы шаблона «"
                       + QDir::toNativeSeparators("А/Договор.docx") + "»: файлы получат суффиксы « (2)», « (3)»…"};
    QTest::newRow("a .docx and an .odt of one name as PDF")
        << QStringList{"Договор.docx|[ФИО] [Город]", "Договор.odt|[ФИО] [Город]"} << people << "pdf;converter"
        << QStringList{kW + "Договор.odt\tДокументы этого шаблона получат те же имена, что и документы шаблона «Договор.docx»: "
                            "файлы получат суффиксы « (2)», « (3)»…"};

    // Templates that cannot be used, and the converter.
    QTest::newRow("missing, broken and not a document; columns then unknown")
        << QStringList{"Письмо.odt|[ФИО]", "Нет.docx|[ФИО]", "Сломан.docx|bytes:random bytes", "Сломан.odt|bytes:PK garbage",
                       "Пакет.docx|nodocument"}
        << QStringList{"ФИО;Телефон", "Иванов;1"} << ""
        << QStringList{kE + "Нет.docx\tФайл шаблона не найден: документы по нему не будут созданы",
                       kE + "Сломан.docx\tШаблон повреждён: Сломан.docx (это не документ Word): документы по нему не будут созданы",
                       kE + "Сломан.odt\tШаблон повреждён: Сломан.odt (*",
                       kE + "Пакет.docx\tШаблон повреждён: Пакет.docx (*"};
    QTest::newRow(".doc without a converter")
        << QStringList{"Старый.doc|bytes:legacy word bytes"} << people << ""
        << QStringList{kE + "Старый.doc\tДля шаблонов .doc нужен LibreOffice, а он не найден: формирование прервётся"};
    QTest::newRow(".doc with a converter is not converted for the check")
        << QStringList{"Старый.doc|bytes:legacy word bytes"} << people << "converter"
        << QStringList{kN + "Старый.doc\tШаблон .doc не проверялся: его поля будут видны только после преобразования при формировании"};
    QTest::newRow("PDF without a converter")
        << QStringList{"Письмо.odt|[ФИО] [Город]"} << people << "pdf"
        << QStringList{kE + "настройки\tВыбран формат pdf, но LibreOffice не найден: документы не будут преобразованы в PDF"};

    // Headers and footers of Word templates.
    QTest::newRow("headers: switch off")
        << QStringList{"Договор.docx|[ФИО]|[Город]|стр. [Страница]"} << people << "personal=Менеджер"
        << QStringList{kW + "Договор.docx\tКолонтитулы содержат поля [Город], [Страница], но они не будут заполнены: "
                            "выключено «Заменять в колонтитулах»"};
    QTest::newRow("headers: no replace.ini")
        << QStringList{"Договор.docx|[ФИО]|[Город]"} << people << "colontit"
        << QStringList{kW + "Договор.docx\tКолонтитулы содержат поля [Город], но они не будут заполнены: нет файла replace.ini"};
    QTest::newRow("headers: both")
        << QStringList{"Договор.docx|[ФИО]||[Город]"} << people << ""
        << QStringList{kW + "Договор.docx\tКолонтитулы содержат поля [Город], но они не будут заполнены: выключено «Заменять "
                            "в колонтитулах» и нет файла replace.ini"};
    QTest::newRow("headers filled, one misspelled, one personal")
        << QStringList{"Договор.docx|[ФИО]|[Горд]|[Менеджер] [город]"} << people << "colontit;personal=Менеджер"
        << QStringList{kW + "Договор.docx\tПоле [Горд] в колонтитуле не найдено среди колонок таблицы: в документах останется "
                            "«[Горд]»; возможно, [Город]",
                       kW + "Договор.docx\tПоле [Менеджер] в колонтитуле не найдено среди колонок таблицы (личные поля в "
                            "колонтитулах не заменяются): в документах останется «[Менеджер]»"};

    // Errors first, then warnings, then notes.
    QTest::newRow("order of levels")
        << QStringList{"Письмо.odt|[Фио]", "Нет.odt|"} << QStringList{"ФИО;Телефон", "Иванов;1"} << "naming=2"
        << QStringList{kE + "Нет.odt\tФайл шаблона не найден: документы по нему не будут созданы",
                       kW + "Письмо.odt\tПоле [Фио] не найдено среди колонок таблицы: в документах останется «[Фио]»; "
                            "возможно, [ФИО] (в шаблонах .odt регистр букв учитывается)"};
}

void tst_PreflightCheck::findings()
{
    QFETCH(QStringList, templates);
    QFETCH(QStringList, table);
    QFETCH(QString, options);
    QFETCH(QStringList, expected);
    QTemporaryDir dir;
    QStringList present;
    for (const QString &layout : templates)
        if (!layout.startsWith(QStringLiteral("Нет.")))
            present.append(layout);
    TGenerationInput in = makeInput(dir, present, table, options);
    // A listed template that is not there.
    for (const QString &layout : templates)
        if (layout.startsWith(QStringLiteral("Нет.")))
            in.templates.insert(int(templates.indexOf(layout)), layout.section(QLatin1Char('|'), 0, 0));
    const QStringList got = lines(CheckBeforeGeneration(in));
    QVERIFY2(sameLines(got, expected), qPrintable(QStringLiteral("\ngot:\n") + got.join(QLatin1Char('\n'))
                                                  + QStringLiteral("\nexpected:\n") + expected.join(QLatin1Char('\n'))));
}

void tst_PreflightCheck::editDistance_data()
{
    QTest::addColumn<QString>("a");
    QTest::addColumn<QString>("b");
    QTest::addColumn<int>("distance");
    QTest::newRow("equal") << "ФИО" << "ФИО" << 0;
    QTest::newRow("one changed") << "Город" << "Горад" << 1;
    QTest::newRow("one dropped") << "Должность" << "Должнсть" << 1;
    QTest::newRow("neighbours swapped") << "Организация" << "Оргнаизация" << 1;
    QTest::newRow("two") << "Дата рождения" << "Дта рожденя" << 2;
    QTest::newRow("above the limit") << "Дата рождения" << "Дт рожденя" << 3;
    QTest::newRow("lengths far apart") << "Сумма" << "Сумма прописью" << 3;
    // Long names: only the cells near the diagonal are computed, the answer stays the same.
    const QString longName = QStringLiteral("аб") + QString(148, QChar(0x0432)) + QStringLiteral("Город")
                             + QString(148, QChar(0x0433)) + QStringLiteral("де");
    QTest::newRow("long, one changed in the middle") << longName << QString(longName).replace(152, 1, QStringLiteral("x")) << 1;
    QTest::newRow("long, swapped near both ends")
        << longName << QStringLiteral("ба") + longName.mid(2, longName.size() - 4) + QStringLiteral("ед") << 2;
    QTest::newRow("long, added and dropped far apart")
        << longName << QStringLiteral("ж") + longName.left(200) + longName.mid(201) << 2;
    QTest::newRow("long, three changed") << longName << QStringLiteral("ёёё") + longName.mid(3) << 3;
    QTest::newRow("long, one letter shifted across") << QStringLiteral("x") + longName << longName + QStringLiteral("x") << 2;
}

void tst_PreflightCheck::editDistance()
{
    QFETCH(QString, a);
    QFETCH(QString, b);
    QFETCH(int, distance);
    QCOMPARE(EditDistance(a, b, 2), distance);
    QCOMPARE(EditDistance(b, a, 2), distance);
}

void tst_PreflightCheck::probableName_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QStringList>("candidates");
    QTest::addColumn<int>("index");
    const QStringList columns{"", "ФИО", "Дата рождения", "Город", "Город2"};
    QTest::newRow("letter case") << "фио" << columns << 1;
    QTest::newRow("blanks inside") << "Дата  рождения" << columns << 2;
    QTest::newRow("a Word tab inside") << QStringLiteral("Дата\uFFFFрождения") << columns << 2;
    QTest::newRow("blanks and case beat a closer edit") << "ГОРОД 2" << columns << 4;
    QTest::newRow("closest edit") << "Горд" << columns << 3;
    QTest::newRow("short name") << "ФО" << columns << -1;
    QTest::newRow("nothing close") << "Телефон" << columns << -1;
    QTest::newRow("empty candidates never") << "" << columns << -1;
    // No guess by edits for names longer than the cap; letter case and blanks still count.
    const QString atCap(kSuggestMaxLength, QChar(0x0430));
    QTest::newRow("at the length cap") << QString(atCap).replace(0, 1, QStringLiteral("б")) << QStringList{"ФИО", atCap} << 1;
    QTest::newRow("above the length cap")
        << atCap + QStringLiteral("б") << QStringList{"ФИО", atCap + QStringLiteral("в")} << -1;
    QTest::newRow("above the cap, letter case")
        << atCap.toUpper() + QStringLiteral("Б") << QStringList{"ФИО", atCap + QStringLiteral("б")} << 1;
}

void tst_PreflightCheck::probableName()
{
    QFETCH(QString, name);
    QFETCH(QStringList, candidates);
    QFETCH(int, index);
    QCOMPARE(ProbableName(name, candidates), index);
}

void tst_PreflightCheck::bracketProblems_data()
{
    QTest::addColumn<QString>("paragraph");
    QTest::addColumn<QString>("problems"); // kind letter and position, e.g. "U3 E7"
    QTest::newRow("fine") << "[ФИО] и [Город], ссылка [12]" << "";
    QTest::newRow("unclosed at the end") << "Уважаемый [ФИО" << "C10";
    QTest::newRow("unclosed before the next") << "[ФИО и [Город]" << "C0";
    QTest::newRow("unopened") << "ФИО] и [Город]" << "O3";
    QTest::newRow("doubled, its ]] once") << "[[ФИО]]" << "D0";
    QTest::newRow("doubled, one ]") << "[[ФИО]" << "D0";
    QTest::newRow("tripled") << "[[[ФИО]" << "D0 D1";
    QTest::newRow("empty") << "[] и [  ] и [\uFFFF]" << "E0 E5 E12";
    QTest::newRow("closing twice") << "[ФИО]]" << "O5";
}

void tst_PreflightCheck::bracketProblems()
{
    QFETCH(QString, paragraph);
    QFETCH(QString, problems);
    QStringList got;
    for (const TBracketProblem &p : FindBracketProblems(paragraph)) {
        const char kind[] = {'C', 'O', 'D', 'E'};
        got.append(QLatin1Char(kind[p.kind]) + QString::number(p.position));
    }
    QCOMPARE(got.join(QLatin1Char(' ')), problems);
}

void tst_PreflightCheck::textAround_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("position");
    QTest::addColumn<QString>("excerpt");
    QTest::newRow("short, trimmed") << "  [ФИО  " << 2 << "[ФИО";
    QTest::newRow("sixty fit") << QString(60, QLatin1Char('x')) << 10 << QString(60, QLatin1Char('x'));
    const QString long100 = QString(50, QLatin1Char('a')) + QString(50, QLatin1Char('b'));
    QTest::newRow("cut at the end") << long100 << 3 << QString(50, QLatin1Char('a')) + QString(9, QLatin1Char('b')) + QChar(0x2026);
    QTest::newRow("cut at the start") << long100 << 99 << QChar(0x2026) + QString(9, QLatin1Char('a')) + QString(50, QLatin1Char('b'));
    QTest::newRow("cut on both sides") << long100 << 50
                                       << QChar(0x2026) + QString(29, QLatin1Char('a')) + QString(29, QLatin1Char('b')) + QChar(0x2026);
}

void tst_PreflightCheck::textAround()
{
    QFETCH(QString, text);
    QFETCH(int, position);
    QFETCH(QString, excerpt);
    const QString got = TextAround(text, position);
    QCOMPARE(got, excerpt);
    QVERIFY(got.size() <= 60);
}

void tst_PreflightCheck::odtParagraphs()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("a.odt"));
    OdtFixture::write(path, QStringLiteral("Раз<text:s text:c=\"2\"/>[ФИ<text:span>О]</text:span><text:tab/>два"
                                           "<text:note><text:note-body><text:p>сноска [Город</text:p></text:note-body></text:note>"
                                           "</text:p><text:tracked-changes><text:changed-region><text:deletion><text:p>[удалено"
                                           "</text:p></text:deletion></text:changed-region></text:tracked-changes><text:h>Глава</text:h><text:p>"));
    const TTemplateContent content = ReadOdtTemplateContent(path);
    QCOMPARE(content.paragraphs, (QStringList{"сноска [Город", "Раз  [ФИО] два", "Глава", ""}));
    // Names by the filler's rule: "[Город" and "[удалено" are closed by no "]".
    QCOMPARE(content.bodyFields, QStringList{"ФИО"});
}

void tst_PreflightCheck::findingLinesAndReport()
{
    const QList<TFinding> findings{{TFinding::Error, "Б.odt", "плохо\tочень"},
                                   {TFinding::Warning, "А.docx", "так себе"},
                                   {TFinding::Warning, "Б.odt", "ещё"},
                                   {TFinding::Note, "таблица", "к сведению"}};
    QCOMPARE(FindingLine(findings[0]), QStringLiteral("ошибка\tБ.odt\tплохо очень"));
    QCOMPARE(FindingLine(findings[3]), QStringLiteral("замечание\tтаблица\tк сведению"));
    QCOMPARE(FindingsReport(findings), QStringLiteral("Б.odt\n  ошибка: плохо\tочень\n  предупреждение: ещё\n"
                                                      "А.docx\n  предупреждение: так себе\n"
                                                      "таблица\n  замечание: к сведению\n"));
    QVERIFY(FindingsNeedAttention(findings) && FindingsHaveError(findings));
    QVERIFY(!FindingsNeedAttention({findings[3]}));
    QVERIFY(FindingsNeedAttention({findings[1]}) && !FindingsHaveError({findings[1]}));
}

void tst_PreflightCheck::fiftyTemplatesTenThousandRecords()
{
    QTemporaryDir dir;
    QStringList templates;
    for (int i = 0; i < 25; ++i) {
        templates.append(QStringLiteral("Договор%1.docx|[ФИО], [Должность] из г. [Город]\nСумма [Сумма] от [Дата]|[ФИО]").arg(i));
        templates.append(QStringLiteral("Письмо%1.odt|[ФИО] [Организация]\n[Город], [Дата]").arg(i));
    }
    QStringList table{QStringLiteral("ФИО;Должность;Организация;Город;Дата;Сумма")};
    for (int r = 0; r < 10000; ++r)
        table.append(QStringLiteral("Сотрудник %1;инженер;ООО Ромашка;Москва;01.02.2026;%2").arg(r % 9990).arg(r));
    const TGenerationInput in = makeInput(dir, templates, table, QStringLiteral("colontit;personal=Менеджер"));
    QElapsedTimer timer;
    timer.start();
    const QList<TFinding> findings = CheckBeforeGeneration(in);
    const qint64 ms = timer.elapsed();
    qInfo("check of 50 templates and 10,000 records: %lld ms", ms);
    // Ten names meet twice: one finding each.
    QCOMPARE(findings.size(), 10);
    QVERIFY2(ms < 1000, qPrintable(QString::number(ms)));
}

QTEST_MAIN(tst_PreflightCheck)
#include "tst_PreflightCheck.moc"
