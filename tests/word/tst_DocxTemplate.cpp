#include "DocxFixture.h"
#include "ZipCompare.h"

#include "word/DocxDocument.h"
#include "word/DocxTemplate.h"
#include "zip/ZipReader.h"

#include <QTemporaryDir>
#include <QtTest>

using namespace dokrava;

namespace {

const QString kSampleContract = QStringLiteral(DOKRAVA_TEST_DATA "/../../resources/zagotka/Договор.docx");

// Paragraphs that test the search's view of a paragraph: split runs, proofing marks, field
// codes, deleted text, tabs, a text box with paragraphs of its own, and brackets that hold no field.
const QString kBody = DocxFixture::para("[ФИО], [фио] и [ Город ]")
    + "<w:p><w:r><w:rPr><w:b/></w:rPr><w:t>[Фи</w:t></w:r><w:proofErr w:type=\"spellStart\"/><w:r><w:t>о] из [Гор</w:t></w:r>"
      "<w:del><w:r><w:delText>x</w:delText></w:r></w:del><w:r><w:t>од]</w:t></w:r><w:r><w:tab/><w:t>[Сумма]</w:t></w:r></w:p>"
    + "<w:p><w:r><w:t>[Город]</w:t></w:r><w:r><w:fldChar w:fldCharType=\"begin\"/></w:r><w:r><w:instrText>[Город]</w:instrText></w:r></w:p>"
    + "<w:p><w:r><w:t>Без полей</w:t></w:r></w:p><w:tbl><w:tr><w:tc>" + DocxFixture::para("[Сумма] в таблице") + "</w:tc></w:tr></w:tbl>"
    + "<w:p><w:r><w:t>снаружи</w:t></w:r><w:r><w:drawing><w:txbxContent>" + DocxFixture::para("в рамке [ФИО]")
    + "</w:txbxContent></w:drawing></w:r></w:p>" + DocxFixture::para("[] [[ФИО]] [Должность] [Нет поля]")
    + "<w:p><w:r><w:t>[Сум</w:t></w:r><w:r><w:rPr><w:b/></w:rPr><w:t>ма:сумма и прописью] [ФИО:ПРОПИСНЫЕ]</w:t></w:r></w:p>"
    + DocxFixture::para("[должность:Заглавная] [Город:дата] [Сумма:неизвестный]");

struct Case
{
    QStringList headers;
    QStringList record;
    bool personal = false;
    bool colontit = false;
};

} // namespace

Q_DECLARE_METATYPE(Case)
Q_DECLARE_METATYPE(TWordFields)

class TestDocxTemplate : public QObject
{
    Q_OBJECT

private slots:
    void sameDocumentAsWholeFill_data();
    void sameDocumentAsWholeFill();
    void formattedPlaceholdersGolden_data();
    void formattedPlaceholdersGolden();

private:
    QTemporaryDir m_dir;
};

void TestDocxTemplate::sameDocumentAsWholeFill_data()
{
    QTest::addColumn<QString>("templ");
    QTest::addColumn<Case>("fields");
    const QStringList headers{"ФИО", "Город", "", "Сумма", "Должность"};
    const Case plain{headers, {"Иванов Иван", "Москва", "пустой заголовок", "1 000", "директор"}};
    // A value holding another column's placeholder is filled in turn, as the whole document is.
    const Case tricky{headers, {"[Город] и [сумма]", "Тверь\nвторая строка", "", "\t<&>\"", ""}};
    const QString header = DocxFixture::para("Шапка [ФИО] [Город] [Город:строчные]"),
                  footer = DocxFixture::para("[Сумма] стр. [Сумма:рубли] [Должность:ПРОПИСНЫЕ]");
    const QList<std::pair<QString, QString>> bodies{
        {"body", kBody}, {"text element inside text", "<w:p><w:r><w:t>[ФИО]<w:p><w:r><w:t>[ФИО] x</w:t></w:r></w:p></w:t></w:r></w:p>"}};
    QStringList templates{kSampleContract, QStringLiteral(DOKRAVA_TEST_DATA "/generation/unsafe_entry_names_dropped_on_output.docx")};
    for (const auto &[name, body] : bodies) {
        templates << m_dir.filePath(name + ".docx");
        DocxFixture::write(templates.last(), body, header, footer);
    }
    for (const QString &t : templates) {
        const QString name = QFileInfo(t).completeBaseName();
        QTest::newRow(qPrintable(name + ": plain")) << t << plain;
        QTest::newRow(qPrintable(name + ": tricky values")) << t << tricky;
        QTest::newRow(qPrintable(name + ": personal, headers")) << t << Case{plain.headers, plain.record, true, true};
        QTest::newRow(qPrintable(name + ": personal, no headers")) << t << Case{tricky.headers, tricky.record, true, false};
        QTest::newRow(qPrintable(name + ": no columns")) << t << Case{};
    }
}

// The document made from the split template equals, entry by entry, the one made by filling the
// whole document.
void TestDocxTemplate::sameDocumentAsWholeFill()
{
    QFETCH(QString, templ);
    QFETCH(Case, fields);
    TWordFields f;
    f.headers = fields.headers;
    f.record = fields.record;
    f.Colontit = fields.colontit;
    if (fields.personal)
        f.personal = QList<std::pair<QString, QString>>{{"Должность", "[ФИО], менеджер"}, {"Нет поля", "x"}};
    QTemporaryDir dir;
    const QString whole = dir.filePath("whole.docx"), compiled = dir.filePath("compiled.docx");
    DocxDocument doc(templ);
    FillWordDocument(doc, TReplaceOptions{true}, f);
    doc.save(whole);
    const DocxTemplate split(templ);
    // Names that are columns as they stand take no format: a document of other columns before
    // leaves these fields' formatted uses as they are.
    TWordFields other = f;
    other.headers << "Город:строчные" << "Сумма:рубли";
    other.record = QStringList(f.headers.size(), QString()) << "x" << "y";
    split.filled(other);
    split.write(compiled, f);
    split.write(compiled, f); // a second document from the same template is the same

    ZipCompare::sameEntries(compiled, whole);
}

// Fields with formats and cases, split by formatting, in the main text and with a personal
// field; the expected text is kept beside the input.
void TestDocxTemplate::formattedPlaceholdersGolden_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<TWordFields>("fields");
    TWordFields f;
    // A column named as a field with a format stays a plain field.
    f.headers = QStringList{"ФИО", "Сумма", "Дата", "Срок:дней", "Город"};
    f.record = QStringList{"Иванов Иван Иванович", "1234567,89", "15.03.2026", "30", "москва"};
    f.personal = QList<std::pair<QString, QString>>{{"Должность", "генеральный директор"}};
    QTest::newRow("formats") << "formatted_placeholders_split_by_formatting" << f;
    f.headers = QStringList{"ФИО", "Должность", "Организация", "Пол", "фио:Дательный", "Контрагент"};
    f.record = QStringList{"Кузнецова Елена Викторовна", "главный бухгалтер", "ООО «Ромашка»", "Ж", "Кузнецовой Е. В.",
                           "Мельник Саша"};
    f.personal = QList<std::pair<QString, QString>>{{"Представитель", "Полянский Юрий Сергеевич"}};
    QTest::newRow("cases") << "declined_placeholders_split_by_formatting" << f;
}

void TestDocxTemplate::formattedPlaceholdersGolden()
{
    QFETCH(QString, name);
    QFETCH(TWordFields, fields);
    const QString base = QStringLiteral(DOKRAVA_TEST_DATA "/word/") + name;
    QFile body(base + ".body.xml"), expected(base + ".expected.xml");
    QVERIFY(body.open(QIODevice::ReadOnly) && expected.open(QIODevice::ReadOnly));
    const QString templ = m_dir.filePath(name + ".docx");
    DocxFixture::write(templ, QString::fromUtf8(body.readAll()));
    const QString out = m_dir.filePath(name + "-out.docx");
    DocxTemplate(templ).write(out, fields);
    ZipReader zip(out);
    QCOMPARE(QString::fromUtf8(zip.data(zip.indexOf("word/document.xml"))), QString::fromUtf8(expected.readAll()));
    // The document filled whole gives the same text.
    DocxDocument doc(templ);
    FillWordDocument(doc, TReplaceOptions{true}, fields);
    const QString whole = m_dir.filePath(name + "-whole.docx");
    doc.save(whole);
    ZipCompare::sameEntries(out, whole);
}

QTEST_GUILESS_MAIN(TestDocxTemplate)
#include "tst_DocxTemplate.moc"
