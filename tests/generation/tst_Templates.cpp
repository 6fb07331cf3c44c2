// The template list of a folder tree and the fields of one template, by its kind.
#include "base/DokravaError.h"
#include "generation/TemplateFields.h"
#include "generation/TemplateKind.h"
#include "generation/TemplateScan.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace dokrava;

namespace {

const QString kLetter = QStringLiteral(DOKRAVA_TEST_DATA "/odf/letter.odt");

void touch(const QString &path)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
}

} // namespace

class tst_Templates : public QObject
{
    Q_OBJECT
private slots:
    void templateScan();
    void templateScanMissingFolder();
    void fieldsByTemplateKind();
    void templateKind_data();
    void templateKind();
};

void tst_Templates::templateScan()
{
    QTemporaryDir dir;
    const QString root = dir.path();
    touch(root + QStringLiteral("/b.docx"));
    touch(root + QStringLiteral("/REPORT.DOCX"));
    touch(root + QStringLiteral("/~$report.docx"));
    touch(root + QStringLiteral("/note.txt"));
    touch(root + QStringLiteral("/x.odtx"));
    touch(root + QStringLiteral("/x.docx1"));
    touch(root + QStringLiteral("/a.ODT"));
    touch(root + QStringLiteral("/Договоры/Аренда.doc"));
    touch(root + QStringLiteral("/Договоры/Глубже/z.odt"));
    QDir().mkpath(root + QStringLiteral("/folder.docx"));
    const QChar sep = QDir::separator();
    const QStringList list = TemplateScan::ListTemplates(root + sep);
    QCOMPARE(list, QStringList({QStringLiteral("b.docx"), QStringLiteral("REPORT.DOCX"),
                                QStringLiteral("Договоры") + sep + QStringLiteral("Аренда.doc"), QStringLiteral("a.ODT"),
                                QStringLiteral("Договоры") + sep + QStringLiteral("Глубже") + sep + QStringLiteral("z.odt")}));
    int calls = 0;
    QStringList odt;
    TemplateScan::AddTemplateFiles(root, odt, QStringLiteral(".odt"), [&calls] { ++calls; });
    QVERIFY(calls >= 11);
}

void tst_Templates::templateScanMissingFolder()
{
    QStringList list;
    TemplateScan::AddTemplateFiles(QStringLiteral("/no/such/folder/"), list, QStringLiteral(".doc"));
    QVERIFY(list.isEmpty());
}

void tst_Templates::fieldsByTemplateKind()
{
    const QStringList expected{"Адрес", "Город", "Дата", "Должность", "Индекс", "Номер", "Организация", "Сумма", "ФИО"};
    QCOMPARE(FindTemplateFields(kLetter, QString()), expected);
    QTemporaryDir dir;
    const QString upper = dir.filePath("UPPER.ODT");
    QVERIFY(QFile::copy(kLetter, upper));
    QCOMPARE(FindTemplateFields(upper, QString()).size(), 9);
    try {
        FindTemplateFields(dir.filePath("a.rtf"), QString());
        QFAIL("no error");
    } catch (const DokravaError &e) {
        QVERIFY(e.message().contains("a.rtf"));
    }
}

void tst_Templates::templateKind_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("kind");
    QTest::newRow("odt") << "Письмо.odt" << int(TemplateKind::Odt);
    QTest::newRow("capital odt") << "АКТ.ODT" << int(TemplateKind::Odt);
    QTest::newRow("docx") << "Договор.docx" << int(TemplateKind::Docx);
    QTest::newRow("doc") << "Старый.Doc" << int(TemplateKind::Doc);
    QTest::newRow("in a sub-folder") << "Договоры/Аренда.docx" << int(TemplateKind::Docx);
    QTest::newRow("dotted folder, no extension") << "v1.odt/README" << int(TemplateKind::None);
    QTest::newRow("longer extension") << "x.odtx" << int(TemplateKind::None);
    QTest::newRow("rtf") << "a.rtf" << int(TemplateKind::None);
    QTest::newRow("no extension") << "odt" << int(TemplateKind::None);
}

void tst_Templates::templateKind()
{
    QFETCH(QString, name);
    QFETCH(int, kind);
    QCOMPARE(int(TemplateKindOf(name)), kind);
}

QTEST_GUILESS_MAIN(tst_Templates)
#include "tst_Templates.moc"
