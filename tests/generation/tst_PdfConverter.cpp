#include "FakeConverter.h"

#include "generation/PdfConverter.h"
#include "shell/AppFolder.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <sys/types.h>

class tst_PdfConverter : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void pathsWithSpacesReachTheConverterWhole();
    void converterThatCannotStart_data();
    void converterThatCannotStart();
    void slowConverterIsEndedWithItsChildren();
    void oldPdfIsNeverTakenForSuccess();

private:
    QString writeOdt(const QString &name);
    std::unique_ptr<QTemporaryDir> m_dir;
};

void tst_PdfConverter::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    AppFolder::setOverride(m_dir->path());
}

void tst_PdfConverter::cleanup()
{
    AppFolder::setOverride(QString());
}

QString tst_PdfConverter::writeOdt(const QString &name)
{
    const QString path = m_dir->filePath(name);
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    f.open(QIODevice::WriteOnly);
    f.write("odt");
    return path;
}

void tst_PdfConverter::pathsWithSpacesReachTheConverterWhole()
{
    QDir().mkpath(m_dir->filePath(QStringLiteral("Program Files/Libre Office")));
    const QString converter = FakeConverter::logging(m_dir->filePath(QStringLiteral("Program Files/Libre Office/soffice")));
    const QString odt = writeOdt(QStringLiteral("docum/Договор аренды/Договор аренды-ООО Ромашка.odt"));
    QVERIFY(ConvertODTToPDF(odt, converter));
    QVERIFY(QFile::exists(m_dir->filePath(QStringLiteral("docum/Договор аренды/Договор аренды-ООО Ромашка.pdf"))));

    QFile log(converter + QStringLiteral(".log"));
    QVERIFY(log.open(QIODevice::ReadOnly));
    const QStringList args = QString::fromUtf8(log.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    const QString profile = QStringLiteral("-env:UserInstallation=file://") + QDir(m_dir->path()).absolutePath()
                            + QStringLiteral("/temp/lo_profile");
    QCOMPARE(args, (QStringList{profile, QStringLiteral("--headless"), QStringLiteral("--convert-to"),
                                QStringLiteral("pdf"), QStringLiteral("--outdir"),
                                QFileInfo(odt).absolutePath(), odt}));
}

void tst_PdfConverter::converterThatCannotStart_data()
{
    QTest::addColumn<QString>("kind");
    QTest::newRow("missing") << "missing";
    QTest::newRow("not executable") << "plain";
}

void tst_PdfConverter::converterThatCannotStart()
{
    QFETCH(QString, kind);
    QString converter = m_dir->filePath(QStringLiteral("soffice"));
    if (kind == QLatin1String("plain"))
        FakeConverter::write(converter, "#!/bin/sh\nexit 0\n", false);
    const QString odt = writeOdt(QStringLiteral("a.odt"));
    QElapsedTimer t;
    t.start();
    QVERIFY(!ConvertODTToPDF(odt, converter, 20000));
    QVERIFY(t.elapsed() < 10000);
    QVERIFY(QFile::exists(odt));
}

void tst_PdfConverter::slowConverterIsEndedWithItsChildren()
{
    const QString converter = FakeConverter::sleeping(m_dir->filePath(QStringLiteral("soffice")));
    const QString odt = writeOdt(QStringLiteral("a.odt"));
    QElapsedTimer t;
    t.start();
    QVERIFY(!ConvertODTToPDF(odt, converter, 700));
    QVERIFY(t.elapsed() < 8000);
    QFile pidFile(converter + QStringLiteral(".pid"));
    QVERIFY(pidFile.open(QIODevice::ReadOnly));
    const pid_t child = pid_t(pidFile.readAll().trimmed().toLongLong());
    QVERIFY(child > 0);
    // The grandchild was killed with its group, so it can never write the PDF later.
    QTRY_VERIFY_WITH_TIMEOUT(::kill(child, 0) != 0, 5000);
    QVERIFY(!QFile::exists(m_dir->filePath(QStringLiteral("a.pdf"))));
}

void tst_PdfConverter::oldPdfIsNeverTakenForSuccess()
{
    const QString converter = FakeConverter::failing(m_dir->filePath(QStringLiteral("soffice")));
    const QString odt = writeOdt(QStringLiteral("a.odt"));
    const QString oldPdf = writeOdt(QStringLiteral("a.pdf"));
    QVERIFY(!ConvertODTToPDF(odt, converter));
    QVERIFY(!QFile::exists(oldPdf));
    QVERIFY(QFile::exists(odt));
}

QTEST_GUILESS_MAIN(tst_PdfConverter)
#include "tst_PdfConverter.moc"
