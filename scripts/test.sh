#!/usr/bin/env bash
# Builds everything and runs every test: the normal build, then the core
# tests again under AddressSanitizer + UndefinedBehaviorSanitizer.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/setup-deps.sh
werror=OFF; [ -n "${CI:-}" ] && werror=ON
./scripts/build.sh build -DZV_WERROR=$werror
(cd build && ctest --output-on-failure -j "$(nproc)")
./scripts/build.sh build-asan -DZV_WERROR=$werror -DZV_BUILD_GUI=OFF -DZV_BUILD_BENCH=OFF \
  -DCMAKE_BUILD_TYPE=Debug "-DZV_SANITIZE=address;undefined"
(cd build-asan && ASAN_OPTIONS=detect_leaks=1 ctest --output-on-failure -j "$(nproc)")
# Hardening: every fuzz target for a bounded time (scripts/fuzz.sh 3600 for
# long campaigns), then the core tests, whose folder runs can use several
# worker threads, under ThreadSanitizer. The fault sweep and the hostile-input
# tests are core tests: they ran above, plainly and under ASan + UBSan.
./scripts/fuzz.sh 15
cmake -S . -B build-tsan -G Ninja -DZV_SANITIZE=thread -DZV_BUILD_BENCH=OFF -DZV_WERROR=$werror \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build-tsan --target zv_core_tests -j "$(nproc)"
tsan_run=()
if command -v setarch >/dev/null && setarch "$(uname -m)" -R true 2>/dev/null; then
  tsan_run=(setarch "$(uname -m)" -R)  # the shadow memory needs a fixed address layout on some kernels
fi
# The runs with worker threads and the engines they drive; the differential
# list tests are single-threaded and take minutes under this sanitizer.
TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1" "${tsan_run[@]}" build-tsan/tests/core/zv_core_tests \
  --gtest_filter='ParallelEngines*:RunOrdered*:FileNameRun*:FolderTextRun*:FaultSweep*:HostileTree*'

# The desktop program's worker tests under ThreadSanitizer (same build folder).
./scripts/tsan-gui.sh
