#!/usr/bin/env bash
# Builds and runs the main job. With a display: the desktop program (open
# examples/list.csv from its File menu). Without one: the command-line program
# converts examples/sample.txt with examples/list.csv and prints the result.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/setup-deps.sh
./scripts/build.sh build >/dev/null
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ] && [ -x build/src/app/zentravolix ]; then
  exec build/src/app/zentravolix
fi
exec build/src/cli/zentravolix-cli text --list examples/list.csv examples/sample.txt
