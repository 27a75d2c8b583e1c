#!/usr/bin/env bash
# Builds and runs the main job on the bundled example: the command-line
# program converts examples/sample.txt with examples/list.csv and prints it.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/setup-deps.sh
./scripts/build.sh build >/dev/null
export ZENTRAVOLIX_CODEPAGE=${ZENTRAVOLIX_CODEPAGE:-65001}
if [ -x build/src/cli/zentravolix-cli ]; then
  exec build/src/cli/zentravolix-cli text --list examples/list.csv examples/sample.txt
else
  exec build/bench/zv_example examples/list.csv examples/sample.txt
fi
