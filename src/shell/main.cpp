#include "settings/TFDonate.h"
#include "settings/TFHelp.h"
#include "settings/TFZamena.h"
#include "shell/ErrorDisplay.h"
#include "shell/TFMain.h"

#include <QApplication>

#include <memory>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    // Window captions stay exactly as designed; message boxes take ApplicationTitle().
    QApplication::setApplicationDisplayName(QString());
    QApplication::setApplicationName(ApplicationTitle());

    // The main window is shown while start-up creates it, so its first show runs before the
    // other windows exist; closing it ends the program.
    auto main = std::make_unique<TFMain>();
    FMain = main.get();
    FMain->show();
    auto zamena = std::make_unique<TFZamena>();
    FZamena = zamena.get();
    auto help = std::make_unique<TFHelp>();
    FHelp = help.get();
    // TODO(data table): create frmSearchDlg here, fourth, once src/table/TfrmSearchDlg.h exists.
    auto donate = std::make_unique<TFDonate>();
    FDonate = donate.get();

    return app.exec();
}
