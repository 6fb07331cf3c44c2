#include "base/ProcessSetup.h"
#include "ui/QtTranslations.h"
#include "ui/TFDonate.h"
#include "ui/TFHelp.h"
#include "ui/TFMain.h"
#include "ui/TfrmSearchDlg.h"
#include "ui/TFZamena.h"

#include <QApplication>

#include <memory>

using namespace dokrava;

int main(int argc, char *argv[])
{
    SetUpProcess();
    QApplication app(argc, argv);
    // Window captions stay exactly as designed; message boxes take ApplicationTitle().
    QApplication::setApplicationDisplayName(QString());
    QtTranslations::install();

    // The main window is shown while start-up creates it, so its first show runs before the
    // other windows exist; closing it ends the program.
    auto mainWindow = std::make_unique<TFMain>();
    FMain = mainWindow.get();
    FMain->show();
    auto zamena = std::make_unique<TFZamena>();
    FZamena = zamena.get();
    mainWindow->watchSettingsWindow(FZamena);
    auto help = std::make_unique<TFHelp>();
    FHelp = help.get();
    auto search = std::make_unique<TfrmSearchDlg>();
    frmSearchDlg = search.get();
    auto donate = std::make_unique<TFDonate>();
    FDonate = donate.get();

    const int code = app.exec();
    frmSearchDlg = nullptr;
    return code;
}
