#!/usr/bin/env bash
# Writes docs/screenshot-main.png, docs/screenshot-item.png,
# docs/screenshot-about.png and those of the folder tools
# (screenshot-batch-idle.png, screenshot-batch-running.png,
# screenshot-filename-setting.png, screenshot-foldertext-setting.png,
# screenshot-extension.png, screenshot-folder-browser.png,
# screenshot-new-folder.png): builds the screenshot tool, starts a private
# Xvfb and runs the windows there with the example list, so that Japanese
# text is drawn with the installed fonts as a user would see it.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${BUILD_DIR:-build-gui}
out=${OUT_DIR:-docs}

[ -f "$build/build.ninja" ] || cmake -S . -B "$build" -G Ninja -DZV_BUILD_BENCH=OFF >/dev/null
cmake --build "$build" --target zv_screenshots -j2 >/dev/null

work=$(mktemp -d)
xvfb_pid=
cleanup() {
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

list=examples/list.csv
if [ ! -f "$list" ]; then
  list="$work/list.csv"
  printf '"%s","%s"\r\n' "株式会社" "(株)" "有限会社" "(有)" "ｶﾅ" "カナ" "ＡＢＣ" "ABC" > "$list"
fi

# A free display number, chosen by Xvfb itself.
Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
xvfb_pid=$!
for _ in $(seq 50); do [ -s "$work/display" ] && break; sleep 0.1; done
display=":$(head -n1 "$work/display")"

# The folder tools' windows show a tree made below TMPDIR: keep it private.
mkdir -p "$work/config" "$work/tmp" "$out"
mkdir -m 700 "$work/runtime"
XDG_RUNTIME_DIR="$work/runtime" TMPDIR="$work/tmp" DISPLAY=$display QT_QPA_PLATFORM=xcb ZENTRAVOLIX_CODEPAGE=65001 ZENTRAVOLIX_CONFIG_DIR="$work/config" \
  "$build/tests/gui/zv_screenshots" "$list" "$out"
