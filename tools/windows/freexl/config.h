/* What freexl's configure would have found for MinGW-w64. */
#define VERSION "1.0.6"
#define PACKAGE_VERSION "1.0.6"
