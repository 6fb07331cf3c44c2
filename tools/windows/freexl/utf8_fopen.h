/* Force-included into freexl for Windows: file names arrive as UTF-8 (the program's calls pass
 * them so) and are opened with _wfopen, so names outside the ANSI code page work too. */
#ifndef DOKRAVA_UTF8_FOPEN_H
#define DOKRAVA_UTF8_FOPEN_H
#include <stdio.h>
FILE *dokrava_utf8_fopen(const char *path, const char *mode);
#define fopen dokrava_utf8_fopen
#endif
