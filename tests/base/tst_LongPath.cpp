// The \\?\ form Windows needs past 260 characters: plain text rules, checked on every system.
#include "base/LongPath.h"

#include <QTest>

class tst_LongPath : public QObject
{
    Q_OBJECT
private slots:
    void longPathForm_data();
    void longPathForm();
};

void tst_LongPath::longPathForm_data()
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

void tst_LongPath::longPathForm()
{
    QFETCH(QString, path);
    QFETCH(QString, expected);
    QCOMPARE(LongPathForm(path), expected);
    QCOMPARE(QString::fromStdWString(WidePath(path)), expected);
}

QTEST_GUILESS_MAIN(tst_LongPath)
#include "tst_LongPath.moc"
