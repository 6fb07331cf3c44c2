// The help window's text encodings and the support window's picture, hint and page.
#include "TestFiles.h"
#include "FakeDialogs.h"

#include "ui/TFDonate.h"
#include "ui/MissingGlyphs.h"
#include "ui/TFHelp.h"
#include "ui_TFDonate.h"
#include "ui_TFHelp.h"
#include "base/AppFolder.h"

#include <QImage>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

using namespace dokrava;

namespace {

const QString kHelpText = QStringLiteral("Генератор документов — справка\nПоля: [ФИО], [Дата]\nЁлка ёж №5");

} // namespace

class tst_HelpSupport : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void helpEncodings_data();
    void helpEncodings();
    void helpReloadsOnEveryShow();
    void missingHelpKeepsOldText();
    void donatePicture();
    void donateWithoutPicture_data();
    void donateWithoutPicture();
    void donateOpensPaymentPage();
    void shippedHelpCoversTheWindow();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<FakeDialogs> m_dialogs;
};

void tst_HelpSupport::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    AppFolder::setOverride(m_dir->path());
    m_dialogs = std::make_unique<FakeDialogs>();
}

void tst_HelpSupport::cleanup()
{
    m_dialogs.reset();
    AppFolder::setOverride(QString());
    m_dir.reset();
}

void tst_HelpSupport::helpEncodings_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("text");
    const QString data = DOKRAVA_TEST_DATA "/help/";
    QTest::newRow("utf-8 with mark") << TestFiles::readBytes(data + "help_utf8_bom.txt") << kHelpText;
    QTest::newRow("utf-16 le with mark") << TestFiles::readBytes(data + "help_utf16le_bom.txt") << kHelpText;
    QTest::newRow("utf-16 be with mark") << TestFiles::readBytes(data + "help_utf16be_bom.txt") << kHelpText;
    QTest::newRow("ansi without mark") << TestFiles::readBytes(data + "help_cp1251_no_bom.txt") << kHelpText;
    // The same UTF-8 text without its mark is taken as the single-byte code page.
    QTest::newRow("utf-8 without mark") << QByteArray("\xD0\x96") << QStringLiteral("Р–");
    QTest::newRow("mark only") << QByteArray("\xEF\xBB\xBF") << QString();
    QTest::newRow("lone cr and lf ends") << QByteArray("a\rb\nc\r\n") << QStringLiteral("a\nb\nc");
}

void tst_HelpSupport::helpEncodings()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, text);
    QVERIFY(!bytes.isNull());
    TestFiles::writeBytes(AppFolder::path() + "help.txt", bytes);
    TFHelp help;
    QCOMPARE(help.windowTitle(), QStringLiteral("Справка программы"));
    QCOMPARE(help.ui()->Memo1->toPlainText(), QStringLiteral("Memo1"));
    help.show();
    QCOMPARE(help.ui()->Memo1->toPlainText(), text);
    QVERIFY(m_dialogs->errors.isEmpty());
}

void tst_HelpSupport::helpReloadsOnEveryShow()
{
    const QString path = AppFolder::path() + "help.txt";
    TestFiles::writeBytes(path, "first");
    TFHelp help;
    help.show();
    QCOMPARE(help.ui()->Memo1->toPlainText(), QStringLiteral("first"));
    help.hide();
    TestFiles::writeBytes(path, "second");
    help.show();
    QCOMPARE(help.ui()->Memo1->toPlainText(), QStringLiteral("second"));
}

void tst_HelpSupport::missingHelpKeepsOldText()
{
    TFHelp help;
    help.show();
    QVERIFY(help.isVisible());
    QCOMPARE(help.ui()->Memo1->toPlainText(), QStringLiteral("Memo1"));
    QCOMPARE(m_dialogs->errors.size(), 1);
    QVERIFY(m_dialogs->errors.first().contains("help.txt"));
}

void tst_HelpSupport::donatePicture()
{
    QImage picture(TFDonate::PictureResource);
    QCOMPARE(picture.size(), QSize(100, 100));
    QVERIFY(picture.hasAlphaChannel());
    QCOMPARE(picture.depth(), 32);

    TFDonate donate;
    QCOMPARE(donate.windowTitle(), QStringLiteral("Поддержать проект"));
    QCOMPARE(donate.size(), QSize(234, 281));
    QCOMPARE(donate.minimumSize(), donate.maximumSize());
    QCOMPARE(donate.ui()->lblHint->text(), QStringLiteral("Отсканируйте камерой"));
    QCOMPARE(donate.ui()->imgQR->geometry(), QRect(30, 20, 180, 180));
    QCOMPARE(donate.ui()->imgQR->pixmap().size(), QSize(180, 180));
    // The globe stays only where a font can draw it: never an empty box.
    const QString open = donate.ui()->btnOpen->text();
    QVERIFY2(open == QStringLiteral("🌐 Открыть в браузере") || open == QStringLiteral("Открыть в браузере"), qPrintable(open));
    QVERIFY(!HasMissingGlyph(open, donate.ui()->btnOpen->font()));
    QVERIFY(HasMissingGlyph(QString(QChar(0xE000)), donate.ui()->btnOpen->font())); // private use: no font has it
}

void tst_HelpSupport::shippedHelpCoversTheWindow()
{
    const QString resources = QStringLiteral(DOKRAVA_TEST_DATA "/../../resources/");
    QVERIFY(QFile::copy(resources + "help.txt", AppFolder::path() + "help.txt"));
    TFHelp help;
    help.show();
    const QString html = QString::fromUtf8(TestFiles::readBytes(resources + "help.html"));
    // Formats, the check before a run, stopping a run, letter case by kind of template.
    for (const QString &topic : {QStringLiteral("[Сумма:прописью]"), QStringLiteral("«Проверка перед формированием»"),
                                 QStringLiteral("«Остановить»"), QStringLiteral("регистр букв в именах полей не важен"),
                                 QStringLiteral("«Имя файла»"), QStringLiteral("окно «Настройки»")}) {
        QVERIFY2(help.ui()->Memo1->toPlainText().contains(topic), qPrintable(topic));
        QVERIFY2(html.contains(topic), qPrintable(topic));
    }
    QVERIFY(!help.ui()->Memo1->toPlainText().contains(QStringLiteral("[ФИО] и [фио] — разные поля.\n")));
}

void tst_HelpSupport::donateWithoutPicture_data()
{
    QTest::addColumn<QString>("picture");
    QTest::newRow("no such resource") << ":/NO_SUCH_PICTURE";
    QTest::newRow("not a picture") << DOKRAVA_TEST_DATA "/help/qr_not_a_png.png";
}

void tst_HelpSupport::donateWithoutPicture()
{
    QFETCH(QString, picture);
    TFDonate donate(nullptr, picture);
    QCOMPARE(donate.ui()->lblHint->text(), QStringLiteral("QR-код недоступен"));
    donate.ensurePolished();
    QCOMPARE(donate.ui()->lblHint->palette().color(QPalette::WindowText), QColor(255, 0, 0));
    QVERIFY(donate.ui()->imgQR->pixmap().isNull());
    QVERIFY(m_dialogs->errors.isEmpty());
}

void tst_HelpSupport::donateOpensPaymentPage()
{
    TFDonate donate;
    donate.ui()->btnOpen->click();
    QCOMPARE(m_dialogs->opened, QStringList{TFDonate::PaymentUrl});
    QVERIFY(TFDonate::PaymentUrl.startsWith("https://"));
}

QTEST_MAIN(tst_HelpSupport)
#include "tst_HelpSupport.moc"
