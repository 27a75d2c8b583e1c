#!/usr/bin/env bash
# Builds the GUI tests whose folder runs go through worker threads with
# ThreadSanitizer and runs them. The distribution's Qt is not instrumented,
# so tests/gui/tsan.supp names the few places where Qt's own hand-over
# between threads is invisible to the sanitizer (each entry says why).
set -euo pipefail
cd "$(dirname "$0")/.."
build=${BUILD_DIR:-build-tsan}
werror=OFF; [ -n "${CI:-}" ] && werror=ON
tests="zv_gui_folderrun_tests zv_gui_batchdialog_tests"

cmake -S . -B "$build" -G Ninja -DZV_SANITIZE=thread -DZV_BUILD_BENCH=OFF -DZV_WERROR=$werror \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
# shellcheck disable=SC2086
cmake --build "$build" --target $tests -j "$(nproc)"

export TSAN_OPTIONS="suppressions=$PWD/tests/gui/tsan.supp halt_on_error=1 second_deadlock_stack=1 ${TSAN_OPTIONS:-}"
# Some kernels place mappings where the sanitizer's shadow memory must go;
# running without address randomisation avoids that.
run=()
if command -v setarch >/dev/null && setarch "$(uname -m)" -R true 2>/dev/null; then
  run=(setarch "$(uname -m)" -R)
fi
cd "$build"
"${run[@]}" ctest -R "^($(echo $tests | tr ' ' '|'))\$" --output-on-failure
