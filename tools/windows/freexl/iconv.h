/* The three iconv calls freexl makes, for the Windows build, where MinGW has no iconv: a
 * conversion from one of the code pages freexl names (or UTF-16LE) to UTF-8, done with the
 * system's MultiByteToWideChar and WideCharToMultiByte. */
#ifndef DOKRAVA_ICONV_SHIM_H
#define DOKRAVA_ICONV_SHIM_H

#include <stddef.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef struct dokrava_iconv *iconv_t;

/* Opens a conversion from fromcode to tocode; only "UTF-8" is supported as tocode. Returns
 * (iconv_t)-1 with errno EINVAL for a code page Windows does not know. */
iconv_t iconv_open(const char *tocode, const char *fromcode);
/* Converts the whole input at once (freexl hands over whole strings): returns 0 and advances
 * the four arguments, or (size_t)-1 with errno EILSEQ (bad input) or E2BIG (no room). */
size_t iconv(iconv_t cd, char **inbuf, size_t *inbytesleft, char **outbuf, size_t *outbytesleft);
/* Frees what iconv_open allocated. */
int iconv_close(iconv_t cd);

#ifdef __cplusplus
}
#endif

#endif
