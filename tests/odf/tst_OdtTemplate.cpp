#include "OdtFixture.h"
#include "TestFiles.h"
#include "ZipCompare.h"

#include "base/AppFolder.h"
#include "odf/OdtTemplate.h"
#include "odf/TODTProcessor.h"
#include "zip/ZipReader.h"
#include "zip/ZipWriter.h"

#include <QDirIterator>
#include <QTemporaryDir>
#include <QtTest>

using namespace dokrava;

Q_DECLARE_METATYPE(TFieldValues)

namespace {

const TFieldValues kLetterData{
    {"ФИО", "Петрова Анна Сергеевна"}, {"Должность", "Генеральному директору"}, {"Индекс", "101000"},
    {"Город", "Москва"}, {"Адрес", "ул. Мясницкая, д. 1\nкв. 12"}, {"Дата", "01.03.2024"},
    {"Организация", "ООО «Ромашка & Co»"}, {"Сумма", "15 000,00"}, {"Номер", "42/А"}};

// Values that put the general rules to work: brackets in a value are placeholders for the
// pairs after it, and white space and markup characters take their own forms.
const TFieldValues kTrickyData{
    {"ФИО", "  два  пробела\tи табуляция\r\nи строка  "}, {"Дата", "[Сумма] и [ФИО]"},
    {"Сумма", "<b>&amp;\"'"}, {"Нет", "не используется"}, {"Клиент", "]["}};

// A template whose content part is the given XML, as the golden inputs hold it.
QString packed(const QString &folder, const QString &name, const QByteArray &content)
{
    const QString path = folder + "/" + name + ".odt";
    ZipWriter zip(path);
    zip.addData("mimetype", "application/vnd.oasis.opendocument.text", ZipWriter::Stored);
    zip.addData("content.xml", content, ZipWriter::Deflated);
    zip.addData("styles.xml", "<s a=\"[ФИО]\">[Дата] [ФИ<x/>О]</s>", ZipWriter::Deflated);
    zip.addData("Pictures/p.png", QByteArray(500, 'p'), ZipWriter::Stored);
    zip.close();
    return path;
}

} // namespace

class TestOdtTemplate : public QObject
{
    Q_OBJECT

private slots:
    void init() { AppFolder::setOverride(m_app.path()); }
    void cleanup() { AppFolder::setOverride(QString()); }
    void sameDocumentAsPerDocumentFill_data();
    void sameDocumentAsPerDocumentFill();
    void outputReplacedOnlyWhenComplete();

private:
    QTemporaryDir m_app;
    QTemporaryDir m_templates;
};

void TestOdtTemplate::sameDocumentAsPerDocumentFill_data()
{
    QTest::addColumn<QString>("templ");
    QTest::addColumn<TFieldValues>("data");
    const QString root = QStringLiteral(DOKRAVA_TEST_DATA "/odf");
    QStringList templates{root + "/letter.odt", root + "/../../../resources/zagotka/Письмо.odt",
                          root + "/link_address_with_bracket_same_both_ways.odt"};
    QDirIterator golden(root + "/golden", {"*.in.xml"});
    while (golden.hasNext()) {
        const QString in = golden.next();
        templates << packed(m_templates.path(), QFileInfo(in).baseName(), TestFiles::readBytes(in));
    }
    const QString plain = m_templates.filePath("inline.odt");
    OdtFixture::write(plain, "[ФИО] <text:span>[Да</text:span>та] [[Сумма]] [] [ Сумма ] [Клиент]");
    templates << plain;
    for (const QString &t : templates) {
        const QString name = QFileInfo(t).completeBaseName();
        QTest::newRow(qPrintable(name + ": letter data")) << t << kLetterData;
        QTest::newRow(qPrintable(name + ": tricky values")) << t << kTrickyData;
        QTest::newRow(qPrintable(name + ": no data")) << t << TFieldValues{};
    }
}

// The document made from the split template equals, entry by entry, the one the per-document
// fill makes.
void TestOdtTemplate::sameDocumentAsPerDocumentFill()
{
    QFETCH(QString, templ);
    QFETCH(TFieldValues, data);
    QTemporaryDir dir;
    const QString perDocument = dir.filePath("one.odt"), compiled = dir.filePath("compiled.odt");
    QVERIFY(TODTProcessor().ProcessODTTemplate(templ, perDocument, data));
    const OdtTemplate split(templ);
    split.write(compiled, data);
    split.write(compiled, data); // a second document from the same template is the same

    ZipCompare::sameEntries(compiled, perDocument);
}

void TestOdtTemplate::outputReplacedOnlyWhenComplete()
{
    QTemporaryDir dir;
    const QString out = dir.filePath("out.odt");
    TestFiles::writeBytes(out, "earlier document");
    const OdtTemplate split(QStringLiteral(DOKRAVA_TEST_DATA "/odf/letter.odt"));
    split.write(out, kLetterData);
    QVERIFY(ZipReader(out).count() > 0);
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"out.odt"});
}

QTEST_GUILESS_MAIN(TestOdtTemplate)
#include "tst_OdtTemplate.moc"
