#include "DocxFixture.h"

#include "base/AppFolder.h"
#include "generation/WordTemplate.h"
#include "settings/Settings.h"
#include "word/DocxDocument.h"
#include "word/XmlNode.h"

#include <QTemporaryDir>
#include <QTest>

using namespace DocxFixture;

class tst_WordTemplate : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void fill_data();
    void fill();
    void missingTemplateOnlyNotifies();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
};

void tst_WordTemplate::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    AppFolder::setOverride(m_dir->path());
}

void tst_WordTemplate::cleanup()
{
    AppFolder::setOverride(QString());
}

void tst_WordTemplate::fill_data()
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

void tst_WordTemplate::fill()
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
    TWordFillData data;
    data.headers = headers;
    data.record = record;
    data.personalFieldsFile = m_dir->filePath(QStringLiteral("replace.ini"));
    if (personal != QLatin1String("-")) {
        const int tilde = int(personal.indexOf(QLatin1Char('~')));
        WritePersonalFieldsFile(data.personalFieldsFile, {{personal.left(tilde), personal.mid(tilde + 1)}});
    }
    data.Colontit = colontit;
    const QString out = m_dir->filePath(QStringLiteral("out.docx"));
    QCOMPARE(FillWordTemplate(templ, TReplaceOptions{}, out, data), TWordFillResult::Written);

    DocxDocument doc(out);
    QCOMPARE(XmlNode::parse(doc.partData(doc.mainPart()), QStringLiteral("main"))->innerText(), body);
    QCOMPARE(XmlNode::parse(doc.partData(doc.headerParts().first()), QStringLiteral("header"))->innerText(), header);
}

void tst_WordTemplate::missingTemplateOnlyNotifies()
{
    TWordFillData data;
    QStringList notices;
    data.notice = [&](const QString &t) { notices << t; };
    const QString out = m_dir->filePath(QStringLiteral("out.docx"));
    QCOMPARE(FillWordTemplate(m_dir->filePath(QStringLiteral("none.docx")), TReplaceOptions{}, out, data),
             TWordFillResult::TemplateMissing);
    QCOMPARE(notices, QStringList{QStringLiteral("Файл шаблона не найден.")});
    QVERIFY(!QFile::exists(out));
}

QTEST_GUILESS_MAIN(tst_WordTemplate)
#include "tst_WordTemplate.moc"
