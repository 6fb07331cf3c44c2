#include "base/XmlEscape.h"
#include "odf/FieldNames.h"
#include "odf/OdtText.h"

#include <QFile>
#include <QXmlStreamReader>
#include <QtTest>

using namespace dokrava;

namespace {

// True when text parses as XML once wrapped in an element that declares the ODF prefixes.
bool wellFormed(const QString &fragment)
{
    const bool document = fragment.startsWith(QLatin1String("<?xml"));
    QXmlStreamReader xml(document ? fragment : QStringLiteral("<r xmlns:text=\"t\">") + fragment + QStringLiteral("</r>"));
    while (!xml.atEnd())
        xml.readNext();
    return !xml.hasError();
}

QString golden(const QString &name)
{
    QFile f(QStringLiteral(DOKRAVA_TEST_DATA "/odf/golden/") + name);
    if (!f.open(QIODevice::ReadOnly))
        return QStringLiteral("missing fixture ") + name;
    return QString::fromUtf8(f.readAll());
}

} // namespace

class TestOdtText : public QObject
{
    Q_OBJECT

private slots:
    void stripTags_data();
    void stripTags();
    void escapeXml_data();
    void escapeXml();
    void replaceVariable_data();
    void replaceVariable();
    void replaceVariablesOrder();
    void valueFormsStayWellFormed_data();
    void valueFormsStayWellFormed();
    void placeholderBytes_data();
    void placeholderBytes();
    void goldenParts_data();
    void goldenParts();
    void collectVariables_data();
    void collectVariables();
    void sortFieldNames();
};

void TestOdtText::stripTags_data()
{
    QTest::addColumn<QString>("in");
    QTest::addColumn<QString>("out");
    QTest::newRow("plain") << "Name" << "Name";
    QTest::newRow("trimmed") << " \t Name \n" << "Name";
    QTest::newRow("markup dropped") << "Na</text:span><text:span text:style-name=\"T1\">me" << "Name";
    QTest::newRow("empty element leaves no space") << "First<text:soft-page-break/>Name" << "FirstName";
    QTest::newRow("unclosed tag drops the rest") << "Na<me" << "Na";
    QTest::newRow("stray close dropped") << "Na>me" << "Name";
    QTest::newRow("no-break space kept") << QString(QChar(0xa0)) + "N" << QString(QChar(0xa0)) + "N";
    QTest::newRow("only markup") << " <a/> <b> " << "";
}

void TestOdtText::stripTags()
{
    QFETCH(QString, in);
    QFETCH(QString, out);
    QCOMPARE(StripTags(in), out);
}

void TestOdtText::escapeXml_data()
{
    QTest::addColumn<int>("where");
    QTest::addColumn<QString>("in");
    QTest::addColumn<QString>("out");
    const int markup = int(XmlEscapeFor::Markup), text = int(XmlEscapeFor::Text), attribute = int(XmlEscapeFor::Attribute);
    QTest::newRow("markup: the five") << markup << "A & B <c> \"d\" 'e'" << "A &amp; B &lt;c&gt; &quot;d&quot; &apos;e&apos;";
    QTest::newRow("markup: a reference escaped again") << markup << "&lt;" << "&amp;lt;";
    QTest::newRow("markup: white space kept") << markup << "a\nb\tc" << "a\nb\tc";
    // Reading turns a CR in character data into a line feed, and white space in an attribute into blanks.
    QTest::newRow("text: quotes kept, CR as reference") << text << "a<b>&\"'\r\n\t" << "a&lt;b&gt;&amp;\"'&#13;\n\t";
    QTest::newRow("attribute: quote and white space as references") << attribute << "a<b>&\"'\r\n\t"
                                                                   << "a&lt;b>&amp;&quot;'&#13;&#10;&#9;";
    QTest::newRow("nothing to escape") << text << "Иванов" << "Иванов";
}

void TestOdtText::escapeXml()
{
    QFETCH(int, where);
    QFETCH(QString, in);
    QFETCH(QString, out);
    QCOMPARE(XmlEscaped(in, XmlEscapeFor(where)), out);
}

void TestOdtText::replaceVariable_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("expected");
    QTest::newRow("simple") << "<p>Dear [Name]!</p>" << "Name" << "Ann" << "<p>Dear Ann!</p>";
    QTest::newRow("trimmed name") << "<p>[ Name ]</p>" << "Name" << "Ann" << "<p>Ann</p>";
    QTest::newRow("case counts") << "<p>[name]</p>" << "Name" << "Ann" << "<p>[name]</p>";
    QTest::newRow("key with space never matches") << "<p>[Name]</p>" << "Name " << "Ann" << "<p>[Name]</p>";
    QTest::newRow("every occurrence") << "[A]-[A]" << "A" << "1" << "1-1";
    QTest::newRow("balanced markup goes with it")
        << "<p>[Na<s>x</s>me]</p>" << "Naxme" << "V" << "<p>V</p>";
    QTest::newRow("split across spans keeps the span edges")
        << "<p><s1>[Na</s1><s2>me]</s2></p>" << "Name" << "V" << "<p><s1>V</s1><s2></s2></p>";
    QTest::newRow("split across paragraphs is no placeholder")
        << "<text:p>[Na</text:p><text:p a=\"1\">me] end</text:p>" << "Name" << "V"
        << "<text:p>[Na</text:p><text:p a=\"1\">me] end</text:p>";
    QTest::newRow("heading ends a paragraph too")
        << "<text:h>[Na</text:h><text:p>me]</text:p>" << "Name" << "V" << "<text:h>[Na</text:h><text:p>me]</text:p>";
    QTest::newRow("unclosed bracket does not swallow the next paragraph's field")
        << "<text:p>[Дата</text:p><text:p>[ Сумма ]</text:p>" << "Сумма" << "5" << "<text:p>[Дата</text:p><text:p>5</text:p>";
    QTest::newRow("double brackets fill the inner placeholder") << "[[Name]]" << "Name" << "V" << "[V]";
    QTest::newRow("stray bracket before") << "[a [Name]" << "Name" << "V" << "[a V";
    QTest::newRow("stray bracket inside a link address")
        << "<a href=\"q=[1\">x</a> [Name]" << "Name" << "V" << "<a href=\"q=[1\">x</a> V";
    QTest::newRow("inside a comment is no placeholder") << "<!-- [Name] -->[Name]" << "Name" << "V" << "<!-- [Name] -->V";
    QTest::newRow("across two attributes is no placeholder")
        << "<a t=\"[Name\" u='x]'/>" << "Name\" u='x" << "V" << "<a t=\"[Name\" u='x]'/>";
    QTest::newRow("unclosed bracket ends the scan") << "[Name] [Name" << "Name" << "V" << "V [Name";
    QTest::newRow("empty value removes placeholder") << "<p>a[Name]b</p>" << "Name" << "" << "<p>ab</p>";
    QTest::newRow("value holding its own placeholder") << "[N]" << "N" << "x[N]" << "x[N]";
    QTest::newRow("references resolved in the name") << "[A&amp;B]" << "A&B" << "1" << "1";
    QTest::newRow("stored form does not match") << "[A&amp;B]" << "A&amp;B" << "1" << "[A&amp;B]";
    QTest::newRow("inside an attribute") << "<a href=\"x?q=[Name]\">" << "Name" << "v" << "<a href=\"x?q=v\">";
    QTest::newRow("attribute keeps line ends") << "<a t=\"[N]\">" << "N" << "1\n2" << "<a t=\"1&#10;2\">";
    QTest::newRow("crossing a tag edge is no placeholder")
        << "<a t=\"[N\">x]</a>" << "N\">x" << "v" << "<a t=\"[N\">x]</a>";
    QTest::newRow("line feed and tab in text")
        << "<p>[N]</p>" << "N" << "a\nb\tc" << "<p>a<text:line-break/>b<text:tab/>c</p>";
    QTest::newRow("CR LF is one break") << "[N]" << "N" << "a\r\nb" << "a<text:line-break/>b";
    QTest::newRow("forbidden characters dropped") << "[N]" << "N" << QString("a\x01" "b\x1f" "c") << "abc";
    QTest::newRow("runs of spaces kept") << "[N]" << "N" << "a   b" << "a <text:s text:c=\"2\"/>b";
    QTest::newRow("edge spaces kept") << "[N]" << "N" << " a " << "<text:s/>a<text:s/>";
}

void TestOdtText::replaceVariable()
{
    QFETCH(QString, text);
    QFETCH(QString, field);
    QFETCH(QString, value);
    QFETCH(QString, expected);
    QCOMPARE(ReplaceVariable(text, field, value), expected);
}

void TestOdtText::replaceVariablesOrder()
{
    // Pairs go in list order: a value holding a later field's placeholder is filled by it.
    const TFieldValues data{{"A", "[B] & co"}, {"B", "x<y"}};
    QCOMPARE(ReplaceVariables("[A]|[B]", data), QString("x&lt;y &amp; co|x&lt;y"));
    const TFieldValues reversed{{"B", "x"}, {"A", "[B]"}};
    QCOMPARE(ReplaceVariables("[A]", reversed), QString("[B]"));
    QCOMPARE(ReplaceVariables("[A]", {}), QString("[A]"));
    // An unmatched "[" in a value never hides the field after it.
    QCOMPARE(ReplaceVariables("<p>[A]</p><p>Директор: [B]</p>", {{"A", "ООО Ромашка [филиал"}, {"B", "Петров"}}),
             QString("<p>ООО Ромашка [филиал</p><p>Директор: Петров</p>"));
}

void TestOdtText::valueFormsStayWellFormed_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("fills");
    QTest::newRow("span split") << "<text:p><text:span>[Na</text:span>me]</text:p>" << true;
    QTest::newRow("paragraph split") << "<text:p>x [Na</text:p><text:p>me] y</text:p>" << false;
    QTest::newRow("list item split")
        << "<text:list><text:list-item><text:p>[Na</text:p></text:list-item><text:list-item><text:p>me]</text:p>"
           "</text:list-item></text:list>" << false;
    QTest::newRow("nested open and close")
        << "<text:p><a><b>[N</b></a><c><d>am</d>e]</c></text:p>" << true;
    QTest::newRow("comment inside is no placeholder") << "<text:p>[Na<!-- x -->me]</text:p>" << false;
}

void TestOdtText::valueFormsStayWellFormed()
{
    QFETCH(QString, text);
    QFETCH(bool, fills);
    QVERIFY(wellFormed(text));
    const QString filled = ReplaceVariables(text, {{"Name", "<b>&\x02\n\t\"'"}, {"Name2", ""}});
    QVERIFY2(wellFormed(filled), qPrintable(filled));
    QCOMPARE(filled.contains("[Na") || filled.contains("[N<"), !fills);
}

// The quick form of a value is the general one for every kind of value, in text and in tags.
void TestOdtText::placeholderBytes_data()
{
    QTest::addColumn<QString>("value");
    QTest::newRow("plain") << QStringLiteral("ООО «Ромашка» 1 055,50");
    QTest::newRow("empty") << QString();
    QTest::newRow("spaces at the edges") << QStringLiteral(" a ");
    QTest::newRow("doubled spaces") << QStringLiteral("a  b");
    QTest::newRow("markup characters") << QStringLiteral("a&b<c>d\"e'f");
    QTest::newRow("tab and line ends") << QStringLiteral("a\tb\nc\r\nd");
    QTest::newRow("forbidden characters") << QStringLiteral("a\x02b") + QChar(0xFFFE) + QChar(0xDC00);
    QTest::newRow("a surrogate pair") << QStringLiteral("a") + QChar(0xD83D) + QChar(0xDE00);
    QTest::newRow("no-break space") << QStringLiteral("1") + QChar(0x00A0) + QStringLiteral("000");
}

void TestOdtText::placeholderBytes()
{
    QFETCH(QString, value);
    for (const bool inTag : {false, true})
        QCOMPARE(PlaceholderBytes(value, inTag), PlaceholderValue(XmlEscaped(value, XmlEscapeFor::Markup), inTag).toUtf8());
}

void TestOdtText::goldenParts_data()
{
    QTest::addColumn<QString>("name");
    QTest::newRow("letter body") << "letter_content";
    QTest::newRow("unbalanced markup kept beside value") << "unbalanced_markup_kept_beside_value";
    QTest::newRow("multiline value becomes line breaks") << "multiline_value_line_breaks";
    QTest::newRow("formatted placeholders split by formatting") << "formatted_placeholders_split_by_formatting";
    QTest::newRow("declined placeholders split by formatting") << "declined_placeholders_split_by_formatting";
}

void TestOdtText::goldenParts()
{
    QFETCH(QString, name);
    const TFieldValues plain{{"ФИО", "Иванов Иван"}, {"Адрес", "ул. Ленина, 1\nкв. 2"},
                             {"Сумма", "1 000 & 00"}, {"Дата", "01.02.2024"}};
    // A column named as a field with a format stays a plain field.
    const TFieldValues formats{{"ФИО", "Иванов Иван Иванович"}, {"Сумма", "1234567,89"}, {"Дата", "15.03.2026"},
                               {"Срок:дней", "30"}, {"Город", "москва"}};
    // A column named as a field with a case is the user's own form and wins.
    const TFieldValues cases{{"Организация", "ООО «Ромашка»"}, {"ФИО", "Кузнецова Елена Викторовна"},
                             {"Должность", "главный бухгалтер"}, {"Пол", "ж"}, {"ФИО:дательный", "Кузнецовой Е. В."},
                             {"Контрагент", "Мельник Саша"}, {"Пустое", ""}};
    const TFieldValues &data = name.startsWith(QLatin1String("formatted")) ? formats
                               : name.startsWith(QLatin1String("declined")) ? cases
                                                                            : plain;
    const QString filled = ReplaceVariables(golden(name + ".in.xml"), data);
    QCOMPARE(filled, golden(name + ".expected.xml"));
    QVERIFY(wellFormed(filled));
}

void TestOdtText::collectVariables_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("names");
    QTest::newRow("twice") << "<p>[Name] [Name]</p>" << QStringList{"Name", "Name"};
    QTest::newRow("split by markup") << "[Na</s><s>me]" << QStringList{"Name"};
    QTest::newRow("empty and blank") << "[] [ ] [<a/> ]" << QStringList{};
    QTest::newRow("double brackets") << "[[Name]]" << QStringList{"Name"};
    QTest::newRow("open bracket before a field") << "[a [Name] [b" << QStringList{"Name"};
    QTest::newRow("a name never spans two paragraphs")
        << "<text:p>[ФИО без закрывающей скобки до конца абзаца.</text:p><text:p>Лишняя скобка] [A]</text:p>"
        << QStringList{"A"};
    QTest::newRow("inside a comment or an instruction") << "<!-- [Q] --><?pi [R]?>[P]" << QStringList{"P"};
    QTest::newRow("reference number") << "see [12]" << QStringList{"12"};
    QTest::newRow("references resolved") << "[A &amp; B]" << QStringList{"A & B"};
    QTest::newRow("inside attribute") << "<a x=\"[Q]\">[P]</a>" << QStringList{"Q", "P"};
    QTest::newRow("crossing a tag edge") << "<a x=\"[Q\">P]</a>" << QStringList{};
    QTest::newRow("unclosed") << "[A] [B" << QStringList{"A"};
    QTest::newRow("none") << "<p>plain</p>" << QStringList{};
}

void TestOdtText::collectVariables()
{
    QFETCH(QString, text);
    QFETCH(QStringList, names);
    QStringList found;
    CollectVariables(text, found);
    QCOMPARE(found, names);
    // Every name found fills its placeholders.
    for (const QString &n : found)
        QVERIFY(ReplaceVariable(text, n, "@@") != text);
}

void TestOdtText::sortFieldNames()
{
    const QStringList sorted = SortFieldNames({"Name", "адрес", "NAME", "Banner", "Адрес", "ёлка", "zeta", "Яма"});
    QCOMPARE(sorted.size(), 6);
    QVERIFY(sorted.contains("Name"));
    QVERIFY(!sorted.contains("NAME"));
    QVERIFY(sorted.contains("адрес"));
    QVERIFY(sorted.indexOf("Banner") < sorted.indexOf("Name"));
    QVERIFY(sorted.indexOf("Name") < sorted.indexOf("zeta"));
    QVERIFY(sorted.indexOf("адрес") < sorted.indexOf("Яма"));
}

QTEST_GUILESS_MAIN(TestOdtText)
#include "tst_OdtText.moc"
