// Data table handlers of the main window.
#include "shell/TFMain.h"

void TFMain::setupTableHandlers() {}
void TFMain::SG1MouseDown(Qt::MouseButton, Qt::KeyboardModifiers, const QPoint &) {}
void TFMain::chkbMultiSelClick() {}
void TFMain::chkbReplaceAllClick() {}
void TFMain::B_AddStrClick() {}
void TFMain::B_AddColClick() {}
void TFMain::B_DelColClick() {}
void TFMain::B_DelRowClick() {}
void TFMain::BLoadAllClick() {}
void TFMain::cb_SheetChange() {}
void TFMain::SpeedButton1Click() {}
void TFMain::SpeedButton2Click() {}
void TFMain::B_SaveClick() {}
void TFMain::btnFindClick() {}
