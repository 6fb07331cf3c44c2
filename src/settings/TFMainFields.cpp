// Field discovery handlers of the main window.
#include "shell/TFMain.h"

void TFMain::setupFieldHandlers() {}
void TFMain::btnGetFieldsClick() {}
void TFMain::btnAddFieldClick() {}
void TFMain::btnAddAllFieldClick() {}
bool TFMain::ColumnExists(const QString &) const { return false; }
void TFMain::SortFieldList() {}
