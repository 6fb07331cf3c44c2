# The steps of scripts/windows.sh (sourced by it): each leaves its result under $cache and is
# skipped when the result is there.

WINDOWS_PACKAGES=(
  g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
  libz-mingw-w64-dev wine64 dpkg-dev python3 unzip xvfb xauth locales
)

run_as_root() { if [ "$(id -u)" -ne 0 ]; then sudo "$@"; else "$@"; fi; }

install_packages() {
  "$root/scripts/deps.sh"
  local missing=() p
  for p in "${WINDOWS_PACKAGES[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  if [ ${#missing[@]} -gt 0 ]; then
    say "Устанавливаются пакеты: ${missing[*]}"
    run_as_root apt-get update -q
    DEBIAN_FRONTEND=noninteractive run_as_root apt-get install -y -q --no-install-recommends \
      "${missing[@]}"
  fi
  qt_version=$(dpkg-query -W -f '${Version}' qt6-base-dev)
  # The tests run Wine as a Russian Windows (ANSI code page 1251): it takes that from the locale.
  if ! locale -a 2>/dev/null | grep -qi '^ru_RU\.utf-\?8$'; then
    say "Создаётся локаль ru_RU.UTF-8"
    run_as_root sed -i 's/^# *\(ru_RU.UTF-8 UTF-8\)/\1/' /etc/locale.gen
    grep -q '^ru_RU.UTF-8 UTF-8' /etc/locale.gen || echo 'ru_RU.UTF-8 UTF-8' | run_as_root tee -a /etc/locale.gen >/dev/null
    run_as_root locale-gen >/dev/null
  fi
}

# apt-get source needs a deb-src entry; Debian 12's images have none.
ensure_source_entry() {
  if grep -rqs '^\(Types:.*deb-src\|deb-src \)' /etc/apt/sources.list /etc/apt/sources.list.d/; then
    return
  fi
  say "Добавляется источник исходных текстов Debian"
  run_as_root tee /etc/apt/sources.list.d/dokrava-deb-src.sources >/dev/null <<'EOF'
Types: deb-src
URIs: http://deb.debian.org/debian
Suites: bookworm bookworm-updates
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
EOF
  run_as_root apt-get update -q
}

# Debian's sources of the libraries, of the versions the Linux build links.
fetch_sources() {
  local want=("qt6-base=$qt_version" "freexl=$(dpkg-query -W -f '${Version}' libfreexl-dev)"
              "qpdf=$(dpkg-query -W -f '${Version}' libqpdf-dev)" "libjpeg-turbo")
  mkdir -p "$cache/src"
  local pkg name
  for pkg in "${want[@]}"; do
    name=${pkg%%=*}
    [ -e "$cache/src/$name.fetched" ] && continue
    ensure_source_entry
    say "Исходные тексты: $pkg"
    (cd "$cache/src" && rm -rf "$name"-[0-9]* && apt-get source -q "$pkg" >/dev/null)
    touch "$cache/src/$name.fetched"
  done
}

source_dir() { find "$cache/src" -maxdepth 1 -type d -name "$1-[0-9]*" | head -n1; }

# Qt's base module for Windows, built against the host's Qt tools (moc, rcc, uic). Only what the
# program uses: Core, Gui, Widgets, Test and the Windows platform plugin.
build_qt() {
  local qt=$prefix/qt
  [ -e "$qt/.done" ] && return
  local src bld=$cache/qt-build started=$(date +%s)
  src=$(source_dir qt6-base)
  mkdir -p "$bld"
  say "Qt $qt_version для Windows (долгий шаг, один раз; журнал $cache/qt-build.log)"
  if [ ! -e "$bld/build.ninja" ]; then
    # Tablet events are off: Debian's cleaned source lacks the tablet header the platform plugin
    # includes. OpenGL stays on: the platform plugin needs it and loads it only when asked.
    cmake -S "$src" -B "$bld" -G Ninja -DCMAKE_BUILD_TYPE=Release \
      -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_INSTALL_PREFIX="$qt" \
      -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
      -DQT_QMAKE_TARGET_MKSPEC=win32-g++ \
      -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF -DQT_BUILD_BENCHMARKS=OFF \
      -DFEATURE_network=OFF -DFEATURE_sql=OFF -DFEATURE_dbus=OFF -DFEATURE_xml=OFF \
      -DFEATURE_concurrent=OFF -DFEATURE_printsupport=OFF -DFEATURE_tabletevent=OFF \
      -DFEATURE_vulkan=OFF -DFEATURE_system_zlib=OFF \
      -DFEATURE_sql_sqlite=OFF -DFEATURE_openssl=OFF \
      >>"$cache/qt-build.log" 2>&1 || { tail -n 30 "$cache/qt-build.log"; return 1; }
  fi
  cmake --build "$bld" -j"$jobs" >>"$cache/qt-build.log" 2>&1 \
    || { tail -n 30 "$cache/qt-build.log"; return 1; }
  cmake --install "$bld" >>"$cache/qt-build.log" 2>&1
  touch "$qt/.done"
  say "Qt собран за $(elapsed "$started")" | tee -a "$cache/qt-build.log"
}

# Qt's Russian texts beside the Windows Qt as well, where its programs (the tests) look for
# them: the file of the same version from the host's Qt.
install_qt_translation() {
  local dir=$prefix/qt/translations
  [ -e "$dir/qtbase_ru.qm" ] && return
  mkdir -p "$dir" && cp /usr/share/qt6/translations/qtbase_ru.qm "$dir/"
}

# freexl (".xls") as a static library. MinGW has no iconv: tools/windows/freexl gives freexl the
# three calls it makes over the Windows code-page functions, and a fopen that takes UTF-8 names.
build_freexl() {
  [ -e "$prefix/lib/libfreexl.a" ] && return
  local src shim=$root/tools/windows/freexl bld=$cache/freexl-build
  src=$(source_dir freexl)
  say "freexl для Windows"
  rm -rf "$bld" && mkdir -p "$bld" "$prefix/lib/pkgconfig" "$prefix/include"
  local cc=("$triple-gcc-posix" -O2 -I"$shim" -I"$src/headers" -include "$shim/utf8_fopen.h")
  "${cc[@]}" -w -c "$src/src/freexl.c" -o "$bld/freexl.o"
  "${cc[@]}" -Wall -Wextra -Werror -c "$shim/iconv_win.c" -o "$bld/iconv_win.o"
  "$triple-ar" rcs "$bld/libfreexl.a" "$bld/freexl.o" "$bld/iconv_win.o"
  cp "$src/headers/freexl.h" "$prefix/include/"
  cat >"$prefix/lib/pkgconfig/freexl.pc" <<PC
prefix=$prefix
Name: freexl
Description: .xls reader (static, Windows)
Version: 1.0.6
Cflags: -I\${prefix}/include
Libs: -L\${prefix}/lib -lfreexl -lm
PC
  mv "$bld/libfreexl.a" "$prefix/lib/"
}

# One static library of a CMake project for Windows: configures (once) and builds target.
build_static_cmake() {
  local src=$1 bld=$2 target=$3; shift 3
  [ -e "$bld/build.ninja" ] || cmake -S "$src" -B "$bld" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DDOKRAVA_WINDOWS_ROOTS="$prefix" \
    -DBUILD_SHARED_LIBS=OFF "$@" >"$bld.log" 2>&1 || { tail -n 30 "$bld.log"; return 1; }
  cmake --build "$bld" -j"$jobs" --target "$target" >>"$bld.log" 2>&1 \
    || { tail -n 30 "$bld.log"; return 1; }
}

# qpdf (the combined PDF for printing) as a static library, with its own crypto (the Windows
# random source) and libjpeg-turbo, which it needs, static as well.
build_qpdf() {
  [ -e "$prefix/lib/libqpdf.a" ] && return
  local jpeg qpdf
  jpeg=$(source_dir libjpeg-turbo)
  qpdf=$(source_dir qpdf)
  mkdir -p "$prefix/lib/pkgconfig" "$prefix/include"
  if [ ! -e "$prefix/lib/libjpeg.a" ]; then
    say "libjpeg для Windows"
    build_static_cmake "$jpeg" "$cache/jpeg-build" jpeg-static \
      -DENABLE_SHARED=OFF -DWITH_SIMD=OFF -DWITH_TURBOJPEG=OFF -DCMAKE_INSTALL_PREFIX="$prefix"
    cp "$cache/jpeg-build/jconfig.h" "$jpeg"/{jpeglib.h,jmorecfg.h,jerror.h} "$prefix/include/"
    cp "$cache/jpeg-build/libjpeg.a" "$prefix/lib/"
  fi
  say "qpdf для Windows"
  # qpdf's checks link "Advapi32", a name MinGW's case-sensitive library folder lacks.
  mkdir -p "$cache/mingw-case"
  ln -sf "/usr/$triple/lib/libadvapi32.a" "$cache/mingw-case/libAdvapi32.a"
  build_static_cmake "$qpdf" "$cache/qpdf-build" libqpdf -DCMAKE_EXE_LINKER_FLAGS="-L$cache/mingw-case" \
    -DBUILD_STATIC_LIBS=ON -DBUILD_DOC=OFF -DUSE_IMPLICIT_CRYPTO=OFF -DREQUIRE_CRYPTO_NATIVE=ON \
    -DLIBJPEG_H_PATH="$prefix/include" -DLIBJPEG_LIB_PATH="$prefix/lib/libjpeg.a"
  cp -r "$qpdf/include/qpdf" "$prefix/include/"
  cat >"$prefix/lib/pkgconfig/libqpdf.pc" <<PC
prefix=$prefix
Name: libqpdf
Description: PDF transformation library (static, Windows)
Version: $(sed -n 's/^#define QPDF_VERSION "\(.*\)"/\1/p' "$qpdf/include/qpdf/DLL.h")
Cflags: -I\${prefix}/include
Libs: -L\${prefix}/lib -lqpdf -ljpeg /usr/$triple/lib/libz.a -ladvapi32
PC
  cp "$cache/qpdf-build/libqpdf/libqpdf.a" "$prefix/lib/"
}

# The project itself, against the Qt and libraries above; zlib static from Debian's MinGW package.
build_project() {
  local started=$(date +%s)
  say "Dokrava для Windows"
  # ccache, when installed, makes a rebuild after a change of branch or a fresh worktree short.
  local launcher=()
  if command -v ccache >/dev/null; then
    launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
  fi
  if [ ! -e "$build/build.ninja" ]; then
    cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release "${launcher[@]}" \
      -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DDOKRAVA_WINDOWS_ROOTS="$prefix/qt;$prefix" \
      -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
      -DZLIB_LIBRARY="/usr/$triple/lib/libz.a" -DZLIB_INCLUDE_DIR="/usr/$triple/include" \
      -DDOKRAVA_WERROR=ON >"$cache/project-configure.log" 2>&1 \
      || { tail -n 30 "$cache/project-configure.log"; return 1; }
  fi
  cmake --build "$build" -j"$jobs"
  say "Проект собран за $(elapsed "$started")"
}

# The DLLs a Windows executable or DLL imports that are found among dirs (the system's own are
# not there), and theirs in turn; one name per line.
needed_dlls() {
  local -A seen=()
  local queue=("$@") file dll dir
  while [ ${#queue[@]} -gt 0 ]; do
    file=${queue[0]}; queue=("${queue[@]:1}")
    while read -r dll; do
      [ -n "${seen[$dll]:-}" ] && continue
      for dir in "${DLL_DIRS[@]}"; do
        if [ -e "$dir/$dll" ]; then
          seen[$dll]=1; echo "$dir/$dll"; queue+=("$dir/$dll"); break
        fi
      done
    done < <("$triple-objdump" -p "$file" | sed -n 's/^\s*DLL Name: //p')
  done
}

# dist/dokrava-windows-x64.zip: unpack anywhere and run dokrava.exe.
pack_zip() {
  local stage=$cache/stage/Dokrava zip=$root/dist/dokrava-windows-x64.zip
  say "Сборка архива $zip"
  rm -rf "$cache/stage" && mkdir -p "$stage/platforms" "$stage/translations" "$root/dist"
  DLL_DIRS=("$prefix/qt/bin" "$prefix/qt/plugins/platforms" "/usr/lib/gcc/$triple/12-posix" "/usr/$triple/lib")
  cp "$build/app/dokrava.exe" "$build/app/dokrava-cli.exe" "$stage/"
  cp "$prefix/qt/plugins/platforms/qwindows.dll" "$stage/platforms/"
  needed_dlls "$stage/dokrava.exe" "$stage/dokrava-cli.exe" "$stage/platforms/qwindows.dll" \
    | grep -v '/plugins/' | sort -u | xargs -r cp -t "$stage/"
  cp /usr/share/qt6/translations/qtbase_ru.qm "$stage/translations/"
  (cd "$build/app" && cp -r help.txt help.html Replace.xls settings.ini replace.ini zagotka "$stage/")
  mkdir -p "$stage/docum"
  # The text files users open in Notepad: CR LF line ends, and a byte-order mark so any version
  # of Notepad reads the UTF-8.
  printf '\xef\xbb\xbf' >"$stage/ПРОЧТИ.txt"
  sed 's/$/\r/' "$root/tools/windows/ПРОЧТИ.txt" >>"$stage/ПРОЧТИ.txt"
  rm -f "$zip"
  # Python's zipfile marks names as UTF-8 (bit 11), which Windows' own unpacker follows: the
  # Cyrillic names arrive intact.
  (cd "$cache/stage" && python3 -m zipfile -c "$zip.part" Dokrava) && mv "$zip.part" "$zip"
  ls -l "$zip"
}
