#!/usr/bin/env bash
# Checks the include graph of src/: a file in src/<layer>/ may include "<other>/..." only when
# <other> is <layer> itself or a layer below it, and only files under src/ui/ may include Qt
# Widgets or Gui headers. Prints every offending line and exits 1 when there is one.
# Usage: scripts/check_layers.sh [SRC_DIR]   (default: the src/ folder beside this script)
set -u
src=${1:-$(cd "$(dirname "$0")/.." && pwd)/src}
# Bottom up; a layer may use every layer before it in this list.
layers=(base zip odf word sheets office settings grid generation ui cli)

# Where Qt's headers live, to tell a Widgets or Gui class header (<QLabel>, <QImage>) from a
# Core one (<QString>); the CMake build passes it, or the usual Debian places are tried.
qt_include=${QT_INCLUDE_DIR:-}
if [ -z "$qt_include" ]; then
    for dir in /usr/include/*/qt6 /usr/include/qt6; do
        [ -d "$dir/QtCore" ] && { qt_include=$dir; break; }
    done
fi

is_gui_header() {
    case "$1" in
        QtWidgets|QtWidgets/*|QtGui|QtGui/*) return 0 ;;
    esac
    [ -n "$qt_include" ] || return 1
    [ -e "$qt_include/QtWidgets/$1" ] || [ -e "$qt_include/QtGui/$1" ]
}

rank() {
    local i
    for i in "${!layers[@]}"; do
        [ "${layers[$i]}" = "$1" ] && { echo "$i"; return; }
    done
    echo -1
}

status=0
while IFS= read -r -d '' file; do
    rel=${file#"$src"/}
    layer=${rel%%/*}
    own=$(rank "$layer")
    if [ "$own" -lt 0 ]; then
        echo "$rel: the folder \"$layer\" is no layer"
        status=1
        continue
    fi
    lineno=0
    while IFS= read -r line; do
        lineno=$((lineno + 1))
        case "$line" in
            \#include*) ;;
            *) continue ;;
        esac
        if [[ "$line" =~ ^#include[[:space:]]*\"([A-Za-z0-9_]+)/ ]]; then
            target=${BASH_REMATCH[1]}
            other=$(rank "$target")
            if [ "$other" -lt 0 ] || [ "$other" -gt "$own" ]; then
                echo "$rel:$lineno: $layer may not include $target: $line"
                status=1
            fi
        fi
        if [ "$layer" != ui ] && [[ "$line" =~ ^#include[[:space:]]*\<(QtWidgets|QtGui|Q[A-Z][A-Za-z]*)(/[A-Za-z]+)?\> ]]; then
            header=${BASH_REMATCH[1]}${BASH_REMATCH[2]}
            if is_gui_header "$header"; then
                echo "$rel:$lineno: only ui may include Qt Widgets or Gui: $line"
                status=1
            fi
        fi
    done < "$file"
done < <(find "$src" -type f \( -name '*.h' -o -name '*.cpp' \) -print0 | sort -z)
exit $status
