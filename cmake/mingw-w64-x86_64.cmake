# Cross-compiling for 64-bit Windows with Debian's MinGW-w64 (POSIX threads: std::thread and
# std::mutex need them). Libraries built for Windows outside the system folder are named by
# DOKRAVA_WINDOWS_ROOTS, a list of install prefixes searched before /usr/x86_64-w64-mingw32.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(DOKRAVA_MINGW_TRIPLE x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${DOKRAVA_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${DOKRAVA_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${DOKRAVA_MINGW_TRIPLE}-windres)

# try_compile projects read this file again: hand them the roots as well.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES DOKRAVA_WINDOWS_ROOTS)
set(CMAKE_FIND_ROOT_PATH ${DOKRAVA_WINDOWS_ROOTS} /usr/${DOKRAVA_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# pkg-config must see only the Windows libraries, never the host's.
set(dokrava_pc_dirs "")
foreach(root IN LISTS DOKRAVA_WINDOWS_ROOTS)
  list(APPEND dokrava_pc_dirs ${root}/lib/pkgconfig)
endforeach()
list(APPEND dokrava_pc_dirs /usr/${DOKRAVA_MINGW_TRIPLE}/lib/pkgconfig)
list(JOIN dokrava_pc_dirs ":" dokrava_pc_path)
set(ENV{PKG_CONFIG_LIBDIR} "${dokrava_pc_path}")
set(ENV{PKG_CONFIG_PATH} "")
set(ENV{PKG_CONFIG_SYSROOT_DIR} "")
