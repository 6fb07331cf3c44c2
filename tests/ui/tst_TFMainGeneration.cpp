// A whole generation run driven through the main window: load, mark records, generate.
#include "FakeConverter.h"
#include "WindowTest.h"

#include "base/AppFolder.h"
#include "grid/TGridModel.h"
#include "ui/Globals.h"
#include "ui/TFHelp.h"
#include "ui/TFMain.h"
#include "ui/TFZamena.h"
#include "ui/TStringGrid.h"
#include "ui_TFMain.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>

class tst_TFMainGeneration : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void markTwoRecordsAndGenerate();
    void singleRecordErrorRestoresTheWindow();
    void stopRunMidway();
    void closingDuringRunAsksFirst();

private:
    TFMain *startAndLoad();
    TFMain *startHangingPdfRun(QString &converter);
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<FakeDialogs> m_dialogs;
    std::unique_ptr<TFMain> m_main;
};

void tst_TFMainGeneration::init()
{
    WindowTest::begin(m_dir, m_dialogs);
    const QString samples = QStringLiteral(DOKRAVA_TEST_DATA "/../../resources/zagotka");
    QDir().mkpath(m_dir->filePath(QStringLiteral("zagotka")));
    for (const QString &name : QDir(samples).entryList(QDir::Files))
        QFile::copy(samples + QLatin1Char('/') + name, m_dir->filePath(QStringLiteral("zagotka/") + name));
    QFile::copy(QStringLiteral(DOKRAVA_TEST_DATA "/generation/sample_table.csv"), m_dir->filePath(QStringLiteral("data.csv")));
}

void tst_TFMainGeneration::cleanup()
{
    WindowTest::end(m_main, m_dialogs, m_dir);
}

TFMain *tst_TFMainGeneration::startAndLoad()
{
    WindowTest::open(m_main);
    Settings = TSettings();
    Settings.OpenDir = true;
    Ui::TFMain *ui = m_main->ui();
    ui->edReplace->setText(m_dir->filePath(QStringLiteral("data.csv")));
    QTest::mouseClick(ui->BLoadAll, Qt::LeftButton);
    return m_main.get();
}

void tst_TFMainGeneration::markTwoRecordsAndGenerate()
{
    TFMain *window = startAndLoad();
    Ui::TFMain *ui = window->ui();
    QCOMPARE(ui->LBFile->count(), 2);
    QCOMPARE(window->grid()->rowCount(), 4);

    ui->chkbMultiSel->setChecked(true);
    for (int row : {1, 3})
        window->SG1MouseDown(Qt::LeftButton, Qt::NoModifier, ui->SG1->cellRect(1, row).center());
    QVERIFY(window->grid()->mark(1) && !window->grid()->mark(2) && window->grid()->mark(3));

    QTest::mouseClick(ui->BReplace, Qt::LeftButton);
    // The run goes on in the background while the window stays locked for it; its button stops it.
    QCOMPARE(ui->BReplace->text(), QStringLiteral("Остановить"));
    QVERIFY(!ui->BLoadAll->isEnabled());
    QVERIFY(!ui->SG1->isEnabled());
    QTRY_COMPARE_WITH_TIMEOUT(ui->BReplace->text(), QStringLiteral("Сформировать документы"), 60000);

    QVERIFY(ui->BLoadAll->isEnabled());
    QVERIFY(ui->SG1->isEnabled());
    QVERIFY(ui->prbar->isHidden());
    QCOMPARE(ui->prbar->maximum(), 3);
    QCOMPARE(window->grid()->row(), 3);
    QVERIFY(m_dialogs->errors.isEmpty());
    QCOMPARE(m_dialogs->notices, QStringList{QStringLiteral("Готово")});
    QCOMPARE(m_dialogs->opened, QStringList{QDir::toNativeSeparators(m_dir->filePath(QStringLiteral("docum")))});
    QCOMPARE(QDir(m_dir->filePath(QStringLiteral("docum/Договор"))).entryList(QDir::Files, QDir::Name),
             (QStringList{QStringLiteral("Договор-Иванов Иван Иванович.docx"), QStringLiteral("Договор-Сидоров Пётр.docx")}));
    QCOMPARE(QDir(m_dir->filePath(QStringLiteral("docum/Письмо"))).entryList(QDir::Files, QDir::Name),
             (QStringList{QStringLiteral("Письмо-Иванов Иван Иванович.odt"), QStringLiteral("Письмо-Сидоров Пётр.odt")}));
}

void tst_TFMainGeneration::singleRecordErrorRestoresTheWindow()
{
    TFMain *window = startAndLoad();
    Ui::TFMain *ui = window->ui();
    // A file where the output root should be: no folder can be made under it.
    QFile blocker(m_dir->filePath(QStringLiteral("docum")));
    QDir(m_dir->path()).rmdir(QStringLiteral("docum"));
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();

    window->grid()->setCurrent(1, 2);
    QTest::mouseClick(ui->BReplace, Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(ui->SG1->isEnabled(), 60000);
    QVERIFY(m_dialogs->notices.isEmpty());
    QVERIFY(m_dialogs->opened.isEmpty());
    QCOMPARE(m_dialogs->errors.size(), 1);
    QVERIFY2(m_dialogs->errors.first().startsWith(QStringLiteral("Cannot create ")), qPrintable(m_dialogs->errors.first()));
}

// Starts a PDF run over every record with a converter that never finishes, and returns once the
// converter runs: the run then waits for its PDFs until it is stopped. converter receives its path.
TFMain *tst_TFMainGeneration::startHangingPdfRun(QString &converter)
{
    TFMain *window = startAndLoad();
    Ui::TFMain *ui = window->ui();
    converter = FakeConverter::hanging(m_dir->filePath(QStringLiteral("soffice")));
    LOFound = true;
    LOPath = converter;
    Settings.FormatFile = 0;
    ui->chkbReplaceAll->setChecked(true);
    QTest::mouseClick(ui->BReplace, Qt::LeftButton);
    // A failed wait marks the test failed and still hands the window back: callers check.
    [&] { QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(converter + QStringLiteral(".pids")), 20000); }();
    return window;
}

void tst_TFMainGeneration::stopRunMidway()
{
    QString converter;
    TFMain *window = startHangingPdfRun(converter);
    if (QTest::currentTestFailed())
        return;
    Ui::TFMain *ui = window->ui();
    QTest::keyClick(window, Qt::Key_Escape);
    QTRY_COMPARE_WITH_TIMEOUT(ui->BReplace->text(), QStringLiteral("Сформировать документы"), 20000);

    QCOMPARE(m_dialogs->notices, QStringList{QStringLiteral("Формирование остановлено. Создано документов: 6, из них не "
                                                            "сконвертированы в PDF: 6 (оставлены в формате .odt/.docx)")});
    QVERIFY(m_dialogs->opened.isEmpty());
    // The filled documents waited for their PDFs: they stay in their own format, and nothing half-written stays.
    QStringList left;
    QDirIterator it(m_dir->filePath(QStringLiteral("docum")), QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext())
        left << QFileInfo(it.next()).fileName();
    left.sort();
    QCOMPARE(left, (QStringList{"Договор-Иванов Иван Иванович.docx", "Договор-Петрова Анна Сергеевна.docx",
                                "Договор-Сидоров Пётр.docx", "Письмо-Иванов Иван Иванович.odt",
                                "Письмо-Петрова Анна Сергеевна.odt", "Письмо-Сидоров Пётр.odt"}));
    for (const qint64 pid : FakeConverter::recordedPids(converter))
        QTRY_VERIFY_WITH_TIMEOUT(::kill(pid_t(pid), 0) != 0, 5000);
}

void tst_TFMainGeneration::closingDuringRunAsksFirst()
{
    QString converter;
    TFMain *window = startHangingPdfRun(converter);
    if (QTest::currentTestFailed())
        return;
    Ui::TFMain *ui = window->ui();

    m_dialogs->answers = {false, true};
    QVERIFY(!window->close());
    QVERIFY(window->isVisible());
    QCOMPARE(ui->BReplace->text(), QStringLiteral("Остановить"));
    QVERIFY(window->close());
    const QString question = QStringLiteral("Формирование документов|Прервать формирование документов?");
    QCOMPARE(m_dialogs->questions, (QStringList{question, question}));
    // The run has ended before the window went: no converter is left.
    for (const qint64 pid : FakeConverter::recordedPids(converter))
        QTRY_VERIFY_WITH_TIMEOUT(::kill(pid_t(pid), 0) != 0, 5000);
}

QTEST_MAIN(tst_TFMainGeneration)
#include "tst_TFMainGeneration.moc"
