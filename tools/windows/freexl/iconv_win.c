/* iconv for freexl over the Windows code-page functions (see iconv.h). */
#include "iconv.h"

#include <errno.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <windows.h>

struct dokrava_iconv
{
    UINT codepage;
};

enum { UTF16LE = 1200 };

/* The Windows code page of an iconv name freexl uses: "CP1251", "UTF-16LE", "ASCII", "MacRoman". */
static UINT codepage_of(const char *name)
{
    if (_stricmp(name, "UTF-16LE") == 0)
        return UTF16LE;
    if (_stricmp(name, "ASCII") == 0)
        return 20127;
    if (_stricmp(name, "MacRoman") == 0)
        return 10000;
    if (_strnicmp(name, "CP", 2) == 0 && name[2] >= '0' && name[2] <= '9')
        return (UINT)strtoul(name + 2, NULL, 10);
    return 0;
}

iconv_t iconv_open(const char *tocode, const char *fromcode)
{
    const UINT cp = codepage_of(fromcode);
    if (_stricmp(tocode, "UTF-8") != 0 || cp == 0 || (cp != UTF16LE && !IsValidCodePage(cp))) {
        errno = EINVAL;
        return (iconv_t)-1;
    }
    iconv_t cd = malloc(sizeof *cd);
    if (!cd) {
        errno = ENOMEM;
        return (iconv_t)-1;
    }
    cd->codepage = cp;
    return cd;
}

/* The input as UTF-16 in a new buffer (*count characters); NULL on bad input. */
static wchar_t *widen(UINT cp, const char *in, size_t len, int *count)
{
    if (cp == UTF16LE) {
        if (len % 2 != 0)
            return NULL;
        wchar_t *wide = malloc(len + sizeof(wchar_t));
        if (wide)
            memcpy(wide, in, len);
        *count = (int)(len / 2);
        return wide;
    }
    /* Some code pages refuse the strict flag; they then convert as the system does. */
    int n = MultiByteToWideChar(cp, MB_ERR_INVALID_CHARS, in, (int)len, NULL, 0);
    DWORD flags = MB_ERR_INVALID_CHARS;
    if (n == 0 && GetLastError() == ERROR_INVALID_FLAGS) {
        flags = 0;
        n = MultiByteToWideChar(cp, 0, in, (int)len, NULL, 0);
    }
    if (n <= 0)
        return NULL;
    wchar_t *wide = malloc(((size_t)n + 1) * sizeof(wchar_t));
    if (wide && MultiByteToWideChar(cp, flags, in, (int)len, wide, n) != n) {
        free(wide);
        return NULL;
    }
    *count = n;
    return wide;
}

size_t iconv(iconv_t cd, char **inbuf, size_t *inbytesleft, char **outbuf, size_t *outbytesleft)
{
    if (!inbuf || !*inbuf || *inbytesleft == 0)
        return 0; /* nothing to convert, and no shift state to reset */
    if (*inbytesleft > 0x3fffffff) {
        errno = E2BIG;
        return (size_t)-1;
    }
    int count = 0;
    wchar_t *wide = widen(cd->codepage, *inbuf, *inbytesleft, &count);
    if (!wide) {
        errno = EILSEQ;
        return (size_t)-1;
    }
    const int need = WideCharToMultiByte(CP_UTF8, 0, wide, count, NULL, 0, NULL, NULL);
    if (need <= 0 || (size_t)need > *outbytesleft) {
        free(wide);
        errno = need <= 0 ? EILSEQ : E2BIG;
        return (size_t)-1;
    }
    WideCharToMultiByte(CP_UTF8, 0, wide, count, *outbuf, need, NULL, NULL);
    free(wide);
    *inbuf += *inbytesleft;
    *inbytesleft = 0;
    *outbuf += need;
    *outbytesleft -= (size_t)need;
    return 0;
}

int iconv_close(iconv_t cd)
{
    free(cd);
    return 0;
}

FILE *dokrava_utf8_fopen(const char *path, const char *mode);

/* A UTF-8 file name as the wide name _wfopen takes; a long absolute one in the \\?\ form, which
 * lifts the limit of 260 characters. NULL when the name is no valid UTF-8. */
static wchar_t *wide_name(const char *path)
{
    const int n = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, path, -1, NULL, 0);
    if (n <= 0)
        return NULL;
    wchar_t *wide = malloc(((size_t)n + 8) * sizeof(wchar_t));
    if (!wide)
        return NULL;
    wchar_t *name = wide + 8;
    MultiByteToWideChar(CP_UTF8, 0, path, -1, name, n);
    for (wchar_t *c = name; *c; ++c)
        if (*c == L'/')
            *c = L'\\';
    const int drive = n > 3 && name[1] == L':' && name[2] == L'\\';
    const int share = n > 3 && name[0] == L'\\' && name[1] == L'\\' && name[2] != L'?';
    if (n - 1 >= MAX_PATH && drive) {
        name -= 4;
        memcpy(name, L"\\\\?\\", 4 * sizeof(wchar_t));
    } else if (n - 1 >= MAX_PATH && share) {
        name -= 6;
        memcpy(name, L"\\\\?\\UNC", 7 * sizeof(wchar_t)); /* keeps one of the two backslashes */
    }
    memmove(wide, name, (wcslen(name) + 1) * sizeof(wchar_t));
    return wide;
}

FILE *dokrava_utf8_fopen(const char *path, const char *mode)
{
    wchar_t wmode[16];
    wchar_t *wpath = wide_name(path);
    if (!wpath || MultiByteToWideChar(CP_UTF8, 0, mode, -1, wmode, 16) == 0) {
        free(wpath);
        errno = ENOENT;
        return NULL;
    }
    FILE *file = _wfopen(wpath, wmode);
    free(wpath);
    return file;
}
