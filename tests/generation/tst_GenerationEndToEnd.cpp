#include "base/AppFolder.h"
#include "generation/TGenerationRun.h"
#include "office/PdfConverter.h"
#include "word/DocxDocument.h"
#include "base/XmlNode.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using namespace dokrava;

namespace {

const QString kSoffice = QStringLiteral("/usr/bin/soffice");

QString samplesDir()
{
    return QStringLiteral(DOKRAVA_TEST_DATA "/../../resources/zagotka");
}

// The text LibreOffice reads from a document.
QString officeText(const QString &path, const QString &scratch)
{
    const QString txt = ConvertDocument(path, QStringLiteral("txt:Text (encoded):UTF8"), scratch, kSoffice);
    QFile f(txt);
    if (txt.isEmpty() || !f.open(QIODevice::ReadOnly))
        return QString();
    return QString::fromUtf8(f.readAll()).simplified();
}

QString pdfText(const QString &path)
{
    QProcess p;
    p.start(QStringLiteral("pdftotext"), {QStringLiteral("-enc"), QStringLiteral("UTF-8"), path, QStringLiteral("-")});
    p.waitForFinished(60000);
    return QString::fromUtf8(p.readAllStandardOutput()).simplified();
}

QString partText(DocxDocument &doc, const QString &part)
{
    return XmlNode::parse(doc.partData(part), part)->innerText();
}

} // namespace

class tst_GenerationEndToEnd : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();
    void nativeDocumentsReadBackInLibreOffice();
    void pdfDocumentsReadBackWithPdftotext();
    void legacyWordTemplateRoundTrip();
    void lineSamplesConvertToPdf();

private:
    TGenerationInput input(const QStringList &templates);
    QString docum(const QString &relative) const { return m_dir->filePath(QStringLiteral("docum/") + relative); }
    std::unique_ptr<QTemporaryDir> m_dir;
};

void tst_GenerationEndToEnd::initTestCase()
{
    if (!QFile::exists(kSoffice))
        QSKIP("LibreOffice (soffice) is not installed");
}

void tst_GenerationEndToEnd::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    AppFolder::setOverride(m_dir->path());
    QDir().mkpath(m_dir->filePath(QStringLiteral("zagotka")));
    QDir().mkpath(m_dir->filePath(QStringLiteral("txt")));
    for (const QString &name : QDir(samplesDir()).entryList(QDir::Files))
        QVERIFY(QFile::copy(samplesDir() + QLatin1Char('/') + name, m_dir->filePath(QStringLiteral("zagotka/") + name)));
}

void tst_GenerationEndToEnd::cleanup()
{
    AppFolder::setOverride(QString());
}

TGenerationInput tst_GenerationEndToEnd::input(const QStringList &templates)
{
    TGenerationInput in;
    in.templatesDir = m_dir->filePath(QStringLiteral("zagotka")) + QDir::separator();
    in.templates = templates;
    in.grid.rows = {
        {"ФИО", "Должность", "Организация", "Город", "Дата", "Сумма"},
        {"Иванов Иван Иванович", "директор", "ООО \"Ромашка\"", "Москва", "01.02.2026", "15000"},
        {"Петрова Анна Сергеевна", "главный бухгалтер", "АО Лютик & Ко", "Санкт-Петербург", "15.03.2026", "2 500,50"},
        {"Сидоров Пётр", "менеджер", "ИП Сидоров", "Казань", "20.04.2026", "700"},
    };
    in.grid.marks = {false, true, true, false};
    in.severalRecords = true;
    in.namingColumn = 3;
    in.namingMode = 1;
    in.settings.FileName = 1; // "ИмяКолонки-Шаблон"
    in.outputRoot = AppFolder::outputRoot();
    in.personalFieldsFile = AppFolder::personalFieldsFile();
    in.converter = kSoffice;
    return in;
}

void tst_GenerationEndToEnd::nativeDocumentsReadBackInLibreOffice()
{
    QFile ini(AppFolder::personalFieldsFile());
    QVERIFY(ini.open(QIODevice::WriteOnly));
    ini.close();
    TGenerationInput in = input({QStringLiteral("Договор.docx"), QStringLiteral("Письмо.odt")});
    in.settings.Colontit = true;
    TGenerationRun run(in, nullptr);
    run.run();
    QCOMPARE(run.documentsWritten(), 4);

    const QString scratch = m_dir->filePath(QStringLiteral("txt"));
    const QString letter = officeText(docum(QStringLiteral("ООО _Ромашка_/ООО _Ромашка_-Письмо.odt")), scratch);
    QVERIFY2(letter.contains(QStringLiteral("Уважаемый(ая) Иванов Иван Иванович!")), qPrintable(letter));
    // The sample letter writes the amount with groups, the contract spells it and signs with initials.
    QVERIFY2(letter.contains(QStringLiteral("начислено 15 000,00 руб. Оплату просим произвести до 01.02.2026.")),
             qPrintable(letter));
    QVERIFY(!letter.contains(QLatin1Char('[')));

    const QString contractPath = docum(QStringLiteral("АО Лютик & Ко/АО Лютик & Ко-Договор.docx"));
    const QString contract = officeText(contractPath, scratch);
    QVERIFY2(contract.contains(QStringLiteral(
                 "АО Лютик & Ко, в лице главного бухгалтера Петровой Анны Сергеевны, действующей на основании устава")),
             qPrintable(contract));
    QVERIFY2(contract.contains(QStringLiteral("Стоимость услуг составляет 2 500 (две тысячи пятьсот) рублей 50 копеек.")),
             qPrintable(contract));
    QVERIFY(contract.contains(QStringLiteral("Петрова А. С.")));
    QVERIFY(contract.contains(QStringLiteral("г. Санкт-Петербург")));
    DocxDocument doc(contractPath);
    QCOMPARE(partText(doc, doc.headerParts().first()), QStringLiteral("Договор с АО Лютик & Ко"));
    QCOMPARE(partText(doc, doc.footerParts().first()), QStringLiteral("г. Санкт-Петербург, 15.03.2026"));
}

void tst_GenerationEndToEnd::pdfDocumentsReadBackWithPdftotext()
{
    TGenerationInput in = input({QStringLiteral("Договор.docx"), QStringLiteral("Письмо.odt")});
    in.settings.FormatFile = 0;
    in.settings.CombinePdf = true;
    in.settings.Duplex = true;
    in.grid.marks = {false, true, true, false};
    TGenerationRun run(in, nullptr);
    run.run();
    QCOMPARE(run.pdfErrorCount(), 0);
    // The converter's PDFs are sound enough to go whole into the files for printing, in record order.
    QCOMPARE(run.combinedFiles().size(), 2);
    QCOMPARE(run.combineFailures(), 0);
    const QString letters = pdfText(docum(QStringLiteral("Письмо — все документы.pdf")));
    const qsizetype ivanov = letters.indexOf(QStringLiteral("Уважаемый(ая) Иванов Иван Иванович!"));
    QVERIFY2(ivanov >= 0 && ivanov < letters.indexOf(QStringLiteral("Уважаемый(ая) Петрова Анна Сергеевна!")),
             qPrintable(letters));
    QCOMPARE(QDir(docum(QStringLiteral("АО Лютик & Ко"))).entryList(QDir::Files | QDir::Hidden, QDir::Name),
             (QStringList{QStringLiteral("АО Лютик & Ко-Договор.pdf"), QStringLiteral("АО Лютик & Ко-Письмо.pdf")}));
    const QString contract = pdfText(docum(QStringLiteral("АО Лютик & Ко/АО Лютик & Ко-Договор.pdf")));
    QVERIFY2(contract.contains(QStringLiteral("главного бухгалтера Петровой Анны Сергеевны")), qPrintable(contract));
    const QString letter = pdfText(docum(QStringLiteral("АО Лютик & Ко/АО Лютик & Ко-Письмо.pdf")));
    QVERIFY2(letter.contains(QStringLiteral("Уважаемый(ая) Петрова Анна Сергеевна!")), qPrintable(letter));
    QVERIFY(letter.contains(QStringLiteral("АО Лютик & Ко, Санкт-Петербург")));
}

// The shipped invoice and act with lines, filled from their data file and converted to PDF:
// one document per group, every line in it, no marker left.
void tst_GenerationEndToEnd::lineSamplesConvertToPdf()
{
    const QString samples = QStringLiteral(DOKRAVA_TEST_DATA "/../../resources/primery");
    QDir().mkpath(m_dir->filePath(QStringLiteral("primery")));
    for (const QString &name : {QStringLiteral("Счёт.docx"), QStringLiteral("Акт.odt")})
        QVERIFY(QFile::copy(samples + QLatin1Char('/') + name, m_dir->filePath(QStringLiteral("primery/") + name)));
    TGenerationInput in = input({QStringLiteral("Счёт.docx"), QStringLiteral("Акт.odt")});
    in.templatesDir = m_dir->filePath(QStringLiteral("primery")) + QDir::separator();
    QFile csv(samples + QStringLiteral("/Счета.csv"));
    QVERIFY(csv.open(QIODevice::ReadOnly));
    in.grid.rows.clear();
    for (const QByteArray &line : csv.readAll().split('\n'))
        if (!line.trimmed().isEmpty())
            in.grid.rows.append(QString::fromUtf8(line.startsWith("\xEF\xBB\xBF") ? line.mid(3) : line).trimmed().split(QLatin1Char(';')));
    in.grid.marks = QList<bool>(in.grid.rows.size(), true);
    in.grid.marks[0] = false;
    in.namingColumn = 1;
    in.settings.FormatFile = 0;
    TGenerationRun run(in, nullptr);
    run.run();
    QCOMPARE(run.pdfErrorCount(), 0);
    QCOMPARE(run.documentsWritten(), 6);
    QCOMPARE(run.recordsWritten(), 12);
    const QString invoice = pdfText(docum(QStringLiteral("2/2-Счёт.pdf")));
    QVERIFY2(invoice.contains(QStringLiteral("Счёт № 2 от 12 марта 2026 г.")) && invoice.contains(QStringLiteral("Ручка шариковая"))
                 && invoice.contains(QStringLiteral("Блокнот")) && invoice.contains(QStringLiteral("две тысячи семьсот двадцать"))
                 && !invoice.contains(QStringLiteral("Телефон покупателя")) && !invoice.contains(QLatin1Char('[')),
             qPrintable(invoice));
    const QString act = pdfText(docum(QStringLiteral("3/3-Акт.pdf")));
    QVERIFY2(act.contains(QStringLiteral("Папка-регистратор")) && act.contains(QStringLiteral("Степлер"))
                 && act.contains(QStringLiteral("Контактный телефон заказчика: +7 812 555-01-02")) && !act.contains(QLatin1Char('[')),
             qPrintable(act));
}

void tst_GenerationEndToEnd::legacyWordTemplateRoundTrip()
{
    const QString doc = ConvertDocument(m_dir->filePath(QStringLiteral("zagotka/Договор.docx")), QStringLiteral("doc:MS Word 97"),
                                        m_dir->filePath(QStringLiteral("zagotka")), kSoffice);
    QVERIFY(!doc.isEmpty());
    TGenerationInput in = input({QStringLiteral("Договор.doc")});
    in.grid.marks = {false, false, false, true};
    TGenerationRun run(in, nullptr);
    run.run();
    const QString out = docum(QStringLiteral("ИП Сидоров/ИП Сидоров-Договор.doc"));
    QFile f(out);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.read(4), QByteArray("\xD0\xCF\x11\xE0", 4));
    f.close();
    const QString text = officeText(out, m_dir->filePath(QStringLiteral("txt")));
    QVERIFY2(text.contains(QStringLiteral("ИП Сидоров, в лице менеджера Сидорова Петра, действующего")), qPrintable(text));
}

QTEST_GUILESS_MAIN(tst_GenerationEndToEnd)
#include "tst_GenerationEndToEnd.moc"
