#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (ASan + UBSan) in build-fuzz/ and
# runs each for N seconds (default 15: the CI smoke; long campaigns: 3600).
# Prints the executions per target; exits nonzero when a target crashes or
# breaks one of its checks. The working corpora grow in build-fuzz/corpus/,
# seeded from fuzz/corpus/; a crash leaves its input in build-fuzz/artifacts/.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-15}
dir=${ZV_FUZZ_BUILD_DIR:-build-fuzz}
jobs=${ZV_FUZZ_JOBS:-2}

CC=clang-14 CXX=clang++-14 cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DZV_BUILD_FUZZ=ON "-DZV_SANITIZE=address;undefined" \
  -DZV_BUILD_GUI=OFF -DZV_BUILD_TESTS=OFF -DZV_BUILD_BENCH=OFF >/dev/null
cmake --build "$dir" --target zv_fuzz -j "$jobs"

# Inputs longer than these only slow a target down without reaching new code.
declare -A max_len=([fuzz_csv]=4096 [fuzz_profile]=4096 [fuzz_extlist]=2048
                    [fuzz_textmode]=8192 [fuzz_codepage]=1024 [fuzz_diff]=1024 [fuzz_detect]=4096)
targets=(fuzz_csv fuzz_profile fuzz_extlist fuzz_textmode fuzz_codepage fuzz_diff fuzz_detect)

mkdir -p "$dir/artifacts"
status=0
summary=""
for t in "${targets[@]}"; do
  corpus="$dir/corpus/$t"
  mkdir -p "$corpus"
  cp -n fuzz/corpus/"$t"/* "$corpus"/ 2>/dev/null || true
  log="$dir/$t.log"
  set +e
  ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1 \
    "$dir/fuzz/$t" -max_total_time="$seconds" -max_len="${max_len[$t]}" -timeout=10 -rss_limit_mb=2048 \
    -print_final_stats=1 -artifact_prefix="$dir/artifacts/$t-" "$corpus" >"$log" 2>&1
  rc=$?
  set -e
  runs=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$log" | grep -o '[0-9]*$' | tail -1)
  line=$(printf '%-14s %10s executions  %s' "$t" "${runs:-?}" "$([ $rc -eq 0 ] && echo ok || echo FAILED)")
  echo "$line"
  summary+="$line"$'\n'
  if [ $rc -ne 0 ]; then
    status=1
    grep -E 'fuzz check failed|ERROR: |SUMMARY: |Test unit written|runtime error' "$log" | head -20 || true
  fi
done
echo "--- fuzz: ${seconds}s per target"
printf '%s' "$summary"
exit $status
