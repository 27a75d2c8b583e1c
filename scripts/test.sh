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
