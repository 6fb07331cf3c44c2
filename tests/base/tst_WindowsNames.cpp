// Names and paths as Windows takes them: plain text rules, checked on every system (and under Wine
// by the Windows build).
#include "base/LongPath.h"
#include "base/ReservedNames.h"

#include <QTest>

using namespace dokrava;

class tst_WindowsNames : public QObject
{
    Q_OBJECT
private slots:
    void unreservedName_data();
    void unreservedName();
    void longPathForm_data();
    void longPathForm();
};

void tst_WindowsNames::unreservedName_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("expected");
    QTest::newRow("each device") << "CON" << "CON_";
    QTest::newRow("letter case ignored") << "pRn" << "pRn_";
    QTest::newRow("with an extension") << "aux.docx" << "aux_.docx";
    QTest::newRow("with two extensions") << "Nul.tar.gz" << "Nul_.tar.gz";
    QTest::newRow("spaces before the dot") << "com9  .txt" << "com9_  .txt";
    QTest::newRow("ports 1 to 9") << "LPT1" << "LPT1_";
    QTest::newRow("port 0 is none") << "COM0" << "COM0";
    QTest::newRow("port 10 is none") << "LPT10.pdf" << "LPT10.pdf";
    QTest::newRow("longer word") << "CONSOLE" << "CONSOLE";
    QTest::newRow("device inside a name") << "Договор-CON.docx" << "Договор-CON.docx";
    QTest::newRow("leading space is part of the name") << " CON" << " CON";
    QTest::newRow("empty") << "" << "";
}

void tst_WindowsNames::unreservedName()
{
    QFETCH(QString, name);
    QFETCH(QString, expected);
    QCOMPARE(UnreservedName(name), expected);
    QCOMPARE(IsReservedName(name), expected != name);
    QVERIFY(!IsReservedName(UnreservedName(name)));
}

void tst_WindowsNames::longPathForm_data()
{
    const QString deep = QString(60, QChar(u'д')) + "\\" + QString(60, 'b') + "\\" + QString(60, 'c') + "\\"
                         + QString(60, 'e') + ".docx";
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("expected");
    QTest::newRow("short stays") << "C:/Dokrava/docum/a.docx" << "C:\\Dokrava\\docum\\a.docx";
    QTest::newRow("long drive path") << "C:\\" + deep << "\\\\?\\C:\\" + deep;
    QTest::newRow("long, forward slashes") << "D:/" + QString(deep).replace('\\', '/') << "\\\\?\\D:\\" + deep;
    QTest::newRow("dots resolved, the system would not") << "C:\\x\\.\\y\\..\\\\" + deep << "\\\\?\\C:\\x\\" + deep;
    QTest::newRow("long share path") << "\\\\server\\share\\" + deep << "\\\\?\\UNC\\server\\share\\" + deep;
    QTest::newRow("already long form") << "\\\\?\\C:\\" + deep << "\\\\?\\C:\\" + deep;
    QTest::newRow("relative stays") << "docum\\" + deep << "docum\\" + deep;
    QTest::newRow("device path stays") << "\\\\.\\" + deep << "\\\\.\\" + deep;
}

void tst_WindowsNames::longPathForm()
{
    QFETCH(QString, path);
    QFETCH(QString, expected);
    QCOMPARE(LongPathForm(path), expected);
    QCOMPARE(QString::fromStdWString(WidePath(path)), expected);
}

QTEST_GUILESS_MAIN(tst_WindowsNames)
#include "tst_WindowsNames.moc"
