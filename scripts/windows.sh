#!/usr/bin/env bash
# Builds the Windows program on Debian 12 and packs it into dist/dokrava-windows-x64.zip.
#   bash scripts/windows.sh          install what is missing, build, pack
#   bash scripts/windows.sh --test   run the Windows build's tests under Wine (after a build)
#   bash scripts/windows.sh --qt     only the cached Qt for Windows (the long step)
# Every step keeps its result under $DOKRAVA_WINDOWS_CACHE (default ~/.cache/dokrava-windows)
# and is skipped when it is there, so a second run builds only the project; an interrupted Qt
# build goes on where it stopped.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cache=${DOKRAVA_WINDOWS_CACHE:-$HOME/.cache/dokrava-windows}
jobs=${DOKRAVA_WINDOWS_JOBS:-$(nproc)}
triple=x86_64-w64-mingw32
toolchain=$root/cmake/mingw-w64-x86_64.cmake
qt_version=$(dpkg-query -W -f '${Version}' qt6-base-dev 2>/dev/null || true)
prefix=$cache/prefix
build=$root/build-windows
mkdir -p "$cache"
# One run at a time: two builds in one cache folder would spoil each other's work (a --qt run
# left in the background, then the full run, waits for it and goes on with what it built).
exec 9>"$cache/.lock"
flock -n 9 || { echo "== Ждём окончания другого запуска scripts/windows.sh"; flock 9; }

say() { printf '== %s\n' "$*"; }
elapsed() { local s=$(( $(date +%s) - $1 )); printf '%d min %02d s' $((s / 60)) $((s % 60)); }

# shellcheck source=windows-steps.sh
source "$root/scripts/windows-steps.sh"

case "${1:-}" in
  --test) source "$root/scripts/windows-test.sh"; windows_tests; exit ;;
  --qt) install_packages; fetch_sources; build_qt; exit ;;
  "") ;;
  *) echo "Использование: bash scripts/windows.sh [--test]" >&2; exit 2 ;;
esac

started=$(date +%s)
install_packages
fetch_sources
build_qt
install_qt_translation
build_freexl
build_qpdf
build_project
pack_zip
say "Готово за $(elapsed "$started"): $root/dist/dokrava-windows-x64.zip"
