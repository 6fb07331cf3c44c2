#!/usr/bin/env bash
# Proves that scripts/check_layers.sh catches what it is for: a tree with only downward includes
# passes; each planted upward include, unknown folder or Widgets/Gui header outside ui fails.
set -u
here=$(cd "$(dirname "$0")" && pwd)
check="$here/../../scripts/check_layers.sh"
tree=$(mktemp -d)
trap 'rm -rf "$tree"' EXIT
failures=0
passed=0

plant() { # folder/file "line"
    mkdir -p "$tree/src/$(dirname "$1")"
    printf '%s\n' "$2" > "$tree/src/$1"
}

expect() { # 0|1 description
    bash "$check" "$tree/src" > "$tree/out" 2>&1
    local code=$?
    if [ "$code" -ne "$1" ]; then
        echo "FAIL: $2 (exit $code)"; cat "$tree/out"; failures=$((failures + 1))
    else
        echo "PASS: $2"; passed=$((passed + 1))
    fi
}

plant base/A.h '#include <QString>'
plant odf/B.cpp '#include "zip/ZipReader.h"'
plant ui/C.cpp '#include <QWidget>'
plant cli/D.cpp '#include "generation/TGenerationRun.h"'
expect 0 "downward includes and widgets in ui"

for planted in 'odf/Up.cpp|#include "ui/TFMain.h"' 'base/Up.cpp|#include "zip/ZipReader.h"' \
               'sheets/Up.h|#include "office/OfficeSuite.h"' 'grid/Gui.cpp|#include <QWidget>' \
               'generation/Gui.h|#include <QtGui/QImage>' 'strange/X.cpp|#include <QString>'; do
    file=${planted%%|*}
    plant "$file" "${planted#*|}"
    expect 1 "planted $file: ${planted#*|}"
    rm -f "$tree/src/$file"
done

echo "$passed passed, $failures failed"
[ "$failures" -eq 0 ]
