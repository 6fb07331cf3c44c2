#include "FillPaths.h"

#include "base/AppFolder.h"

#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>

using namespace dokrava;

// The templates read once for a run and the per-document fill give the same document, entry by
// entry, over templates made from choices (FillPaths.h); the fuzz target fuzz_fill_paths runs
// the same comparison on choices it searches for.
class tst_FillPaths : public QObject
{
    Q_OBJECT

private slots:
    void init() { AppFolder::setOverride(m_app.path()); }
    void cleanup() { AppFolder::setOverride(QString()); }
    void bothWaysGiveOneDocument_data();
    void bothWaysGiveOneDocument();

private:
    QTemporaryDir m_app;
};

void tst_FillPaths::bothWaysGiveOneDocument_data()
{
    QTest::addColumn<bool>("odt");
    QTest::addColumn<QByteArray>("choices");
    // Templates and values from a fixed sequence of seeds, so every run compares the same ones.
    for (quint32 seed = 1; seed <= 500; ++seed) {
        QRandomGenerator random(seed);
        QByteArray choices(300, Qt::Uninitialized);
        random.fillRange(reinterpret_cast<quint32 *>(choices.data()), choices.size() / 4);
        QTest::newRow(qPrintable(QStringLiteral(".odt %1").arg(seed))) << true << choices;
        QTest::newRow(qPrintable(QStringLiteral(".docx %1").arg(seed))) << false << choices;
    }
}

void tst_FillPaths::bothWaysGiveOneDocument()
{
    QFETCH(bool, odt);
    QFETCH(QByteArray, choices);
    QTemporaryDir dir;
    FillPaths::Choices c(choices);
    const QString difference = odt ? FillPaths::odtDifference(dir.path(), c) : FillPaths::wordDifference(dir.path(), c);
    QVERIFY2(difference.isEmpty(), qPrintable(difference));
}

QTEST_GUILESS_MAIN(tst_FillPaths)
#include "tst_FillPaths.moc"
