// A whole generation run driven through the main window: load, mark records, generate.
#include "FakeConverter.h"
#include "LanguageFixture.h"
#include "PdfFixture.h"
#include "WindowTest.h"

#include "base/AppFolder.h"
#include "grid/TGridModel.h"
#include "ui/Globals.h"
#include "ui/TFHelp.h"
#include "ui/TFMain.h"
#include "ui/TFZamena.h"
#include "ui/TStringGrid.h"
#include "ui_TFMain.h"
#include "ui_TFZamena.h"

#include <QDir>
#include <QDirIterator>
#include <QProgressBar>
#include <QSet>
#include <QStatusBar>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>

using namespace dokrava;

class tst_TFMainGeneration : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void markTwoRecordsAndGenerate();
    void groupsCountInTheOneReport();
    void combinedPdfForPrinting();
    void singleRecordErrorRestoresTheWindow();
    void stopRunMidway();
    void closingDuringRunAsksFirst();
    void pdfProgressMovesPerDocument();
    void fileNameOrderSetting_data();
    void fileNameOrderSetting();
    void shippedSamplesPassTheCheck();

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

// A template with lines makes one document of records that agree: the count of documents and
// records is part of the one report the run ends with, not a second notice.
void tst_TFMainGeneration::groupsCountInTheOneReport()
{
    LanguageFixture::writeOdt(m_dir->filePath(QStringLiteral("zagotka/Список.odt")), {"P:Список", "L:[*ФИО], [*Город]"});
    TFMain *window = startAndLoad();
    Ui::TFMain *ui = window->ui();
    Settings.OpenDir = false;
    for (int i = 0; i < ui->LBFile->count(); ++i)
        ui->LBFile->item(i)->setSelected(ui->LBFile->item(i)->text() == QStringLiteral("Список.odt"));
    ui->chkbMultiSel->setChecked(true);
    for (int row : {1, 2, 3})
        window->SG1MouseDown(Qt::LeftButton, Qt::NoModifier, ui->SG1->cellRect(1, row).center());
    QTest::mouseClick(ui->BReplace, Qt::LeftButton);
    QTRY_COMPARE_WITH_TIMEOUT(ui->BReplace->text(), QStringLiteral("Сформировать документы"), 60000);
    QVERIFY2(m_dialogs->errors.isEmpty(), qPrintable(m_dialogs->errors.join(QLatin1Char('\n'))));
    QCOMPARE(m_dialogs->notices, QStringList{QStringLiteral("Готово\nДокументов создано: 1 (записей: 3)")});
}

void tst_TFMainGeneration::combinedPdfForPrinting()
{
    TFMain *window = startAndLoad();
    Ui::TFMain *ui = window->ui();
    const QString pool = m_dir->filePath(QStringLiteral("pool"));
    QDir().mkpath(pool);
    PdfFixture::write(pool + QStringLiteral("/Письмо-Иванов Иван Иванович.pdf"), {"101x500"});
    PdfFixture::write(pool + QStringLiteral("/Письмо-Сидоров Пётр.pdf"), {"301x500", "302x500"});
    LOFound = true;
    LOPath = FakeConverter::fromPool(m_dir->filePath(QStringLiteral("soffice")), pool);
    // The user ticks the three controls beside the format in the settings window and saves.
    FZamena = new TFZamena;
    FZamena->FormShow();
    Ui::TFZamena *settings = FZamena->ui();
    settings->rgFileFormat_0->click();
    settings->chkCombinePdf->click();
    settings->chkDuplex->click();
    settings->spCopies->setValue(2);
    settings->B_Save->click();

    ui->LBFile->findItems(QStringLiteral("Договор.docx"), Qt::MatchExactly).first()->setSelected(false);
    ui->chkbMultiSel->setChecked(true);
    for (int row : {1, 3})
        window->SG1MouseDown(Qt::LeftButton, Qt::NoModifier, ui->SG1->cellRect(1, row).center());
    QTest::mouseClick(ui->BReplace, Qt::LeftButton);
    QTRY_COMPARE_WITH_TIMEOUT(ui->BReplace->text(), QStringLiteral("Сформировать документы"), 60000);

    const QString file = m_dir->filePath(QStringLiteral("docum/Письмо — все документы.pdf"));
    QVERIFY(m_dialogs->errors.isEmpty());
    QCOMPARE(m_dialogs->notices,
             (QStringList{QStringLiteral("Сохранение выполнено"), QStringLiteral("Готово"),
                          QStringLiteral("Общий файл для печати: %1 (документов: 2, страниц: 8)").arg(QDir::toNativeSeparators(file))}));
    QCOMPARE(PdfFixture::pages(file), (QStringList{"101x500", "[101x500]", "101x500", "[101x500]", "301x500", "302x500",
                                                   "301x500", "302x500"}));
    QCOMPARE(PdfFixture::bookmarks(file), (QStringList{"Письмо-Иванов Иван Иванович@0", "Письмо-Сидоров Пётр@4"}));
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
    // "Да": the window stays, responsive, until the run has stopped, then goes by itself; with
    // it the last window is gone, which ends the program.
    window->close();
    QVERIFY(window->isVisible());
    QTRY_VERIFY_WITH_TIMEOUT(!window->isVisible(), 20000);
    QVERIFY(QGuiApplication::quitOnLastWindowClosed());
    for (QWidget *top : QApplication::topLevelWidgets())
        QVERIFY2(!top->isVisible() || top->windowType() == Qt::ToolTip, qPrintable(top->objectName()));
    const QString question = QStringLiteral("Формирование документов|Прервать формирование документов?");
    QCOMPARE(m_dialogs->questions, (QStringList{question, question}));
    // No box is left behind: neither the stopped run's report nor anything else.
    QCoreApplication::processEvents();
    QCOMPARE(m_dialogs->notices, QStringList());
    QCOMPARE(m_dialogs->errors, QStringList());
    QVERIFY(m_dialogs->opened.isEmpty());
    // The run has ended before the window went: no converter is left.
    for (const qint64 pid : FakeConverter::recordedPids(converter))
        QTRY_VERIFY_WITH_TIMEOUT(::kill(pid_t(pid), 0) != 0, 5000);
}

void tst_TFMainGeneration::pdfProgressMovesPerDocument()
{
    TFMain *window = startAndLoad();
    Ui::TFMain *ui = window->ui();
    // Converts each document it is given in turn, half a second apiece.
    LOPath = FakeConverter::write(m_dir->filePath(QStringLiteral("soffice")),
        FakeConverter::eachSource("", "       sleep 0.5; printf '%%PDF-1.4\\n%%%%EOF\\n' > \"$out/$base.pdf\"", ""));
    LOFound = true;
    Settings.FormatFile = 0;
    Settings.Check = false;
    QSet<int> shown;
    connect(ui->prbar, &QProgressBar::valueChanged, ui->prbar, [&shown, ui](int value) {
        if (ui->prbar->format().startsWith(QStringLiteral("PDF:")))
            shown.insert(value);
    });
    ui->chkbReplaceAll->setChecked(true);
    QTest::mouseClick(ui->BReplace, Qt::LeftButton);
    QVERIFY(ui->statusBar->isAncestorOf(ui->prbar)); // progress lives at the bottom of the window
    QTRY_COMPARE_WITH_TIMEOUT(ui->BReplace->text(), QStringLiteral("Сформировать документы"), 60000);
    QCOMPARE(m_dialogs->notices, QStringList{QStringLiteral("Готово")});
    // Six PDFs: the bar stops between the first and the last, not only at the batches' ends.
    QSet<int> between = shown;
    between.remove(0);
    between.remove(6);
    QVERIFY2(between.size() >= 2, qPrintable(QString::number(between.size())));
    QCOMPARE(QDir(m_dir->filePath(QStringLiteral("docum/Письмо"))).entryList({QStringLiteral("*.pdf")}).size(), 3);
}

void tst_TFMainGeneration::fileNameOrderSetting_data()
{
    QTest::addColumn<bool>("byColumn");   // "Формировать имя папки": "по колонке"
    QTest::addColumn<int>("fileName");    // "Имя файла": 0 "Шаблон-ИмяКолонки", 1 "ИмяКолонки-Шаблон"
    QTest::addColumn<QString>("expected");
    QTest::newRow("by template, template first") << false << 0 << "Письмо/Письмо-Сидоров Пётр.odt";
    QTest::newRow("by template, value first") << false << 1 << "Письмо/Сидоров Пётр-Письмо.odt";
    QTest::newRow("by column, template first") << true << 0 << "Сидоров Пётр/Письмо-Сидоров Пётр.odt";
    QTest::newRow("by column, value first") << true << 1 << "Сидоров Пётр/Сидоров Пётр-Письмо.odt";
}

void tst_TFMainGeneration::fileNameOrderSetting()
{
    QFETCH(bool, byColumn);
    QFETCH(int, fileName);
    QFETCH(QString, expected);
    TFMain *window = startAndLoad();
    Ui::TFMain *ui = window->ui();
    Settings.FileName = fileName;
    Settings.OpenDir = false;
    (byColumn ? ui->rgFileName_1 : ui->rgFileName_0)->setChecked(true);
    ui->LBFile->item(0)->setSelected(ui->LBFile->item(0)->text().endsWith(QStringLiteral(".odt")));
    ui->LBFile->item(1)->setSelected(ui->LBFile->item(1)->text().endsWith(QStringLiteral(".odt")));
    window->grid()->setCurrent(1, 3);
    QTest::mouseClick(ui->BReplace, Qt::LeftButton);
    QTRY_COMPARE_WITH_TIMEOUT(ui->BReplace->text(), QStringLiteral("Сформировать документы"), 60000);
    QVERIFY2(m_dialogs->errors.isEmpty(), qPrintable(m_dialogs->errors.join(QLatin1Char('\n'))));
    QStringList written;
    QDirIterator it(m_dir->filePath(QStringLiteral("docum")), QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext())
        written << QDir(m_dir->filePath(QStringLiteral("docum"))).relativeFilePath(it.next());
    QCOMPARE(written, QStringList{expected});
}

void tst_TFMainGeneration::shippedSamplesPassTheCheck()
{
    // A new installation: the shipped templates, table, settings and personal fields.
    const QString resources = QStringLiteral(DOKRAVA_TEST_DATA "/../../resources/");
    for (const QString &name : {QStringLiteral("Replace.xls"), QStringLiteral("settings.ini"), QStringLiteral("replace.ini")})
        QVERIFY(QFile::copy(resources + name, m_dir->filePath(name)));
    WindowTest::open(m_main);
    Ui::TFMain *ui = m_main->ui();
    QVERIFY(Settings.Check);
    QTest::mouseClick(ui->BLoadAll, Qt::LeftButton);
    QCOMPARE(ui->LBFile->count(), 2);
    QTest::mouseClick(ui->BReplace, Qt::LeftButton);
    // The first click finds nothing to warn about: the run starts at once.
    QVERIFY(m_dialogs->preflights.isEmpty());
    QTRY_COMPARE_WITH_TIMEOUT(ui->BReplace->text(), QStringLiteral("Сформировать документы"), 60000);
    QVERIFY2(m_dialogs->errors.isEmpty(), qPrintable(m_dialogs->errors.join(QLatin1Char('\n'))));
    QCOMPARE(QDir(m_dir->filePath(QStringLiteral("docum/Договор"))).entryList(QDir::Files).size(), 1);
}

QTEST_MAIN(tst_TFMainGeneration)
#include "tst_TFMainGeneration.moc"
