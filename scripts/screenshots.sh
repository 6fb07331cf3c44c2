#!/usr/bin/env bash
# Makes the README's pictures of the windows (docs/main-window.png, docs/check-window.png, or into
# the folder given as the first argument): builds the screenshot tool in the build folder the
# tests use (build/, or $DOKRAVA_BUILD_DIR) and runs the windows under a virtual display (Xvfb).
# DOKRAVA_SCREENSHOTS_BUILD=0 takes the tool as it is built.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${DOKRAVA_BUILD_DIR:-$root/build}
out=${1:-$root/docs}
if [ "${DOKRAVA_SCREENSHOTS_BUILD:-1}" != 0 ]; then
  [ -f "$build/build.ninja" ] || bash "$root/scripts/build.sh" >/dev/null
  cmake --build "$build" --target dokrava_screenshots >/dev/null
fi
command -v xvfb-run >/dev/null || { echo "Нужен xvfb-run (пакет xvfb): bash scripts/deps.sh" >&2; exit 1; }
mkdir -p "$out"
# The real display platform, not the tests' offscreen one: the pictures show what a user sees.
# In a sanitizer build, a buffer the system's D-Bus library keeps is no leak of ours.
export LSAN_OPTIONS="suppressions=$(cd "$(dirname "$0")" && pwd)/lsan-system.supp${LSAN_OPTIONS:+:$LSAN_OPTIONS}"
env -u QT_QPA_PLATFORM xvfb-run -a -s "-screen 0 1600x1000x24" "$build/app/dokrava_screenshots" "$out"
echo "Снимки окон: $out/main-window.png, $out/check-window.png"
