#include "DocxFixture.h"

#include "base/DokravaError.h"
#include "word/DocxDocument.h"
#include "base/XmlNode.h"
#include "zip/ZipReader.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace dokrava;

using namespace DocxFixture;

class tst_DocxDocument : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void partsFoundThroughRelationships();
    void mainTextLeavesHeadersAlone();
    void headersAndFootersWithTables();
    void bracketedFieldsInOrderMet();
    void savedPackageKeepsUntouchedPartsAndStaysWellFormed();
    void saveOverTheTemplateItself();
    void unsafeEntryNamesAreNotPassedOn();
    void notAWordDocument_data();
    void notAWordDocument();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_path;
};

void tst_DocxDocument::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    m_path = m_dir->filePath(QStringLiteral("t.docx"));
    write(m_path, para(QStringLiteral("Body [ФИО] and [Город]")),
          para(QStringLiteral("Head [ФИО]")) + QStringLiteral("<w:tbl><w:tr><w:tc>") + para(QStringLiteral("cell [Город]"))
              + QStringLiteral("</w:tc></w:tr></w:tbl>"),
          para(QStringLiteral("Foot [город] [Extra]")));
}

void tst_DocxDocument::partsFoundThroughRelationships()
{
    DocxDocument doc(m_path);
    QCOMPARE(doc.mainPart(), QStringLiteral("word/document.xml"));
    QCOMPARE(doc.headerParts(), QStringList{QStringLiteral("word/header1.xml")});
    QCOMPARE(doc.footerParts(), QStringList{QStringLiteral("word/footer1.xml")});
}

void tst_DocxDocument::mainTextLeavesHeadersAlone()
{
    DocxDocument doc(m_path);
    QCOMPARE(doc.replaceInMainText(QStringLiteral("[фио]"), QStringLiteral("Иванов")), 1);
    QVERIFY(QString::fromUtf8(doc.partData(QStringLiteral("word/document.xml"))).contains(QStringLiteral("Body Иванов and")));
    QVERIFY(QString::fromUtf8(doc.partData(QStringLiteral("word/header1.xml"))).contains(QStringLiteral("Head [ФИО]")));
}

void tst_DocxDocument::headersAndFootersWithTables()
{
    DocxDocument doc(m_path);
    QCOMPARE(doc.replaceInHeadersFooters(QStringLiteral("[Город]"), QStringLiteral("Москва")), 2);
    QVERIFY(QString::fromUtf8(doc.partData(QStringLiteral("word/header1.xml"))).contains(QStringLiteral("cell Москва")));
    QVERIFY(QString::fromUtf8(doc.partData(QStringLiteral("word/footer1.xml"))).contains(QStringLiteral("Foot Москва")));
    QVERIFY(QString::fromUtf8(doc.partData(QStringLiteral("word/document.xml"))).contains(QStringLiteral("[Город]")));
}

void tst_DocxDocument::bracketedFieldsInOrderMet()
{
    DocxDocument doc(m_path);
    QCOMPARE(doc.bracketedFields(), (QStringList{QStringLiteral("ФИО"), QStringLiteral("Город"), QStringLiteral("Extra")}));
}

void tst_DocxDocument::savedPackageKeepsUntouchedPartsAndStaysWellFormed()
{
    const QString out = m_dir->filePath(QStringLiteral("out.docx"));
    QByteArray footerBefore;
    {
        ZipReader zip(m_path);
        footerBefore = zip.data(zip.indexOf(QStringLiteral("word/footer1.xml")));
    }
    {
        DocxDocument doc(m_path);
        doc.replaceInMainText(QStringLiteral("[ФИО]"), QStringLiteral("A & <B>\nC"));
        doc.save(out);
    }
    ZipReader zip(out);
    QCOMPARE(zip.count(), 6);
    QCOMPARE(zip.name(0), QStringLiteral("[Content_Types].xml"));
    const int footer = zip.indexOf(QStringLiteral("word/footer1.xml"));
    QCOMPARE(zip.method(footer), 0);
    QCOMPARE(zip.data(footer), footerBefore);
    const QByteArray body = zip.data(zip.indexOf(QStringLiteral("word/document.xml")));
    QVERIFY(body.startsWith("<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>"));
    auto tree = XmlNode::parse(body, QStringLiteral("document.xml"));
    QCOMPARE(tree->innerText(), QStringLiteral("Body A & <B>C and [Город]"));
    QVERIFY(body.contains("<w:br/>"));
    // Nothing but the document is left in the folder.
    QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files | QDir::Hidden).size(), 2);
}

void tst_DocxDocument::saveOverTheTemplateItself()
{
    DocxDocument doc(m_path);
    doc.replaceInMainText(QStringLiteral("[Город]"), QStringLiteral("Тула"));
    doc.save(m_path);
    QCOMPARE(DocxDocument(m_path).bracketedFields(), (QStringList{QStringLiteral("ФИО"), QStringLiteral("Город"), QStringLiteral("Extra")}));
    QVERIFY(QString::fromUtf8(DocxDocument(m_path).partData(QStringLiteral("word/document.xml"))).contains(QStringLiteral("and Тула")));
}

void tst_DocxDocument::unsafeEntryNamesAreNotPassedOn()
{
    const QString out = m_dir->filePath(QStringLiteral("out.docx"));
    DocxDocument(QStringLiteral(DOKRAVA_TEST_DATA "/generation/unsafe_entry_names_dropped_on_output.docx")).save(out);
    ZipReader zip(out);
    QStringList names;
    for (int i = 0; i < zip.count(); ++i)
        names << zip.name(i);
    QVERIFY(names.contains(QStringLiteral("word/document.xml")));
    QCOMPARE(names.size(), 11);
    for (const QString &name : names)
        QVERIFY2(!ZipReader::safeRelativePath(name).isEmpty(), qPrintable(name));
}

void tst_DocxDocument::notAWordDocument_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::newRow("text file") << QByteArray("hello");
    QTest::newRow("empty") << QByteArray();
}

void tst_DocxDocument::notAWordDocument()
{
    QFETCH(QByteArray, content);
    const QString path = m_dir->filePath(QStringLiteral("bad.docx"));
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(content);
    f.close();
    QVERIFY_THROWS_EXCEPTION(DokravaError, DocxDocument{path});

    // A ZIP package without a main part is no Word document either.
    const QString zipPath = m_dir->filePath(QStringLiteral("other.docx"));
    {
        ZipWriter zip(zipPath);
        zip.addData(QStringLiteral("content.xml"), "<a/>", ZipWriter::Deflated);
        zip.close();
    }
    try {
        DocxDocument doc(zipPath);
        QFAIL("no error");
    } catch (const DokravaError &e) {
        QVERIFY(e.message().contains(QStringLiteral("не является документом Word")));
    }
}

QTEST_GUILESS_MAIN(tst_DocxDocument)
#include "tst_DocxDocument.moc"
