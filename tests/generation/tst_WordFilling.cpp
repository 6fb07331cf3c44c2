#include "DocxFixture.h"

#include "base/AppFolder.h"
#include "generation/TGenerationRun.h"
#include "settings/Settings.h"
#include "word/DocxDocument.h"
#include "base/XmlNode.h"

#include <QTemporaryDir>
#include <QTest>

using namespace dokrava;

using namespace DocxFixture;

class tst_WordFilling : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void fill_data();
    void fill();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
};

void tst_WordFilling::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    AppFolder::setOverride(m_dir->path());
}

void tst_WordFilling::cleanup()
{
    AppFolder::setOverride(QString());
}

void tst_WordFilling::fill_data()
{
    QTest::addColumn<QStringList>("headers");
    QTest::addColumn<QStringList>("record");
    QTest::addColumn<QString>("personal"); // lines of replace.ini; "-" for no file
    QTest::addColumn<bool>("colontit");
    QTest::addColumn<QString>("body");
    QTest::addColumn<QString>("header");

    const QStringList h{QStringLiteral("ФИО"), QStringLiteral("Город")};
    const QStringList r{QStringLiteral("Иванов"), QStringLiteral("Москва")};
    QTest::newRow("data fields, no replace.ini: headers stay even with Colontit")
        << h << r << "-" << true << "Иванов из Москва, [Менеджер]" << "[ФИО] [Менеджер]";
    QTest::newRow("personal fields in the main text only")
        << h << r << "Менеджер~Петров~Старший" << true << "Иванов из Москва, Петров~Старший"
        << "Иванов [Менеджер]";
    QTest::newRow("Colontit off") << h << r << "Менеджер~Петров" << false << "Иванов из Москва, Петров"
                                  << "[ФИО] [Менеджер]";
    QTest::newRow("a value holding a later field is filled again")
        << h << QStringList{QStringLiteral("[Город]/[Менеджер]"), QStringLiteral("Тула")} << "Менеджер~Сидоров" << false
        << "Тула/Сидоров из Тула, Сидоров" << "[ФИО] [Менеджер]";
    QTest::newRow("a value holding an earlier field stays")
        << h << QStringList{QStringLiteral("Иванов"), QStringLiteral("[ФИО]")} << "-" << false
        << "Иванов из [ФИО], [Менеджер]" << "[ФИО] [Менеджер]";
    QTest::newRow("empty header fills []")
        << QStringList{QString(), QStringLiteral("Город")} << QStringList{QStringLiteral("пусто"), QStringLiteral("Омск")}
        << "-" << false << "[ФИО] из Омск, [Менеджер]пусто" << "[ФИО] [Менеджер]";
}

void tst_WordFilling::fill()
{
    QFETCH(QStringList, headers);
    QFETCH(QStringList, record);
    QFETCH(QString, personal);
    QFETCH(bool, colontit);
    QFETCH(QString, body);
    QFETCH(QString, header);

    const QString templ = m_dir->filePath(QStringLiteral("t.docx"));
    write(templ, para(QStringLiteral("[ФИО] из [город], [Менеджер]")) + (headers.first().isEmpty() ? para(QStringLiteral("[]")) : QString()),
          para(QStringLiteral("[ФИО] [Менеджер]")));
    // Filled by a run, as the window fills it: replace.ini is read when it exists.
    TGenerationInput in;
    in.templatesDir = m_dir->path() + QLatin1Char('/');
    in.templates = {QStringLiteral("t.docx")};
    in.grid.rows = {headers, record};
    in.grid.marks = {false, false};
    in.outputRoot = m_dir->filePath(QStringLiteral("docum"));
    in.personalFieldsFile = m_dir->filePath(QStringLiteral("replace.ini"));
    if (personal != QLatin1String("-")) {
        const int tilde = int(personal.indexOf(QLatin1Char('~')));
        WritePersonalFieldsFile(in.personalFieldsFile, {{personal.left(tilde), personal.mid(tilde + 1)}});
    }
    in.settings.Colontit = colontit;
    TGenerationRun run(in, nullptr);
    run.run();
    QCOMPARE(run.documentsWritten(), 1);

    DocxDocument doc(m_dir->filePath(QStringLiteral("docum/t/t-.docx")));
    QCOMPARE(XmlNode::parse(doc.partData(doc.mainPart()), QStringLiteral("main"))->innerText(), body);
    QCOMPARE(XmlNode::parse(doc.partData(doc.headerParts().first()), QStringLiteral("header"))->innerText(), header);
}

QTEST_GUILESS_MAIN(tst_WordFilling)
#include "tst_WordFilling.moc"
