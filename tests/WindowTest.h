#pragma once

#include "FakeDialogs.h"

#include "base/AppFolder.h"
#include "ui/Globals.h"
#include "ui/TFHelp.h"
#include "ui/TFMain.h"
#include "ui/TFZamena.h"

#include <QTemporaryDir>

#include <memory>

using namespace dokrava;

// The frame every window test shares: a fresh application folder and the dialog stand-in before
// each test, and everything torn down in reverse order after it.
namespace WindowTest {

// A new temporary application folder and a dialog stand-in.
inline void begin(std::unique_ptr<QTemporaryDir> &dir, std::unique_ptr<FakeDialogs> &dialogs)
{
    dir = std::make_unique<QTemporaryDir>();
    AppFolder::setOverride(dir->path());
    dialogs = std::make_unique<FakeDialogs>();
}

// Opens a new main window as the program's FMain; without a converter unless asked, so that
// nothing depends on the office suite this machine has.
inline TFMain *open(std::unique_ptr<TFMain> &main)
{
    main = std::make_unique<TFMain>();
    FMain = main.get();
    main->show();
    LOFound = false;
    LOPath.clear();
    return main.get();
}

// Closes the windows first (they may still show boxes), then the stand-in, then the folder.
inline void end(std::unique_ptr<TFMain> &main, std::unique_ptr<FakeDialogs> &dialogs,
                std::unique_ptr<QTemporaryDir> &dir)
{
    main.reset();
    delete FZamena;
    delete FHelp;
    dialogs.reset();
    AppFolder::setOverride(QString());
    dir.reset();
}

} // namespace WindowTest
