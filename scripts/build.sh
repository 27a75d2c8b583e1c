#!/usr/bin/env bash
# Configures and builds into $1 (default build/) with both cores; extra
# arguments go to CMake.
set -euo pipefail
cd "$(dirname "$0")/.."
dir=${1:-build}; shift || true
cmake -S . -B "$dir" -G Ninja "$@"
cmake --build "$dir" -j "$(nproc)"
