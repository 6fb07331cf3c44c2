#include "base/AppFolder.h"
#include "base/DokravaError.h"
#include "generation/FindFieldsInWord.h"
#include "word/DocxDocument.h"
#include "zip/ZipWriter.h"

#include "DocxFixture.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace dokrava;

using namespace DocxFixture;

class tst_FindFieldsInWord : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void fields_data();
    void fields();
    void missingFile();
    void notAPackage_data();
    void notAPackage();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
};

void tst_FindFieldsInWord::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    AppFolder::setOverride(m_dir->path());
}

void tst_FindFieldsInWord::cleanup()
{
    AppFolder::setOverride(QString());
}

void tst_FindFieldsInWord::fields_data()
{
    QTest::addColumn<QString>("body");
    QTest::addColumn<QString>("header");
    QTest::addColumn<QString>("footer");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("body case wins over footer")
        << para("[Город] [ФИО]") << QString() << para("[город] [Дата]") << QStringList{"Город", "ФИО", "Дата"};
    QTest::newRow("header table")
        << para("[А]") << QStringLiteral("<w:tbl><w:tr><w:tc>") + para("[Б]") + QStringLiteral("</w:tc></w:tr></w:tbl>")
        << QString() << QStringList{"А", "Б"};
    QTest::newRow("blanks kept inside, empty left out")
        << para("[] [ Имя ] x") << QString() << QString() << QStringList{" Имя "};
    QTest::newRow("split across runs")
        << QStringLiteral("<w:p><w:r><w:t>[Сум</w:t></w:r><w:proofErr w:type=\"spellStart\"/><w:r><w:rPr><w:b/></w:rPr><w:t>ма]</w:t></w:r></w:p>")
        << QString() << QString() << QStringList{"Сумма"};
    QTest::newRow("no brackets") << para("Просто текст") << QString() << QString() << QStringList{};
    QTest::newRow("a field with formats is listed once, an unknown format keeps the name")
        << para("[Сумма:прописью] [ сумма : Рубли ] [Срок:дней]") << QString() << para("[Сумма]")
        << QStringList{"Сумма", "Срок:дней"};
}

void tst_FindFieldsInWord::fields()
{
    QFETCH(QString, body);
    QFETCH(QString, header);
    QFETCH(QString, footer);
    QFETCH(QStringList, expected);
    const QString path = m_dir->filePath(QStringLiteral("t.docx"));
    write(path, body, header, footer);
    QCOMPARE(FindFieldsInWord(path, QString()), expected);
}

void tst_FindFieldsInWord::missingFile()
{
    try {
        FindFieldsInWord(m_dir->filePath(QStringLiteral("none.docx")), QString());
        QFAIL("no error");
    } catch (const DokravaError &e) {
        QCOMPARE(e.message(), QStringLiteral("Файл шаблона не найден."));
    }
}

void tst_FindFieldsInWord::notAPackage_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("converter");
    QTest::addColumn<QString>("message");
    QTest::newRow("legacy without converter") << "old.doc" << false << "Для шаблонов .doc нужен LibreOffice";
    // Only ".doc" is handed to the converter: a ".docx" that is no package is broken.
    QTest::newRow("broken docx") << "broken.docx" << true << "Шаблон повреждён: broken.docx";
}

void tst_FindFieldsInWord::notAPackage()
{
    QFETCH(QString, name);
    QFETCH(bool, converter);
    QFETCH(QString, message);
    const QString path = m_dir->filePath(name);
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(QByteArray("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8));
    f.close();
    QString script;
    if (converter) {
        script = m_dir->filePath(QStringLiteral("soffice"));
        QFile s(script);
        QVERIFY(s.open(QIODevice::WriteOnly));
        s.write("#!/bin/sh\nexit 1\n");
        s.close();
        s.setPermissions(s.permissions() | QFile::ExeOwner);
    }
    try {
        FindFieldsInWord(path, script);
        QFAIL("no error");
    } catch (const DokravaError &e) {
        QCOMPARE(e.message(), message);
    }
}

QTEST_GUILESS_MAIN(tst_FindFieldsInWord)
#include "tst_FindFieldsInWord.moc"
