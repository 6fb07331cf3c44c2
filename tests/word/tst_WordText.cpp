#include "base/DokravaError.h"
#include "word/WordText.h"
#include "base/XmlNode.h"

#include <QFile>
#include <QTest>

using namespace dokrava;

namespace {

const char *const kHead = "<w:body xmlns:w=\"urn:w\">";
const char *const kTail = "</w:body>";

QString wrap(const QString &body)
{
    return QString::fromLatin1(kHead) + body + QString::fromLatin1(kTail);
}

QString replaced(const QString &body, const QString &find, const QString &value, int *count = nullptr)
{
    auto doc = XmlNode::parse(wrap(body).toUtf8(), QStringLiteral("test"));
    const int n = ReplaceInWordPart(doc.get(), find, value);
    if (count)
        *count = n;
    QString out = QString::fromUtf8(doc->serialize());
    out.remove(0, qsizetype(strlen(kHead)));
    out.chop(qsizetype(strlen(kTail)));
    return out;
}

} // namespace

class tst_WordText : public QObject
{
    Q_OBJECT
private slots:
    void replace_data();
    void replace();
    void replaceAgainSeesInsertedPlaceholder();
    void valueHoldingSamePlaceholderIsNotReplacedAgain();
    void cleanValue_data();
    void cleanValue();
    void searchFoldsEveryCharacterAsUnicodeDoes();
    void collect_data();
    void collect();
    void serializeKeepsDeclarationAndEscapes();
    void malformedPartIsRefused();
    void paragraphInsideTextElement();
};

void tst_WordText::replace_data()
{
    QTest::addColumn<QString>("body");
    QTest::addColumn<QString>("find");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<int>("count");

    QTest::newRow("one run") << "<w:p><w:r><w:t>Dear [Name]!</w:t></w:r></w:p>"
                             << "[Name]" << "Ivan"
                             << "<w:p><w:r><w:t>Dear Ivan!</w:t></w:r></w:p>" << 1;
    QTest::newRow("letter case ignored")
        << "<w:p><w:r><w:t>[NAME] [name] [Name]</w:t></w:r></w:p>" << "[Name]" << "x"
        << "<w:p><w:r><w:t>x x x</w:t></w:r></w:p>" << 3;
    QTest::newRow("cyrillic case") << "<w:p><w:r><w:t>[фио]</w:t></w:r></w:p>" << "[ФИО]" << "Иванов"
                                   << "<w:p><w:r><w:t>Иванов</w:t></w:r></w:p>" << 1;
    QTest::newRow("split runs take the first run's formatting")
        << "<w:p><w:r><w:rPr><w:b/></w:rPr><w:t>a [Na</w:t></w:r><w:r><w:rPr><w:i/></w:rPr><w:t>me] b</w:t></w:r></w:p>"
        << "[Name]" << "Ivan"
        << "<w:p><w:r><w:rPr><w:b/></w:rPr><w:t>a Ivan</w:t></w:r><w:r><w:rPr><w:i/></w:rPr><w:t xml:space=\"preserve\"> b</w:t></w:r></w:p>"
        << 1;
    QTest::newRow("proofing marks and bookmarks inside")
        << "<w:p><w:r><w:t>[</w:t></w:r><w:proofErr w:type=\"spellStart\"/><w:bookmarkStart w:id=\"0\" w:name=\"b\"/>"
           "<w:r><w:t>Na</w:t></w:r><w:bookmarkEnd w:id=\"0\"/><w:proofErr w:type=\"spellEnd\"/><w:r><w:t>me]</w:t></w:r></w:p>"
        << "[Name]" << "V"
        << "<w:p><w:r><w:t>V</w:t></w:r><w:proofErr w:type=\"spellStart\"/><w:bookmarkStart w:id=\"0\" w:name=\"b\"/>"
           "<w:r><w:t/></w:r><w:bookmarkEnd w:id=\"0\"/><w:proofErr w:type=\"spellEnd\"/><w:r><w:t/></w:r></w:p>"
        << 1;
    QTest::newRow("field codes are not text")
        << "<w:p><w:r><w:t>[Na</w:t></w:r><w:r><w:fldChar w:fldCharType=\"begin\"/></w:r><w:r><w:instrText>PAGE</w:instrText></w:r>"
           "<w:r><w:fldChar w:fldCharType=\"separate\"/></w:r><w:r><w:t>me]</w:t></w:r><w:r><w:fldChar w:fldCharType=\"end\"/></w:r></w:p>"
        << "[Name]" << "V"
        << "<w:p><w:r><w:t>V</w:t></w:r><w:r><w:fldChar w:fldCharType=\"begin\"/></w:r><w:r><w:instrText>PAGE</w:instrText></w:r>"
           "<w:r><w:fldChar w:fldCharType=\"separate\"/></w:r><w:r><w:t/></w:r><w:r><w:fldChar w:fldCharType=\"end\"/></w:r></w:p>"
        << 1;
    QTest::newRow("hyperlink and smart tag runs")
        << "<w:p><w:hyperlink><w:r><w:t>[A</w:t></w:r></w:hyperlink><w:smartTag><w:r><w:t>B]</w:t></w:r></w:smartTag></w:p>"
        << "[AB]" << "ok"
        << "<w:p><w:hyperlink><w:r><w:t>ok</w:t></w:r></w:hyperlink><w:smartTag><w:r><w:t/></w:r></w:smartTag></w:p>" << 1;
    QTest::newRow("no match across paragraphs")
        << "<w:p><w:r><w:t>[Na</w:t></w:r></w:p><w:p><w:r><w:t>me]</w:t></w:r></w:p>" << "[Name]" << "V"
        << "<w:p><w:r><w:t>[Na</w:t></w:r></w:p><w:p><w:r><w:t>me]</w:t></w:r></w:p>" << 0;
    QTest::newRow("no match across a tab")
        << "<w:p><w:r><w:t>[Na</w:t><w:tab/><w:t>me]</w:t></w:r></w:p>" << "[Name]" << "V"
        << "<w:p><w:r><w:t>[Na</w:t><w:tab/><w:t>me]</w:t></w:r></w:p>" << 0;
    QTest::newRow("deleted text is not seen")
        << "<w:p><w:r><w:t>[Na</w:t></w:r><w:del><w:r><w:delText>x</w:delText></w:r></w:del><w:r><w:t>me]</w:t></w:r></w:p>"
        << "[Name]" << "V"
        << "<w:p><w:r><w:t>V</w:t></w:r><w:del><w:r><w:delText>x</w:delText></w:r></w:del><w:r><w:t/></w:r></w:p>" << 1;
    QTest::newRow("line feed and tab in the value")
        << "<w:p><w:r><w:rPr><w:b/></w:rPr><w:t>a[X]b</w:t></w:r></w:p>" << "[X]" << "1\n2\t3"
        << "<w:p><w:r><w:rPr><w:b/></w:rPr><w:t xml:space=\"preserve\">a1</w:t><w:br/><w:t xml:space=\"preserve\">2</w:t>"
           "<w:tab/><w:t xml:space=\"preserve\">3b</w:t></w:r></w:p>"
        << 1;
    QTest::newRow("special characters escaped, forbidden dropped")
        << "<w:p><w:r><w:t>[X]</w:t></w:r></w:p>" << "[X]" << QString::fromUtf8("<a & \"b\">\x01\x0c")
        << "<w:p><w:r><w:t>&lt;a &amp; \"b\"&gt;</w:t></w:r></w:p>" << 1;
    QTest::newRow("blanks of the value kept")
        << "<w:p><w:r><w:t>[X]</w:t></w:r></w:p>" << "[X]" << "  v  "
        << "<w:p><w:r><w:t xml:space=\"preserve\">  v  </w:t></w:r></w:p>" << 1;
    QTest::newRow("empty value removes the placeholder")
        << "<w:p><w:r><w:t>a[X]b</w:t></w:r></w:p>" << "[X]" << ""
        << "<w:p><w:r><w:t>ab</w:t></w:r></w:p>" << 1;
    QTest::newRow("empty header placeholder")
        << "<w:p><w:r><w:t>a[]b</w:t></w:r></w:p>" << "[]" << "v"
        << "<w:p><w:r><w:t>avb</w:t></w:r></w:p>" << 1;
    QTest::newRow("table cell")
        << "<w:tbl><w:tr><w:tc><w:p><w:r><w:t>[X]</w:t></w:r></w:p></w:tc></w:tr></w:tbl>" << "[X]" << "v"
        << "<w:tbl><w:tr><w:tc><w:p><w:r><w:t>v</w:t></w:r></w:p></w:tc></w:tr></w:tbl>" << 1;
    QTest::newRow("text box, both stored forms")
        << "<w:p><w:r><w:t>[X]</w:t></w:r><w:r><mc:AlternateContent xmlns:mc=\"urn:mc\"><mc:Choice><w:drawing><w:txbxContent>"
           "<w:p><w:r><w:t>in [X]</w:t></w:r></w:p></w:txbxContent></w:drawing></mc:Choice><mc:Fallback><w:pict><v:textbox xmlns:v=\"urn:v\">"
           "<w:txbxContent><w:p><w:r><w:t>in [X]</w:t></w:r></w:p></w:txbxContent></v:textbox></w:pict></mc:Fallback></mc:AlternateContent></w:r></w:p>"
        << "[X]" << "v"
        << "<w:p><w:r><w:t>v</w:t></w:r><w:r><mc:AlternateContent xmlns:mc=\"urn:mc\"><mc:Choice><w:drawing><w:txbxContent>"
           "<w:p><w:r><w:t>in v</w:t></w:r></w:p></w:txbxContent></w:drawing></mc:Choice><mc:Fallback><w:pict><v:textbox xmlns:v=\"urn:v\">"
           "<w:txbxContent><w:p><w:r><w:t>in v</w:t></w:r></w:p></w:txbxContent></v:textbox></w:pict></mc:Fallback></mc:AlternateContent></w:r></w:p>"
        << 3;
    QTest::newRow("brackets doubled") << "<w:p><w:r><w:t>[[X]]</w:t></w:r></w:p>" << "[X]" << "v"
                                      << "<w:p><w:r><w:t>[v]</w:t></w:r></w:p>" << 1;
    QTest::newRow("two in one run, line feeds in the value")
        << "<w:p><w:r><w:t>[X]-[X]</w:t></w:r></w:p>" << "[X]" << "1\n2"
        << "<w:p><w:r><w:t xml:space=\"preserve\">1</w:t><w:br/><w:t xml:space=\"preserve\">2-1</w:t><w:br/>"
           "<w:t xml:space=\"preserve\">2</w:t></w:r></w:p>"
        << 2;
    QTest::newRow("back to back across runs")
        << "<w:p><w:r><w:t>[X</w:t></w:r><w:r><w:t>][x</w:t></w:r><w:r><w:t>]</w:t></w:r></w:p>" << "[X]" << "v"
        << "<w:p><w:r><w:t>v</w:t></w:r><w:r><w:t>v</w:t></w:r><w:r><w:t/></w:r></w:p>" << 2;
}

void tst_WordText::replace()
{
    QFETCH(QString, body);
    QFETCH(QString, find);
    QFETCH(QString, value);
    QFETCH(QString, expected);
    QFETCH(int, count);
    int n = -1;
    QCOMPARE(replaced(body, find, value, &n), expected);
    QCOMPARE(n, count);
}

void tst_WordText::replaceAgainSeesInsertedPlaceholder()
{
    // A value holding a later field's placeholder is filled when that field's turn comes.
    auto doc = XmlNode::parse(wrap(QStringLiteral("<w:p><w:r><w:t>[A]</w:t></w:r></w:p>")).toUtf8(), QStringLiteral("t"));
    ReplaceInWordPart(doc.get(), QStringLiteral("[A]"), QStringLiteral("x[B]y"));
    ReplaceInWordPart(doc.get(), QStringLiteral("[B]"), QStringLiteral("2"));
    QCOMPARE(doc->innerText(), QStringLiteral("x2y"));
}

void tst_WordText::valueHoldingSamePlaceholderIsNotReplacedAgain()
{
    int n = 0;
    QCOMPARE(replaced(QStringLiteral("<w:p><w:r><w:t>[A]-[A]</w:t></w:r></w:p>"), QStringLiteral("[A]"),
                      QStringLiteral("<[A]>"), &n),
             QStringLiteral("<w:p><w:r><w:t>&lt;[A]&gt;-&lt;[A]&gt;</w:t></w:r></w:p>"));
    QCOMPARE(n, 2);
}

void tst_WordText::cleanValue_data()
{
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("expected");
    QTest::newRow("crlf") << "a\r\nb\rc\vd" << "a\nb\nc\nd";
    QTest::newRow("controls") << QString::fromUtf8("a\x01\x02\x1f" "b") << "ab";
    QTest::newRow("non-characters") << QString(QChar(0xFFFE)) + QChar(0xFFFF) + "z" << "z";
    QTest::newRow("astral kept") << QString::fromUtf8("😀") << QString::fromUtf8("😀");
    QTest::newRow("tabs, line feeds and plain text kept") << "Иванов\tИ.\nМосква «Ромашка» \uE000\uFFFD"
                                                         << "Иванов\tИ.\nМосква «Ромашка» \uE000\uFFFD";
    // A lone surrogate is no character: it becomes the replacement character.
    QTest::newRow("lone high surrogate at the end") << QStringLiteral("ab") + QChar(0xD83D) << QStringLiteral("ab\uFFFD");
    QTest::newRow("lone low surrogate") << QStringLiteral("a") + QChar(0xDE00) + QStringLiteral("b") << QStringLiteral("a\uFFFDb");
    QTest::newRow("high surrogate before a letter") << QStringLiteral("a") + QChar(0xD83D) + QStringLiteral("b") << QStringLiteral("a\uFFFDb");
}

void tst_WordText::cleanValue()
{
    QFETCH(QString, value);
    QFETCH(QString, expected);
    QCOMPARE(CleanWordValue(value), expected);
}

void tst_WordText::searchFoldsEveryCharacterAsUnicodeDoes()
{
    for (char32_t u = 0; u <= 0xFFFF; ++u) {
        const QChar c(char16_t(u), 0);
        if (u == 0xFFFF) // marks where a paragraph's text is cut: never searched for
            continue;
        if (PrepareWordReplacement(QString(c), QString()).foldedFind != QString(c.toCaseFolded()))
            QFAIL(qPrintable(QStringLiteral("U+%1 folds differently").arg(uint(u), 4, 16, QLatin1Char('0'))));
    }
}

void tst_WordText::collect_data()
{
    QTest::addColumn<QString>("body");
    QTest::addColumn<QStringList>("names");
    QTest::newRow("split and repeated")
        << "<w:p><w:r><w:t>[Na</w:t></w:r><w:r><w:t>me] [NAME] [Город]</w:t></w:r></w:p>"
        << QStringList{"Name", "Город"};
    QTest::newRow("empty and blanks") << "<w:p><w:r><w:t>[] [ ] [ a ]</w:t></w:r></w:p>" << QStringList{" ", " a "};
    QTest::newRow("doubled bracket") << "<w:p><w:r><w:t>[[X]]</w:t></w:r></w:p>" << QStringList{"X"};
    QTest::newRow("open bracket before a field")
        << "<w:p><w:r><w:t>ООО Ромашка [филиал </w:t></w:r><w:r><w:t>Директор: [B] [C</w:t></w:r></w:p>" << QStringList{"B"};
    QTest::newRow("unclosed ends the paragraph")
        << "<w:p><w:r><w:t>[A] [B</w:t></w:r></w:p><w:p><w:r><w:t>C]</w:t></w:r></w:p>" << QStringList{"A"};
    QTest::newRow("field code not listed")
        << "<w:p><w:r><w:instrText>[code]</w:instrText></w:r><w:r><w:t>[shown]</w:t></w:r></w:p>" << QStringList{"shown"};
}

void tst_WordText::collect()
{
    QFETCH(QString, body);
    QFETCH(QStringList, names);
    auto doc = XmlNode::parse(wrap(body).toUtf8(), QStringLiteral("t"));
    QStringList found;
    CollectBracketedFields(doc.get(), found);
    QCOMPARE(found, names);
}

void tst_WordText::serializeKeepsDeclarationAndEscapes()
{
    const QByteArray in = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\r\n"
                          "<w:document xmlns:w=\"urn:w\" a=\"x&amp;y&quot;&#10;\"><!--c--><w:t>a&lt;b&#13;</w:t><?pi data?></w:document>";
    auto doc = XmlNode::parse(in, QStringLiteral("t"));
    QCOMPARE(doc->serialize(), QByteArray("<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\r\n"
                                          "<w:document xmlns:w=\"urn:w\" a=\"x&amp;y&quot;&#10;\"><!--c--><w:t>a&lt;b&#13;</w:t><?pi data?></w:document>"));
}

void tst_WordText::malformedPartIsRefused()
{
    QVERIFY_THROWS_EXCEPTION(DokravaError, XmlNode::parse("<a><b></a>", QStringLiteral("t")));
    QVERIFY_THROWS_EXCEPTION(DokravaError, XmlNode::parse("<!DOCTYPE a [<!ENTITY x \"y\">]><a>&x;</a>", QStringLiteral("t")));
    QByteArray deep;
    for (int i = 0; i < 5000; ++i)
        deep += "<a>";
    QVERIFY_THROWS_EXCEPTION(DokravaError, XmlNode::parse(deep, QStringLiteral("t")));
}

void tst_WordText::paragraphInsideTextElement()
{
    // A paragraph nested in a text element went away with that element while still being filled.
    QFile f(QStringLiteral(DOKRAVA_TEST_DATA "/generation/paragraph_inside_text_element.xml"));
    QVERIFY(f.open(QIODevice::ReadOnly));
    auto doc = XmlNode::parse(f.readAll(), QStringLiteral("t"));
    QCOMPARE(ReplaceInWordPart(doc.get(), QStringLiteral("[A]"), QStringLiteral("1\n2")), 3);
    const QByteArray written = doc->serialize();
    QCOMPARE(XmlNode::parse(written, QStringLiteral("t"))->innerText(), QStringLiteral("1212 x12"));
}

QTEST_GUILESS_MAIN(tst_WordText)
#include "tst_WordText.moc"
