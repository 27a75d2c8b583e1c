#!/usr/bin/env bash
# Writes the screenshots in docs/: the main window, its ﾌｧｲﾙ and 変換ﾘｽﾄ編集
# menus and the list's context menu, the item dialog, the about box, the open
# dialog, the folder tools' windows (the run dialog idle and during a run,
# both settings dialogs, the extension dialog, the folder browser, the
# new-folder dialog, the folder browser of a 932 session with a legacy
# Shift-JIS folder, the run's summary, both previews and the list check) and
# the text dialog, alone and asking about its unsaved
# text. Builds the screenshot
# tool, starts a private Xvfb and runs the windows there with the example
# list in a private home, so that Japanese text is drawn with the installed
# fonts as a user would see it. Needs root for the private /home (unshare).
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

# The windows show the user's home: a private /home (a tmpfs in a mount
# namespace of our own) holds /home/yamada/ドキュメント with the example list,
# so no path of this machine appears in a picture.
mkdir -p "$work/config" "$work/tmp" "$out"
mkdir -m 700 "$work/runtime"
out=$(cd "$out" && pwd)
export XDG_RUNTIME_DIR="$work/runtime" TMPDIR="$work/tmp" DISPLAY=$display QT_QPA_PLATFORM=xcb \
  ZENTRAVOLIX_CODEPAGE=65001 ZENTRAVOLIX_CONFIG_DIR="$work/config" LIST="$list" OUT="$out" \
  SHOTS="$(pwd)/$build/tests/gui/zv_screenshots" SAMPLE="$(pwd)/examples/sample.txt"
unshare -m bash -c '
  set -e
  mount -t tmpfs tmpfs /home
  docs=/home/yamada/ドキュメント
  mkdir -p "$docs" /home/yamada/.config
  printf "XDG_DOCUMENTS_DIR=\"\$HOME/ドキュメント\"\n" > /home/yamada/.config/user-dirs.dirs
  cp "$LIST" "$docs/変換リスト.csv"
  [ -f "$SAMPLE" ] && cp "$SAMPLE" "$docs/お知らせ.txt"
  cd /home/yamada
  export HOME=/home/yamada
  # With a window manager, the pictures taken from the screen (menus, a box
  # over its window) show title bars and captions as a desktop does.
  wm=
  if command -v openbox >/dev/null; then
    openbox --sm-disable >/dev/null 2>&1 &
    wm=$!
    sleep 1
  fi
  XDG_DOCUMENTS_DIR="$docs" ZV_SHOT_HOME=/home/yamada "$SHOTS" "$docs/変換リスト.csv" "$OUT"
  [ -z "$wm" ] || kill "$wm"
'
