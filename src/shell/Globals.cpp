#include "shell/Globals.h"

QString LOPath;
bool LOFound = false;
int PDFErrorCount = 0;
TSettings Settings;
