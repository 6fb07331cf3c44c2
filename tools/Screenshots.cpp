// Makes the README's pictures from the shipped samples: the main window with the sample templates
// and table loaded and two records marked, and the check before a run as it looks when a column
// of the table is misspelt. Run under a display (scripts/screenshots.sh uses Xvfb); the pictures
// go to the folder given as the only argument.
#include "base/AppFolder.h"
#include "base/ProcessSetup.h"
#include "grid/TGridModel.h"
#include "ui/Dialogs.h"
#include "ui/Globals.h"
#include "ui/QtTranslations.h"
#include "ui/TFMain.h"
#include "ui/TFPreflight.h"
#include "ui/TFZamena.h"
#include "ui_TFMain.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <cstdio>

using namespace dokrava;

namespace {

const QString kResources = QStringLiteral(DOKRAVA_SOURCE_DIR "/resources/");

// Lets the windows be driven without a person: every box is answered at once, and the check
// window is photographed instead of waiting for a click.
class PictureDialogs : public IDialogs
{
public:
    explicit PictureDialogs(QString checkPicture) : m_checkPicture(std::move(checkPicture)) {}
    bool saved = false;

    void notice(QWidget *, const QString &) override {}
    void error(QWidget *, const QString &text) override { std::fprintf(stderr, "%s\n", qPrintable(text)); }
    bool question(QWidget *, const QString &, const QString &) override { return false; }
    SaveAnswer askSave(QWidget *, const QString &, const QString &) override { return SaveAnswer::Discard; }
    QString input(QWidget *, const QString &, const QString &, const QString &) override { return {}; }
    QString chooseFolder(QWidget *, const QString &, const QString &, const QString &) override { return {}; }
    QString chooseOpenFile(QWidget *, const QString &, const QString &, const QString &, const QString &) override
    {
        return {};
    }
    int exec(QDialog *) override { return QDialog::Rejected; }
    bool askPreflight(QWidget *owner, const QList<TFinding> &findings) override
    {
        TFPreflight dialog(findings, owner);
        dialog.show();
        QTest::qWait(300);
        saved = dialog.grab().save(m_checkPicture);
        return false;
    }
    void shellOpen(const QString &) override {}

private:
    QString m_checkPicture;
};

// A fresh application folder holding what an installation ships.
bool copyInstallation(const QString &to)
{
    bool ok = QDir().mkpath(to + QStringLiteral("/zagotka"));
    for (const QString &name : {QStringLiteral("Replace.xls"), QStringLiteral("settings.ini"), QStringLiteral("replace.ini")})
        ok = QFile::copy(kResources + name, to + QLatin1Char('/') + name) && ok;
    for (const QString &name : QDir(kResources + QStringLiteral("zagotka")).entryList(QDir::Files))
        ok = QFile::copy(kResources + QStringLiteral("zagotka/") + name, to + QStringLiteral("/zagotka/") + name) && ok;
    return ok;
}

} // namespace

int main(int argc, char *argv[])
{
    SetUpProcess();
    QApplication app(argc, argv);
    QApplication::setApplicationDisplayName(QString());
    QtTranslations::install();
    if (argc != 2) {
        std::fprintf(stderr, "Использование: dokrava_screenshots ПАПКА\n");
        return 2;
    }
    const QString out = QString::fromLocal8Bit(argv[1]);
    // The picture shows the program's folder: a short name reads better than a random one.
    QTemporaryDir folder(QDir::tempPath() + QStringLiteral("/Докрава-XXXXXX"));
    if (!QDir().mkpath(out) || !folder.isValid() || !copyInstallation(folder.path())) {
        std::fprintf(stderr, "Не удалось подготовить папки\n");
        return 1;
    }
    AppFolder::setOverride(folder.path());
    PictureDialogs dialogs(QDir(out).filePath(QStringLiteral("check-window.png")));
    Dialogs::install(&dialogs);

    TFMain window;
    FMain = &window;
    window.show();
    TFZamena settings;
    FZamena = &settings;
    window.watchSettingsWindow(&settings);
    Ui::TFMain *ui = window.ui();
    ui->BLoadAll->click();
    ui->chkbMultiSel->click();
    window.grid()->setMark(1, true);
    window.grid()->setMark(3, true);
    window.grid()->setCurrent(1, 3);
    QTest::qWait(500);
    const bool mainSaved = window.grab().save(QDir(out).filePath(QStringLiteral("main-window.png")));

    // A misspelt column: the check names the fields it leaves unfilled and the column meant.
    window.grid()->setCell(2, 0, QStringLiteral("Должнсть"));
    ui->BReplace->click();
    Dialogs::install(nullptr);
    FZamena = nullptr;
    FMain = nullptr;
    AppFolder::setOverride(QString());
    if (!mainSaved || !dialogs.saved) {
        std::fprintf(stderr, "Не удалось сохранить снимки в %s\n", qPrintable(out));
        return 1;
    }
    return 0;
}
