// Field discovery in the main window: scanning the selected templates and adding columns.
#include "WindowTest.h"

#include "DocxFixture.h"

#include "base/AppFolder.h"
#include "grid/TGridModel.h"
#include "ui/Globals.h"
#include "ui/TFHelp.h"
#include "ui/TFMain.h"
#include "ui/TFZamena.h"
#include "ui_TFMain.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

using namespace dokrava;

namespace {

QStringList items(QListWidget *list)
{
    QStringList texts;
    for (int i = 0; i < list->count(); ++i)
        texts << list->item(i)->text();
    return texts;
}

} // namespace

class tst_TFMainFields : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void noTemplatesLoaded();
    void scanMergesBothKindsSortedOnce();
    void onlySelectedTemplatesAreScanned();
    void missingWordTemplateIsReported();
    void addOneField();
    void addAllNewFields();

private:
    TFMain *start(const QStringList &entries);
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<FakeDialogs> m_dialogs;
    std::unique_ptr<TFMain> m_main;
};

void tst_TFMainFields::init()
{
    WindowTest::begin(m_dir, m_dialogs);
    QDir().mkpath(m_dir->filePath(QStringLiteral("zagotka")));
    QFile::copy(QStringLiteral(DOKRAVA_TEST_DATA "/../../resources/zagotka/Письмо.odt"),
                m_dir->filePath(QStringLiteral("zagotka/Письмо.odt")));
    DocxFixture::write(m_dir->filePath(QStringLiteral("zagotka/Акт.docx")), DocxFixture::para(QStringLiteral("[фио] [Телефон]")),
                       QString(), DocxFixture::para(QStringLiteral("[Подпись]")));
}

void tst_TFMainFields::cleanup()
{
    WindowTest::end(m_main, m_dialogs, m_dir);
}

TFMain *tst_TFMainFields::start(const QStringList &entries)
{
    WindowTest::open(m_main);
    m_main->ui()->LBFile->addItems(entries);
    m_main->ui()->LBFile->selectAll();
    return m_main.get();
}

void tst_TFMainFields::noTemplatesLoaded()
{
    TFMain *window = start({});
    QTest::mouseClick(window->ui()->btnGetFields, Qt::LeftButton);
    QCOMPARE(m_dialogs->notices, QStringList{QStringLiteral("Необходимо загрузить файлы шаблонов")});
    QCOMPARE(window->ui()->lbField->count(), 0);
}

void tst_TFMainFields::scanMergesBothKindsSortedOnce()
{
    TFMain *window = start({QStringLiteral("Акт.docx"), QStringLiteral("Письмо.odt")});
    QTest::mouseClick(window->ui()->btnGetFields, Qt::LeftButton);
    // A second scan of the same templates adds nothing.
    QTest::mouseClick(window->ui()->btnGetFields, Qt::LeftButton);
    QVERIFY(m_dialogs->errors.isEmpty());
    QCOMPARE(items(window->ui()->lbField),
             (QStringList{"Город", "Дата", "Должность", "Организация", "Подпись", "Сумма", "Телефон", "фио"}));
    QVERIFY(window->ui()->btnGetFields->isEnabled());
}

void tst_TFMainFields::onlySelectedTemplatesAreScanned()
{
    TFMain *window = start({QStringLiteral("Акт.docx"), QStringLiteral("Письмо.odt")});
    window->ui()->LBFile->item(1)->setSelected(false);
    QTest::mouseClick(window->ui()->btnGetFields, Qt::LeftButton);
    QCOMPARE(items(window->ui()->lbField), (QStringList{"Подпись", "Телефон", "фио"}));
}

void tst_TFMainFields::missingWordTemplateIsReported()
{
    TFMain *window = start({QStringLiteral("Нет.docx"), QStringLiteral("Акт.docx")});
    QTest::mouseClick(window->ui()->btnGetFields, Qt::LeftButton);
    QCOMPARE(m_dialogs->notices, QStringList{QStringLiteral("Файл шаблона не найден.")});
    QCOMPARE(items(window->ui()->lbField), (QStringList{"Подпись", "Телефон", "фио"}));
}

void tst_TFMainFields::addOneField()
{
    TFMain *window = start({QStringLiteral("Акт.docx")});
    TGridModel *grid = window->grid();
    grid->load({QStringLiteral("ФИО"), QStringLiteral("Подпись")}, {{QStringLiteral("a"), QStringLiteral("b")}});
    QTest::mouseClick(window->ui()->btnGetFields, Qt::LeftButton);

    QTest::mouseClick(window->ui()->btnAddField, Qt::LeftButton);
    QCOMPARE(m_dialogs->errors.size(), 1); // nothing selected

    window->ui()->lbField->setCurrentRow(0); // "Подпись" is a column already
    QTest::mouseClick(window->ui()->btnAddField, Qt::LeftButton);
    QCOMPARE(m_dialogs->notices,
             QStringList{QStringLiteral("Отмена добавления!\r\nКолонка с таким именем уже есть в таблице")});

    window->ui()->lbField->setCurrentRow(2); // "фио" differs from "ФИО" in letter case only
    QTest::mouseClick(window->ui()->btnAddField, Qt::LeftButton);
    QCOMPARE(grid->headers(), (QStringList{"ФИО", "Подпись", "фио"}));
    QCOMPARE(grid->cell(3, 1), QString());
}

void tst_TFMainFields::addAllNewFields()
{
    TFMain *window = start({QStringLiteral("Акт.docx")});
    TGridModel *grid = window->grid();
    grid->load({QStringLiteral("Телефон")}, {{QStringLiteral("1")}});
    QTest::mouseClick(window->ui()->btnAddAllField, Qt::LeftButton); // empty list: nothing
    QCOMPARE(grid->headers(), QStringList{"Телефон"});

    QTest::mouseClick(window->ui()->btnGetFields, Qt::LeftButton);
    QTest::mouseClick(window->ui()->btnAddAllField, Qt::LeftButton);
    QCOMPARE(grid->headers(), (QStringList{"Телефон", "Подпись", "фио"}));
    QTest::mouseClick(window->ui()->btnAddAllField, Qt::LeftButton);
    QCOMPARE(grid->headers(), (QStringList{"Телефон", "Подпись", "фио"}));
    QVERIFY(m_dialogs->notices.isEmpty());
}

QTEST_MAIN(tst_TFMainFields)
#include "tst_TFMainFields.moc"
