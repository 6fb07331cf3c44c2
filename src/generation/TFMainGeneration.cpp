// Generation handlers of the main window.
#include "shell/TFMain.h"

void TFMain::setupGenerationHandlers() {}
void TFMain::BReplaceClick() {}
