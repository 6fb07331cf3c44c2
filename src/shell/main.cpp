#include "settings/TFDonate.h"
#include "settings/TFHelp.h"
#include "settings/TFZamena.h"
#include "shell/TFMain.h"

#include <QApplication>

// The search dialog belongs to the data table; it joins the start-up as soon as it is built.
#if __has_include("table/TfrmSearchDlg.h")
#include "table/TfrmSearchDlg.h"
#define DOKRAVA_SEARCH_DIALOG 1
#endif

#include <memory>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    // Window captions stay exactly as designed; message boxes take ApplicationTitle().
    QApplication::setApplicationDisplayName(QString());

    // The main window is shown while start-up creates it, so its first show runs before the
    // other windows exist; closing it ends the program.
    auto mainWindow = std::make_unique<TFMain>();
    FMain = mainWindow.get();
    FMain->show();
    auto zamena = std::make_unique<TFZamena>();
    FZamena = zamena.get();
    auto help = std::make_unique<TFHelp>();
    FHelp = help.get();
#ifdef DOKRAVA_SEARCH_DIALOG
    auto search = std::make_unique<TfrmSearchDlg>();
    frmSearchDlg = search.get();
#endif
    auto donate = std::make_unique<TFDonate>();
    FDonate = donate.get();

    const int code = app.exec();
#ifdef DOKRAVA_SEARCH_DIALOG
    frmSearchDlg = nullptr;
#endif
    return code;
}
