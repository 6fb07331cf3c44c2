#include "FillPaths.h"
#include "LanguageFixture.h"

#include "base/AppFolder.h"
#include "base/DokravaError.h"
#include "base/FieldFormat.h"

#include <QSet>
#include <QTemporaryDir>
#include <QtTest>

using namespace dokrava;

// The template language in ".odt" and ".docx" templates written from the same lines: every case
// is filled both ways (the template read once, and whole per document), which must give the same
// document, and the document's paragraphs and rows must be exactly those expected.
class tst_TemplateLanguage : public QObject
{
    Q_OBJECT

private slots:
    void init() { AppFolder::setOverride(m_app.path()); }
    void cleanup() { AppFolder::setOverride(QString()); }
    void documents_data();
    void documents();
    void templateErrors_data();
    void templateErrors();
    void fieldLists_data();
    void fieldLists();
    void copiesTakeUniqueIds();
    void wordValuesOfEveryKind();
    void linesInATableInsideALayoutTable();

private:
    QTemporaryDir m_app;
};

namespace {

const QString kNbsp(QChar(0x00A0));

const QStringList &columns()
{
    static const QStringList list{"Номер", "Клиент", "Телефон", "Товар", "Кол", "Сумма", "Скидка"};
    return list;
}

// Records of the columns, values parted by "|".
QList<QStringList> records(const QStringList &rows)
{
    QList<QStringList> out;
    for (const QString &row : rows)
        out.append(row.split(QLatin1Char('|')));
    return out;
}

// Three lines of one invoice.
const QStringList &invoice()
{
    static const QStringList rows{"1|ООО Ромашка||Стол|2|1000|", "1|ООО Ромашка||Стул|4|55,5|10",
                                  "1|ООО Ромашка||Лампа|1|0,25|"};
    return rows;
}

struct Filled
{
    QStringList lines;
    QString error;
    QString difference; // between the two ways
};

// The groups a template read once fills after a group, as a run does: each record alone and the
// group backwards take other branches and shapes.
QList<QList<QStringList>> otherGroups(const QList<QStringList> &group)
{
    QList<QList<QStringList>> others;
    for (const QStringList &record : group)
        others.append({record});
    others.append(QList<QStringList>(group.crbegin(), group.crend()));
    return others;
}

QList<TFieldValues> odtGroup(const QStringList &cols, const QList<QStringList> &group)
{
    QList<TFieldValues> data;
    for (const QStringList &record : group) {
        TFieldValues values;
        for (int c = 0; c < cols.size(); ++c)
            values.append({cols[c], record.value(c)});
        data.append(values);
    }
    return data;
}

// The difference between the template read once and read per document for a group, or the
// errors when they differ.
QString odtDifference(const OdtTemplate &compiled, const QString &path, const QString &out,
                      const QList<TFieldValues> &data, Package *kept = nullptr)
{
    QString perDocumentError, error, difference;
    try {
        TODTProcessor().ProcessODTGroup(path, out, data);
    } catch (const DokravaError &e) {
        perDocumentError = e.message();
    }
    try {
        const Package filled = compiled.filledGroup(data);
        if (kept)
            *kept = filled;
        if (perDocumentError.isEmpty())
            difference = FillPaths::packageDifference(filled, Package(out));
    } catch (const DokravaError &e) {
        error = e.message();
    }
    if (error != perDocumentError)
        return QStringLiteral("errors: «%1» against «%2»").arg(error, perDocumentError);
    return difference;
}

Filled fillOdt(const QString &folder, const QStringList &cols, const QList<QStringList> &group, const QStringList &templ)
{
    const QString path = folder + QStringLiteral("/t.odt"), out = folder + QStringLiteral("/out.odt");
    LanguageFixture::writeOdt(path, templ);
    Filled result;
    try {
        // One template read once fills the group, then other groups in turn, as a run does:
        // each record alone and the group backwards take other branches and shapes.
        const OdtTemplate compiled(path);
        Package package;
        result.difference = odtDifference(compiled, path, out, odtGroup(cols, group), &package);
        if (package.count() > 0)
            result.lines = LanguageFixture::documentLines(package, true);
        for (const QList<QStringList> &other : otherGroups(group))
            if (result.difference.isEmpty())
                result.difference = odtDifference(compiled, path, out, odtGroup(cols, other));
        compiled.filledGroup(odtGroup(cols, group));
    } catch (const DokravaError &e) {
        result.error = e.message();
    }
    return result;
}

TWordFields wordFields(const QStringList &cols, const QList<QStringList> &group)
{
    TWordFields fields;
    fields.headers = cols;
    fields.record = group.first();
    if (group.size() > 1)
        fields.group = group;
    fields.personal = QList<std::pair<QString, QString>>{};
    fields.Colontit = true;
    return fields;
}

// The difference between the template read once and filled whole per document for a group, or
// the errors when they differ.
QString docxDifference(const DocxTemplate &compiled, const QString &path, const TWordFields &fields,
                       Package *kept = nullptr, QString *keptError = nullptr)
{
    QString perDocumentError, error, difference;
    Package whole;
    try {
        DocxDocument doc(path);
        FillWordDocument(doc, TReplaceOptions{true}, fields);
        whole = doc.edited();
    } catch (const DokravaError &e) {
        perDocumentError = e.message();
    }
    try {
        const Package filled = compiled.filled(fields);
        if (kept)
            *kept = filled;
        if (perDocumentError.isEmpty())
            difference = FillPaths::packageDifference(filled, whole);
    } catch (const DokravaError &e) {
        error = e.message();
    }
    if (keptError)
        *keptError = error;
    if (error != perDocumentError)
        return QStringLiteral("errors: «%1» against «%2»").arg(error, perDocumentError);
    return difference;
}

Filled fillDocx(const QString &folder, const QStringList &cols, const QList<QStringList> &group, const QStringList &templ)
{
    const QString path = folder + QStringLiteral("/t.docx");
    LanguageFixture::writeDocx(path, templ);
    Filled result;
    try {
        // One template read once fills the group, then other groups in turn, as a run does:
        // each record alone and the group backwards take other branches and shapes.
        const DocxTemplate compiled(path);
        Package package;
        result.difference = docxDifference(compiled, path, wordFields(cols, group), &package, &result.error);
        if (package.count() > 0)
            result.lines = LanguageFixture::documentLines(package, false);
        for (const QList<QStringList> &other : otherGroups(group))
            if (result.difference.isEmpty())
                result.difference = docxDifference(compiled, path, wordFields(cols, other));
    } catch (const DokravaError &e) {
        result.error = e.message();
    }
    return result;
}

QStringList withoutEmptyEdges(QStringList lines, const QStringList &templ)
{
    // The Word fixture always has a header and a footer paragraph; an empty one is no line of
    // a case without them.
    bool header = false;
    for (const QString &line : templ)
        header = header || line.startsWith(QLatin1String("H:")) || line.startsWith(QLatin1String("F:"));
    if (!header) {
        lines.removeAll(QStringLiteral("H:"));
        lines.removeAll(QStringLiteral("F:"));
    }
    return lines;
}

} // namespace

void tst_TemplateLanguage::documents_data()
{
    QTest::addColumn<QStringList>("cols");
    QTest::addColumn<QStringList>("rows");
    QTest::addColumn<QStringList>("templ");
    QTest::addColumn<QStringList>("expected");

    const QStringList one{"7|ООО Ёлка|+7 900|Стол|1|1055,5|"};
    const QStringList noPhone{"7|ООО Ёлка||Стол|1|1055,5|"};

    QTest::newRow("repeated row, totals with kopecks")
        << columns() << invoice()
        << QStringList{"P:Счёт № [Номер] для [Клиент]", "T", "R:№|Товар|Сумма", "R:[*№]|[*Товар]|[*Сумма:сумма]",
                       "R:Итого||[Сумма:итого]", "/T", "P:[Сумма:итого:сумма и прописью]"}
        << QStringList{"P:Счёт № 1 для ООО Ромашка", "T", "R:№|Товар|Сумма",
                       "R:1|Стол|1" + kNbsp + "000,00", "R:2|Стул|55,50", "R:3|Лампа|0,25",
                       "R:Итого||1" + kNbsp + "055,75", "/T",
                       "P:1" + kNbsp + "055 (одна тысяча пятьдесят пять) рублей 75 копеек"};
    QTest::newRow("a total in words of an amount with kopecks stays as written")
        << columns() << invoice() << QStringList{"P:[*Товар]", "P:[Сумма:итого:прописью]"}
        << QStringList{"P:Стол", "P:Стул", "P:Лампа", "P:[Сумма:итого:прописью]"};
    QTest::newRow("values with brackets go in as written")
        << columns() << QStringList{"1|[Клиент]||Стол [дуб]|2|1000|", "1|[Клиент]||Стул|4|55,5|"}
        << QStringList{"P:[Клиент]: [*Товар]"} << QStringList{"P:[Клиент]: Стол [дуб]", "P:[Клиент]: Стул"};
    QTest::newRow("a column named №")
        << (columns() + QStringList{"№"}) << QStringList{"1|||a||||12", "1|||b||||15"}
        << QStringList{"P:[*№]. [*Товар]"} << QStringList{"P:12. a", "P:15. b"};
    QTest::newRow("list items and split fields")
        << columns() << invoice() << QStringList{"P:Товары:", "L:[*То{ва}р] x[*{Кол}]", "P:конец"}
        << QStringList{"P:Товары:", "L:Стол x2", "L:Стул x4", "L:Лампа x1", "P:конец"};
    QTest::newRow("one record, a row of lines")
        << columns() << one << QStringList{"T", "R:[*Товар]|[*Сумма:сумма]", "/T"}
        << QStringList{"T", "R:Стол|1" + kNbsp + "055,50", "/T"};
    QTest::newRow("a line condition on the line's value")
        << columns() << invoice() << QStringList{"T", "R:[*Товар]|[если Скидка]скидка [*Скидка]%[/если]", "/T"}
        << QStringList{"T", "R:Стол|", "R:Стул|скидка 10%", "R:Лампа|", "/T"};
    QTest::newRow("a line row dropped by its own condition")
        << columns() << invoice() << QStringList{"T", "R:Товар|Скидка", "R:[если Скидка][*Товар]|[*Скидка][/если]", "/T"}
        << QStringList{"T", "R:Товар|Скидка", "R:Стул|10", "/T"};

    // Conditions, inline and over paragraphs.
    const QStringList phoneInline{"P:Тел.: [если Телефон][Телефон][иначе]нет[/если]."};
    QTest::newRow("inline, filled") << columns() << one << phoneInline << QStringList{"P:Тел.: +7 900."};
    QTest::newRow("inline, else") << columns() << noPhone << phoneInline << QStringList{"P:Тел.: нет."};
    QTest::newRow("a paragraph whose only text was in a dropped block")
        << columns() << noPhone << QStringList{"P:a", "P:[если Телефон]Тел. [Телефон][/если]", "P:b"}
        << QStringList{"P:a", "P:b"};
    QTest::newRow("not")
        << columns() << noPhone << QStringList{"P:[если не Телефон]без телефона[/если]", "P:[если не Клиент]x[/если]"}
        << QStringList{"P:без телефона"};
    QTest::newRow("equal: letter case, blanks and ё ignored")
        << columns() << one
        << QStringList{"P:[если Клиент = ооо елка ]да[иначе]нет[/если]", "P:[если Клиент != ООО Ёлка]не равно[/если]"}
        << QStringList{"P:да"};
    QTest::newRow("numbers")
        << columns() << one
        << QStringList{"P:[если Сумма > 1000]больше[/если]", "P:[если Сумма < 1 000,00]меньше[/если]",
                       "P:[если Сумма >= 1055.5]не меньше[/если]", "P:[если Сумма <= 1055,49]x[/если]",
                       "P:[если Клиент > 5]не число[иначе]тоже нет[/если]"}
        << QStringList{"P:больше", "P:не меньше"};
    QTest::newRow("nested")
        << columns() << one
        << QStringList{"P:[если Клиент]К[если Телефон] т[если не Скидка] без скидки[/если][иначе] нет[/если].[/если]"}
        << QStringList{"P:К т без скидки."};
    QTest::newRow("paragraphs, kept")
        << columns() << one << QStringList{"P:до", "P:[если Телефон]", "P:один", "P:два", "P:[/если]", "P:после"}
        << QStringList{"P:до", "P:один", "P:два", "P:после"};
    QTest::newRow("paragraphs, dropped, with else")
        << columns() << noPhone
        << QStringList{"P:до", "P: [если Телефон] ", "P:один", "P:[иначе]", "P:другое", "P:[/если]", "P:после"}
        << QStringList{"P:до", "P:другое", "P:после"};
    QTest::newRow("a block from mid paragraph to mid paragraph")
        << columns() << noPhone << QStringList{"P:начало [если Телефон]хвост", "P:середина", "P:голова[/если] конец"}
        << QStringList{"P:начало ", "P: конец"};
    QTest::newRow("list items in a block")
        << columns() << noPhone << QStringList{"L:первый", "L:[если Телефон]второй[/если]", "L:третий"}
        << QStringList{"L:первый", "L:третий"};
    QTest::newRow("split markers")
        << columns() << noPhone << QStringList{"P:a[ес{ли Теле}фон]b[{/}если]c", "P:[{если} Клиент]d[/ес{ли}]"}
        << QStringList{"P:ac", "P:d"};

    // Tables.
    const QStringList discountRows{"T", "R:Товар|Цена", "R:[если Скидка]Скидка|[Скидка][/если]", "R:Всего|[Сумма]", "/T"};
    QTest::newRow("a whole row dropped") << columns() << one << discountRows
                                         << QStringList{"T", "R:Товар|Цена", "R:Всего|1055,5", "/T"};
    QTest::newRow("rows kept")
        << columns() << QStringList{"7|ООО Ёлка|+7 900|Стол|1|1055,5|5"} << discountRows
        << QStringList{"T", "R:Товар|Цена", "R:Скидка|5", "R:Всего|1055,5", "/T"};
    QTest::newRow("a block over two rows")
        << columns() << one << QStringList{"T", "R:a|b", "R:[если Скидка]c|d", "R:e|f[/если]", "/T"}
        << QStringList{"T", "R:a|b", "/T"};
    QTest::newRow("a table whose rows all go")
        << columns() << one << QStringList{"P:x", "T", "R:[если Скидка]a|b[/если]", "/T", "P:y"}
        << QStringList{"P:x", "P:y"};
    QTest::newRow("a whole table in a block")
        << columns() << one << QStringList{"P:x", "P:[если Скидка]", "T", "R:a|b", "/T", "P:[/если]", "P:y"}
        << QStringList{"P:x", "P:y"};
    QTest::newRow("a block inside a cell")
        << columns() << noPhone << QStringList{"T", "R:a|[если Телефон]т//[Телефон][/если]//b", "/T"}
        << QStringList{"T", "R:a|b", "/T"};
    QTest::newRow("a cell whose paragraphs all go keeps one")
        << columns() << noPhone << QStringList{"T", "R:a|[если Телефон]т[/если]", "/T"} << QStringList{"T", "R:a|", "/T"};

    // Headers and footers.
    QTest::newRow("headers and footers")
        << columns() << noPhone
        << QStringList{"P:тело", "H:[Клиент]", "H:[если Телефон]Тел. [Телефон][/если]", "F:стр.[если не Телефон] без телефона[/если]"}
        << QStringList{"P:тело", "H:ООО Ёлка", "F:стр. без телефона"};

    // A text that is a column's name is that column.
    QTest::newRow("a column named like a marker")
        << QStringList{"если Телефон", "*Товар", "Телефон"} << QStringList{"да|стол|"}
        << QStringList{"P:[если Телефон]-[*Товар]"} << QStringList{"P:да-стол"};
}

void tst_TemplateLanguage::documents()
{
    QFETCH(QStringList, cols);
    QFETCH(QStringList, rows);
    QFETCH(QStringList, templ);
    QFETCH(QStringList, expected);
    const QList<QStringList> group = records(rows);
    for (const bool odt : {true, false}) {
        QTemporaryDir dir;
        const Filled filled = odt ? fillOdt(dir.path(), cols, group, templ) : fillDocx(dir.path(), cols, group, templ);
        const char *format = odt ? ".odt" : ".docx";
        QVERIFY2(filled.error.isEmpty(), qPrintable(QString::fromLatin1(format) + QStringLiteral(": ") + filled.error));
        QVERIFY2(filled.difference.isEmpty(), qPrintable(QString::fromLatin1(format) + QStringLiteral(": ") + filled.difference));
        const QStringList lines = withoutEmptyEdges(filled.lines, templ);
        if (lines != expected)
            QFAIL(qPrintable(QStringLiteral("%1:\n%2\nexpected:\n%3")
                                 .arg(QString::fromLatin1(format), lines.join(QLatin1Char('\n')), expected.join(QLatin1Char('\n')))));
    }
}

void tst_TemplateLanguage::templateErrors_data()
{
    QTest::addColumn<QStringList>("templ");
    QTest::addColumn<QString>("error");
    QTest::newRow("unclosed") << QStringList{"P:[если Телефон]a", "P:b"} << "не закрыт блок [если Телефон]";
    QTest::newRow("unclosed inner")
        << QStringList{"P:[если Клиент][если Телефон]a[/если]"} << "не закрыт блок [если Клиент]";
    QTest::newRow("else alone") << QStringList{"P:a[иначе]b"} << "[иначе] стоит вне блока [если …]";
    QTest::newRow("close alone") << QStringList{"P:a[/если]"} << "[/если] без открывающего [если …]";
    QTest::newRow("two else") << QStringList{"P:[если Телефон]a[иначе]b[иначе]c[/если]"}
                              << "второй [иначе] в блоке [если Телефон]";
    QTest::newRow("from cell to cell")
        << QStringList{"T", "R:a [если Телефон]b|c[/если]", "/T"}
        << "блок [если Телефон] начинается в одной ячейке таблицы, а заканчивается в другой";
    QTest::newRow("from a cell out of the table")
        << QStringList{"T", "R:[если Телефон]b|c", "/T", "P:[/если]"}
        << "блок [если Телефон] начинается в одной ячейке таблицы, а заканчивается в другой";
    QTest::newRow("no such field") << QStringList{"P:[если Телефон2]a[/если]"}
                                   << "в условии [если Телефон2] поле «Телефон2» не найдено среди колонок таблицы";
    QTest::newRow("a line in a header") << QStringList{"P:a", "H:[*Товар]"}
                                        << "поле строки [*Товар] стоит в колонтитуле: строки повторяются только в основном тексте";
}

void tst_TemplateLanguage::templateErrors()
{
    QFETCH(QStringList, templ);
    QFETCH(QString, error);
    const QList<QStringList> group = records(invoice());
    for (const bool odt : {true, false}) {
        QTemporaryDir dir;
        const Filled filled = odt ? fillOdt(dir.path(), columns(), group, templ) : fillDocx(dir.path(), columns(), group, templ);
        QVERIFY2(filled.difference.isEmpty(), qPrintable(filled.difference));
        QCOMPARE(filled.error, error);
    }
}

void tst_TemplateLanguage::fieldLists_data()
{
    QTest::addColumn<QStringList>("templ");
    QTest::addColumn<QStringList>("fields");
    QTest::newRow("line fields, conditions, totals; markers are no fields")
        << QStringList{"P:[если Телефон]т[иначе]н[/если][если не Скидка]x[/если][если Сумма > 5]y[/если]", "T",
                       "R:[*№]|[*Товар]|[*Цена:сумма]|[*Сумма:сумма]", "/T", "P:[Сумма:итого:сумма и прописью] [Номер]"}
        << QStringList{"Номер", "Скидка", "Сумма", "Телефон", "Товар", "Цена"};
}

void tst_TemplateLanguage::fieldLists()
{
    QFETCH(QStringList, templ);
    QFETCH(QStringList, fields);
    QTemporaryDir dir;
    const QString odt = dir.filePath(QStringLiteral("t.odt")), docx = dir.filePath(QStringLiteral("t.docx"));
    LanguageFixture::writeOdt(odt, templ);
    LanguageFixture::writeDocx(docx, templ);
    QCOMPARE(TODTProcessor().FindVariablesInODT(odt), fields);
    QStringList word = PlainFieldNames(DocxDocument(docx).bracketedFields(), Qt::CaseInsensitive);
    word.sort();
    QCOMPARE(word, fields);
}

namespace {

// The values of an attribute of the elements of one name, in document order.
void collectAttribute(const XmlNode *node, const QString &element, const QString &attribute, QStringList &out)
{
    if (node->kind() == XmlNode::Element && node->name() == element)
        out.append(node->attribute(attribute));
    for (int i = 0; i < node->childCount(); ++i)
        collectAttribute(node->child(i), element, attribute, out);
}

QStringList attributes(const Package &package, const QString &part, const QString &element, const QString &attribute)
{
    QStringList out;
    collectAttribute(XmlNode::parse(package.data(package.indexOf(part)), part).get(), element, attribute, out);
    return out;
}

} // namespace

// Identifiers a document needs unique (bookmark ids and names, ODF xml:id) are new in each copy
// of a line after the first; a bookmark's start and end keep agreeing.
void tst_TemplateLanguage::copiesTakeUniqueIds()
{
    QTemporaryDir dir;
    const QList<QStringList> group = records(invoice());
    const QString docx = dir.filePath(QStringLiteral("t.docx"));
    DocxFixture::write(docx, QStringLiteral("<w:bookmarkStart w:id=\"7\" w:name=\"Начало\"/><w:bookmarkEnd w:id=\"7\"/>"
                                            "<w:tbl><w:tr><w:tc><w:p><w:bookmarkStart w:id=\"3\" w:name=\"Строка\"/>"
                                            "<w:r><w:t>[*Товар]</w:t></w:r><w:bookmarkEnd w:id=\"3\"/></w:p></w:tc></w:tr></w:tbl>"));
    TWordFields fields;
    fields.headers = columns();
    fields.record = group.first();
    fields.group = group;
    const Package word = DocxTemplate(docx).filled(fields);
    const QString main = QStringLiteral("word/document.xml");
    QCOMPARE(attributes(word, main, QStringLiteral("w:bookmarkStart"), QStringLiteral("w:name")),
             (QStringList{"Начало", "Строка", "Строка_2", "Строка_3"}));
    QCOMPARE(attributes(word, main, QStringLiteral("w:bookmarkStart"), QStringLiteral("w:id")), (QStringList{"7", "3", "8", "9"}));
    QCOMPARE(attributes(word, main, QStringLiteral("w:bookmarkEnd"), QStringLiteral("w:id")), (QStringList{"7", "3", "8", "9"}));
    QCOMPARE(docxDifference(DocxTemplate(docx), docx, fields), QString());
    // Paragraph and drawing ids, in paragraphs with fields and without, compiled as expanded.
    const QString drawn = dir.filePath(QStringLiteral("drawn.docx"));
    const QString w14 = QStringLiteral(" xmlns:w14=\"http://schemas.microsoft.com/office/word/2010/wordml\"");
    const QString wp = QStringLiteral(" xmlns:wp=\"http://schemas.openxmlformats.org/drawingml/2006/wordprocessingDrawing\"");
    DocxFixture::write(drawn, "<w:p" + w14 + " w14:paraId=\"0000000A\" w14:textId=\"0000000B\"><w:r><w:t>[Номер]</w:t></w:r></w:p>"
                                  "<w:tbl><w:tr><w:tc><w:p" + w14 + " w14:paraId=\"0000001F\" w14:textId=\"00000020\">"
                                  "<w:r><w:t>[*Товар]</w:t></w:r></w:p></w:tc><w:tc><w:p" + w14 + " w14:paraId=\"00000021\">"
                                  "<w:r><w:drawing><wp:inline" + wp + "><wp:docPr id=\"4\" name=\"Рисунок 4\"/></wp:inline></w:drawing></w:r>"
                                  "</w:p></w:tc></w:tr></w:tbl>");
    const DocxTemplate drawnOnce(drawn);
    QCOMPARE(docxDifference(drawnOnce, drawn, fields), QString());
    const Package drawnFilled = drawnOnce.filled(fields);
    QCOMPARE(attributes(drawnFilled, main, QStringLiteral("w:p"), QStringLiteral("w14:paraId")),
             (QStringList{"0000000A", "0000001F", "00000021", "00000022", "00000023", "00000024", "00000025"}));
    QCOMPARE(attributes(drawnFilled, main, QStringLiteral("wp:docPr"), QStringLiteral("id")), (QStringList{"4", "5", "6"}));
    // More copies than the forms with their ids written in that are kept, twice over: the
    // copies beyond them take their ids between the pieces, and none is taken twice.
    TWordFields many = fields;
    many.group.clear();
    for (int i = 0; i < 150; ++i)
        many.group.append(group[i % group.size()]);
    for (int round = 0; round < 2; ++round)
        QCOMPARE(docxDifference(drawnOnce, drawn, many), QString());
    const QStringList paraIds = attributes(drawnOnce.filled(many), main, QStringLiteral("w:p"), QStringLiteral("w14:paraId"));
    QCOMPARE(paraIds.size(), 301);
    QCOMPARE(QSet<QString>(paraIds.cbegin(), paraIds.cend()).size(), paraIds.size());

    const QString odt = dir.filePath(QStringLiteral("t.odt"));
    LanguageFixture::writeOdt(odt, {"P:x"});
    Package package(odt);
    const int content = package.indexOf(QStringLiteral("content.xml"));
    QString text = QString::fromUtf8(package.data(content));
    text.replace(QStringLiteral("<text:p text:style-name=\"P1\">x</text:p>"),
                 QStringLiteral("<text:p xml:id=\"p1\"><text:bookmark text:name=\"Метка\"/>[*Товар]"
                                "[если Скидка] −[Скидка]%[/если]</text:p>"));
    package.replace(content, text.toUtf8());
    const QString withIds = dir.filePath(QStringLiteral("ids.odt"));
    package.save(withIds);
    QList<TFieldValues> data;
    for (const QStringList &record : group) {
        TFieldValues values;
        for (int c = 0; c < columns().size(); ++c)
            values.append({columns()[c], record.value(c)});
        data.append(values);
    }
    const Package filled = OdtTemplate(withIds).filledGroup(data);
    QCOMPARE(odtDifference(OdtTemplate(withIds), withIds, dir.filePath(QStringLiteral("ids-out.odt")), data), QString());
    QCOMPARE(attributes(filled, QStringLiteral("content.xml"), QStringLiteral("text:p"), QStringLiteral("xml:id")),
             (QStringList{"p1", "p1_2", "p1_3"}));
    QCOMPARE(attributes(filled, QStringLiteral("content.xml"), QStringLiteral("text:bookmark"), QStringLiteral("text:name")),
             (QStringList{"Метка", "Метка_2", "Метка_3"}));
}

// Word values the compiled pieces hold as marks and those they cannot (blanks at either end, line
// feeds, tabs, nothing, markup characters), in one paragraph and apart, in fields split by
// formatting: the template read once gives what filling it whole gives, for the group, each
// record alone and the group backwards.
void tst_TemplateLanguage::wordValuesOfEveryKind()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("t.docx"));
    LanguageFixture::writeDocx(path, {"P:Счёт [Номер] для [Клиент]:", "T", "R:[*Товар]|[*Кол] шт.|[*{Сум}ма:сумма]", "/T",
                                      "P:[Клиент][Телефон] итого [Сумма:итого]", "H:[Клиент] [*№]"});
    const QList<QStringList> group = records({"1| ООО Ромашка ||Стол & стул <дуб>|2|1000|", "1| ООО Ромашка ||Стул\nмягкий|4|55,5|",
                                              "1| ООО Ромашка ||\tЛампа||0,25|", "1| ООО Ромашка ||||x|"});
    const QList<QList<QStringList>> groups = QList<QList<QStringList>>{group} + otherGroups(group);
    const DocxTemplate compiled(path);
    for (const QList<QStringList> &g : groups)
        QCOMPARE(docxDifference(compiled, path, wordFields(columns(), g)), QString());
    const QString plain = dir.filePath(QStringLiteral("plain.docx"));
    LanguageFixture::writeDocx(plain, {"P:Счёт [Номер] для [Клиент]:", "T", "R:[*Товар]|[*Кол] шт.|[*{Сум}ма:сумма]", "/T",
                                       "P:[Клиент][Телефон] итого [Сумма:итого]", "H:[Клиент]"});
    const DocxTemplate plainOnce(plain);
    for (const QList<QStringList> &g : groups)
        QCOMPARE(docxDifference(plainOnce, plain, wordFields(columns(), g)), QString());
}

// A table of lines may stand in a cell of a layout table: its rows repeat, the layout's do not.
// Lines in a table nested in a row that repeats itself are a template error.
void tst_TemplateLanguage::linesInATableInsideALayoutTable()
{
    QTemporaryDir dir;
    const auto table = [](const QString &rows) { return QStringLiteral("<w:tbl>") + rows + QStringLiteral("</w:tbl>"); };
    const auto row = [](const QString &cells) { return QStringLiteral("<w:tr>") + cells + QStringLiteral("</w:tr>"); };
    const auto cell = [](const QString &content) { return QStringLiteral("<w:tc>") + content + QStringLiteral("</w:tc>"); };
    TWordFields fields;
    fields.headers = columns();
    fields.record = records(invoice()).first();
    fields.group = records(invoice());
    const QString layout = dir.filePath(QStringLiteral("layout.docx"));
    DocxFixture::write(layout, table(row(cell(DocxFixture::para(QStringLiteral("Счёт [Номер]"))
                                              + table(row(cell(DocxFixture::para(QStringLiteral("[*Товар]"))))) + DocxFixture::para(QString())))));
    const Package filled = DocxTemplate(layout).filled(fields);
    const QString main = QString::fromUtf8(filled.data(filled.indexOf(QStringLiteral("word/document.xml"))));
    QCOMPARE(main.count(QStringLiteral("<w:tr>")), 4); // the layout's row and three lines
    QCOMPARE(WordParagraphTexts(XmlNode::parse(main.toUtf8(), QStringLiteral("document.xml"))->rootElement()),
             (QStringList{"Счёт 1", "Стол", "Стул", "Лампа", ""}));
    const QString nested = dir.filePath(QStringLiteral("nested.docx"));
    DocxFixture::write(nested, table(row(cell(DocxFixture::para(QStringLiteral("[*№]"))
                                              + table(row(cell(DocxFixture::para(QStringLiteral("[*Товар]"))))) + DocxFixture::para(QString())))));
    QVERIFY_THROWS_EXCEPTION(TemplateLanguageFailure, DocxTemplate(nested).filled(fields));
}

QTEST_GUILESS_MAIN(tst_TemplateLanguage)
#include "tst_TemplateLanguage.moc"
