# The tests of the Windows build under Wine (sourced by scripts/windows.sh --test).

wine=/usr/lib/wine/wine64
mingw_runtime=("/usr/lib/gcc/$triple/12-posix" "/usr/$triple/lib")

# A Wine prefix of its own under the cache; made once (about half a minute).
setup_wine() {
  export WINEPREFIX=$cache/wine WINEDEBUG=-all WINEARCH=win64
  # Wine reads Linux file names and command lines in the locale's encoding: Cyrillic needs UTF-8.
  # The users' Windows is Russian: its ANSI code page (1251), which Wine takes from the locale,
  # is the one settings.ini, replace.ini and help.txt are kept in.
  export LC_ALL=ru_RU.UTF-8
  # No Mono or Gecko installer dialogs: nothing here needs them.
  export WINEDLLOVERRIDES="mscoree,mshtml="
  if [ ! -e "$WINEPREFIX/system.reg" ]; then
    say "Wine: новый префикс $WINEPREFIX"
    "$wine" wineboot --init >/dev/null 2>&1
    /usr/lib/wine/wineserver -w
  fi
  # Qt's and MinGW's DLLs are found through WINEPATH, the test executables' folder has none.
  local dirs=("$prefix/qt/bin" "${mingw_runtime[@]}") d path=""
  for d in "${dirs[@]}"; do path+="Z:${d//\//\\};"; done
  export WINEPATH=$path
  # Wine hands no QT_ variable of this machine to Windows programs (they are meant for its own Qt);
  # WINEQT_... arrives as QT_.... The tests draw offscreen, with the DejaVu fonts of this machine
  # (the offscreen plugin finds no Windows fonts).
  export WINEQT_QPA_PLATFORM=offscreen WINEQT_PLUGIN_PATH="Z:${prefix//\//\\}\\qt\\plugins"
  export WINEQT_QPA_FONTDIR='Z:\usr\share\fonts\truetype\dejavu'
}

# The test programs left out under Wine, with the reason: they need the office suite's converter.
WINE_LEFT_OUT=(
  "tst_CombinedPdfs: конвертер в нём заменяют сценарии оболочки"
  "tst_GenerationEndToEnd: записанные документы читает LibreOffice"
)

left_out_reason() {
  local entry
  for entry in "${WINE_LEFT_OUT[@]}"; do
    [ "${entry%%:*}" = "$1" ] && { echo "${entry#*: }"; return; }
  done
}

# Every other QtTest program of the Windows build, through CTest, offscreen.
run_qt_tests() {
  local dir=$cache/wine-ctest exe name reason
  rm -rf "$dir" && mkdir -p "$dir"
  for exe in "$build"/tests/tst_*.exe; do
    name=$(basename "$exe" .exe)
    reason=$(left_out_reason "$name")
    if [ -n "$reason" ]; then echo "не запускается под Wine: $name ($reason)" >&2; continue; fi
    printf 'add_test(%s "%s" "%s")\n' "$name" "$wine" "$exe"
    printf 'set_tests_properties(%s PROPERTIES TIMEOUT 900)\n' "$name"
  done >"$dir/CTestTestfile.cmake"
  say "Тесты под Wine"
  (cd "$dir" && ctest -j"$jobs" --output-on-failure)
}

# The command line tool of both builds over the same inputs: the texts printed and the documents
# written must be the same.
compare_cli() {
  local linux=$root/build/app/dokrava-cli work=$cache/cli-compare failures=0
  [ -x "$linux" ] || bash "$root/scripts/build.sh" >/dev/null
  rm -rf "$work" && mkdir -p "$work"
  cp -r "$root/resources/zagotka" "$root/resources/primery" "$root/resources/Replace.xls" "$root/tests/data/table" \
    "$root/tests/data/odf/letter.odt" "$work/"
  cd "$work"
  local -a runs=(
    "fields zagotka/Договор.docx zagotka/Письмо.odt letter.odt"
    "table Replace.xls" "table table/three_sheets_lo.xls --sheet 2" "table table/ragged_records.ods"
    "table table/three_sheets_lo.xlsx --sheet 3" "table table/cp1251_comma.csv"
    "table table/utf8_bom_semicolon.csv"
    "fill zagotka/Письмо.odt OUT/Письмо.odt ФИО=Иванов"
    "generate --templates zagotka --data Replace.xls --out OUT --format native --converter none"
    "generate --templates zagotka --data Replace.xls --out OUT --naming column --order template --converter none"
    "check --templates zagotka --data Replace.xls --converter none"
    "generate --templates primery --data primery/Счета.csv --out OUT --format native --converter none"
  )
  local run i=0 linux_text windows_text
  for run in "${runs[@]}"; do
    i=$((i + 1))
    mkdir -p "linux-$i" "windows-$i"
    # shellcheck disable=SC2086 # each run is a list of words without spaces inside
    linux_text=$("$linux" ${run//OUT/linux-$i} 2>&1; echo "код $?")
    # A run that never ends (it once hung at its very end) fails with code 124 instead of waiting.
    # shellcheck disable=SC2086
    windows_text=$(timeout 300 "$wine" "$build/app/dokrava-cli.exe" ${run//OUT/windows-$i} 2>&1 | tr -d '\r'; echo "код ${PIPESTATUS[0]}")
    # Separators differ in the paths printed; both sides alike, so escapes such as \n still match.
    linux_text=${linux_text//\\//}
    windows_text=${windows_text//\\//}
    windows_text=${windows_text//windows-$i/linux-$i}
    if [ "$linux_text" != "$windows_text" ]; then
      echo "РАЗЛИЧИЕ: dokrava-cli $run"; diff <(echo "$linux_text") <(echo "$windows_text") | head -n 20
      failures=$((failures + 1))
    elif ! python3 "$root/tools/windows/compare_outputs.py" "linux-$i" "windows-$i" >"compare-$i.txt"; then
      echo "РАЗЛИЧИЕ в документах: dokrava-cli $run"; head -n 20 "compare-$i.txt"
      failures=$((failures + 1))
    else
      echo "совпадает: dokrava-cli $run ($(tail -n1 "compare-$i.txt"))"
    fi
  done
  cd "$root"
  [ "$failures" -eq 0 ]
}

# The window: the screenshot tool loads the samples into the main window under Wine's own display
# driver on Xvfb and saves the picture; then dokrava.exe itself starts from the unpacked ZIP.
window_under_wine() {
  local out=$root/build-windows/screenshots app=$cache/unpacked/Dokrava
  mkdir -p "$out"
  env -u WINEQT_QPA_PLATFORM -u WINEQT_QPA_FONTDIR xvfb-run -a -s "-screen 0 1600x1000x24" \
    "$wine" "$build/app/dokrava_screenshots.exe" "Z:${out//\//\\}" 2>&1 | tr -d '\r' | tail -n 5
  ls "$out"/*.png
  rm -rf "$cache/unpacked" && mkdir -p "$cache/unpacked"
  python3 -m zipfile -e "$root/dist/dokrava-windows-x64.zip" "$cache/unpacked"
  # The program stays up with its window until it is ended; settings.ini shows the start ran.
  rm -f "$app/settings.ini"
  env -u WINEPATH -u WINEQT_PLUGIN_PATH -u WINEQT_QPA_PLATFORM -u WINEQT_QPA_FONTDIR timeout 40 xvfb-run -a -s "-screen 0 1600x1000x24" \
    "$wine" "$app/dokrava.exe" >/dev/null 2>&1 && true
  local code=$?
  /usr/lib/wine/wineserver -k 2>/dev/null || true
  if [ "$code" -eq 124 ] && [ -e "$app/settings.ini" ]; then
    echo "dokrava.exe из архива запустился и работал до конца 40 с ожидания"
  else
    echo "dokrava.exe из архива: код $code, settings.ini $( [ -e "$app/settings.ini" ] && echo есть || echo нет)"
    return 1
  fi
}

windows_tests() {
  local started=$(date +%s) status=0
  [ -e "$build/app/dokrava-cli.exe" ] && [ -e "$root/dist/dokrava-windows-x64.zip" ] \
    || { echo "Сначала соберите: bash scripts/windows.sh" >&2; return 1; }
  setup_wine
  run_qt_tests || status=1
  say "dokrava-cli.exe и dokrava-cli (Linux) на одних данных"
  compare_cli || status=1
  say "Окно под Wine и Xvfb"
  window_under_wine || status=1
  say "Тесты под Wine: $( [ $status -eq 0 ] && echo пройдены || echo ЕСТЬ ОШИБКИ ) за $(elapsed "$started")"
  return $status
}
