#!/usr/bin/env bash
# Times zentravolix-cli against GNU sed, perl and cp -r on a seeded corpus and
# checks every output against a reference (bench/gen_corpus.py).
#
#   bench/compare.sh [SIZE_MB] [RUNS] [WORKDIR]
#
#   SIZE_MB  size of the UTF-8 text tree (default 200; 20 for a quick run)
#   RUNS     timed runs of each command, the best one counts (default 3)
#   WORKDIR  corpus, references and outputs (default ${TMPDIR:-/tmp}/zv-bench-SIZE_MB);
#            the corpus and its references are kept for the next run
#
# Environment: ZV_CLI (default build-release/src/cli/zentravolix-cli),
# PEER_MB_10, PEER_MB_100, PEER_MB_1000: how much of the text tree sed and perl
# get for 10, 100 and 1000 rows (defaults: all of it, 40 and 4 MB); at 1000
# rows they manage about 1 MB/s, so a whole 200 MB tree would take them an
# hour. Their throughput and wrong files are measured on that part of the tree.
#
# Needs: bash, coreutils, GNU sed, perl, python3, /usr/bin/time.
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
size=${1:-200}
runs=${2:-3}
work=${3:-${TMPDIR:-/tmp}/zv-bench-$size}
cli=${ZV_CLI:-$here/../build-release/src/cli/zentravolix-cli}
gen=$here/gen_corpus.py
corpus=$work/corpus
out=$work/out
declare -A peer_mb=([10]=${PEER_MB_10:-$((2 * size))} [100]=${PEER_MB_100:-40} [1000]=${PEER_MB_1000:-4})

[ -x "$cli" ] || { echo "no zentravolix-cli at $cli (build-release, or set ZV_CLI)" >&2; exit 2; }
[ -x /usr/bin/time ] || { echo "/usr/bin/time is missing (Debian package 'time')" >&2; exit 2; }
mkdir -p "$work"

if [ ! -f "$corpus/meta.json" ]; then
  echo "generating a $size MB corpus in $corpus ..." >&2
  rm -rf "$corpus"
  python3 "$gen" generate "$corpus" --size-mb "$size" >/dev/null
fi
echo "reference results ..." >&2
python3 "$gen" reference "$corpus"

# Our program reads no extension list: every file is text.
export ZENTRAVOLIX_CONFIG_DIR=$work/config
mkdir -p "$ZENTRAVOLIX_CONFIG_DIR"
rm -f "$ZENTRAVOLIX_CONFIG_DIR/ZentravolixExpList"

tree_bytes() { find "$1" -type f -printf '%s\n' | awk '{ s += $1 } END { print s + 0 }'; }
list_bytes() { local top=$1 list=$2; (cd "$top" && xargs -d '\n' stat -c %s <"$list") | awk '{ s += $1 } END { print s + 0 }'; }
now() { date +%s.%N; }

load_start=$(cut -d' ' -f1-3 /proc/loadavg)
# Warm the page cache so every tool reads from memory.
find "$corpus/text" "$corpus/names" -type f -print0 | xargs -0 cat >/dev/null

# time_one KEY CMD...: one timed run of CMD after `prepare`. Keeps per KEY
# the best wall time (best_t), that run's user + system time (cpu_t) and the
# peak RSS of all its runs in kB (rss_t).
declare -A best_t cpu_t rss_t
time_one() {
  local key=$1 s e t m
  shift
  prepare
  s=$(now)
  /usr/bin/time -v -o "$work/time.txt" "$@"
  e=$(now)
  t=$(echo "$e - $s" | bc -l)
  if [ -z "${best_t[$key]:-}" ] || [ "$(echo "$t < ${best_t[$key]}" | bc -l)" = 1 ]; then
    best_t[$key]=$t
    cpu_t[$key]=$(awk -F': ' '/User time|System time/ { s += $2 } END { printf "%.2f", s }' "$work/time.txt")
  fi
  m=$(awk -F': ' '/Maximum resident set size/ { print $2 }' "$work/time.txt")
  [ "${m:-0}" -gt "${rss_t[$key]:-0}" ] && rss_t[$key]=$m
  return 0
}
# best_of KEY CMD...: $runs runs of CMD; sets $best and $cpu.
best=""
cpu=""
best_of() {
  local key=$1 i
  shift
  for ((i = 0; i < runs; i++)); do time_one "$key" "$@"; done
  took "$key"
}
took() {
  best=${best_t[$1]}
  cpu=${cpu_t[$1]}
}
prepare() { rm -rf "$out"; }

rows_out=()
# row TOOL ROWS ENCODING SECONDS BYTES FILES WRONG RSS_KB (CPU seconds from $cpu)
row() {
  local mbs fps rss
  mbs=$(awk -v b="$5" -v t="$4" 'BEGIN { printf "%.1f", b / 1048576 / t }')
  fps=$(awk -v f="$6" -v t="$4" 'BEGIN { printf "%.0f", f / t }')
  rss=$([ "$8" = "-" ] && echo "-" || echo "$(($8 / 1024)) MB")
  rows_out+=("| $1 | $2 | $3 | $mbs | $fps | $(printf '%.2f' "$4") | $cpu | $7 | $rss |")
  printf '%-28s %5s %-5s %9s MB/s %8s files/s  %6.2f s  cpu %5s s  wrong %-9s rss %s\n' "$1" "$2" "$3" "$mbs" "$fps" \
    "$4" "$cpu" "$7" "$rss" >&2
}

wrong() { python3 "$gen" check "$@" | awk '{ print $1 "/" $2 }'; }

cat >"$work/sed-tree.sh" <<'EOF'
while IFS=$'\t' read -r s d; do LC_ALL=C sed -f "$1" "$s" >"$d"; done <"$2"
EOF

declare -A secs wrongs
codepage() { [ "$1" = sjis ] && echo 932 || echo 65001; }

# cp -r and our runs take turns, in both code pages, so that a slow spell of
# the machine falls on all of them alike (and on both sides of the Shift-JIS
# to UTF-8 ratio); the best run of each counts. The first round's outputs are
# checked.
for ((i = 0; i < runs; i++)); do
  for enc in utf8 sjis; do
    src=$corpus/text/$enc
    time_one "cp,$enc" cp -r "$src" "$out"
    for n in 10 100 1000 jobs1; do
      list=$corpus/lists/text-${n/jobs1/100}-$enc.csv
      jobs=()
      [ "$n" = jobs1 ] && jobs=(--jobs 1)
      time_one "$n,$enc" "$cli" folder-text --quiet --subdir "${jobs[@]}" --codepage "$(codepage "$enc")" \
        --list "$list" "$src" "$out"
      if [ "$i" = 0 ]; then wrongs[$n,$enc]=$(wrong "$corpus/ref/ours-${n/jobs1/100}-$enc.json" "$out"); fi
    done
  done
done

for enc in utf8 sjis; do
  src=$corpus/text/$enc
  bytes=$(tree_bytes "$src")
  files=$(find "$src" -type f | wc -l)
  took "cp,$enc"
  row "cp -r" - "$enc" "$best" "$bytes" "$files" - -
  secs[cp,$enc]=$best

  for n in 10 100 1000; do
    list=$corpus/lists/text-$n-$enc.csv
    took "$n,$enc"
    row "zentravolix-cli folder-text" "$n" "$enc" "$best" "$bytes" "$files" "${wrongs[$n,$enc]}" "${rss_t[$n,$enc]}"
    secs[ours,$n,$enc]=$best
    echo "${rss_t[$n,$enc]}" >"$work/rss-$n-$enc"
    if [ "$n" = 100 ]; then
      took "jobs1,$enc"
      row "zentravolix-cli --jobs 1" "$n" "$enc" "$best" "$bytes" "$files" "${wrongs[jobs1,$enc]}" \
        "${rss_t[jobs1,$enc]}"
    fi

    # sed and perl on the first PEER_MB of the tree, one process per tool.
    python3 "$gen" sample "$corpus" "${peer_mb[$n]}" >"$work/sample"
    sbytes=$(list_bytes "$src" "$work/sample")
    sfiles=$(wc -l <"$work/sample")
    python3 "$gen" sed-script "$corpus" "$n" "$enc" >"$work/rows.sed"
    python3 "$gen" perl-script "$corpus" "$n" "$enc" >"$work/rows.pl"
    python3 "$gen" perl-script "$corpus" "$n" "$enc" --decode >"$work/rows-decode.pl"
    awk -v s="$src/" -v o="$out/" '{ print s $0 "\t" o $0 }' "$work/sample" >"$work/pairs"
    prepare() {
      rm -rf "$out"
      sed 's|/[^/]*$||' "$work/sample" | sort -u | (cd "$work" && xargs -I{} mkdir -p "out/{}")
    }
    saved_runs=$runs
    runs=1 # a peer's run lasts long enough for one timing
    # One sed per file, as a shell loop over a tree would run it.
    best_of "sed,$n,$enc" bash "$work/sed-tree.sh" "$work/rows.sed" "$work/pairs"
    row "GNU sed (sample)" "$n" "$enc" "$best" "$sbytes" "$sfiles" \
      "$(wrong "$corpus/ref/peer-$n-$enc.json" "$out" --only "$work/sample")" -
    best_of "perl,$n,$enc" perl "$work/rows.pl" "$work/pairs"
    row "perl, bytes (sample)" "$n" "$enc" "$best" "$sbytes" "$sfiles" \
      "$(wrong "$corpus/ref/peer-$n-$enc.json" "$out" --only "$work/sample")" -
    secs[perl,$n,$enc]=$(echo "$best * $bytes / $sbytes" | bc -l)
    if [ "$enc" = sjis ]; then
      best_of "perl-decode,$n,$enc" perl "$work/rows-decode.pl" "$work/pairs"
      row "perl, cp932 decoded (sample)" "$n" "$enc" "$best" "$sbytes" "$sfiles" \
        "$(wrong "$corpus/ref/peer-$n-$enc.json" "$out" --only "$work/sample")" -
    fi
    runs=$saved_runs
    prepare() { rm -rf "$out"; }
  done
done

# Names: 20,000 small files, 1000 rows of name fragments.
nsrc=$corpus/names/src
nbytes=$(tree_bytes "$nsrc")
nfiles=$(find "$nsrc" -type f | wc -l)
names_list=$corpus/lists/names-1000-utf8.csv
for ((i = 0; i < runs; i++)); do
  time_one cp,names cp -r "$nsrc" "$out"
  for jobs in "" 1; do
    time_one "names$jobs" "$cli" names --quiet --subdir ${jobs:+--jobs $jobs} --codepage 65001 --list "$names_list" \
      "$nsrc" "$out"
    if [ "$i" = 0 ]; then wrongs[names$jobs]=$(wrong "$corpus/ref/names.json" "$out"); fi
  done
done
took cp,names
row "cp -r" - names "$best" "$nbytes" "$nfiles" - -
secs[cp,names]=$best
took names
row "zentravolix-cli names" 1000 utf8 "$best" "$nbytes" "$nfiles" "${wrongs[names]}" "${rss_t[names]}"
secs[names]=$best
took names1
row "zentravolix-cli names --jobs 1" 1000 utf8 "$best" "$nbytes" "$nfiles" "${wrongs[names1]}" "${rss_t[names1]}"
rm -rf "$out"

# Table and targets.
largest=$(python3 -c "import json,sys; m=json.load(open(sys.argv[1])); print(max(m['largest_utf8'], m['largest_sjis']))" \
  "$corpus/meta.json")
echo
echo "Corpus: $size MB (UTF-8), $(find "$corpus/text/utf8" -type f | wc -l) files; largest file $((largest / 1024)) kB;" \
  "names tree $nfiles files. Best of $runs runs for cp and zentravolix-cli, taking turns, one run for sed and perl" \
  "on the first ${peer_mb[10]}/${peer_mb[100]}/${peer_mb[1000]} MB (10/100/1000 rows)." \
  "zentravolix-cli runs with $(nproc) jobs unless the row says otherwise. Load average at the start" \
  "$load_start, at the end $(cut -d' ' -f1-3 /proc/loadavg)."
echo
echo "| tool | rows | encoding | MB/s | files/s | wall s | CPU s | wrong files | peak RSS |"
echo "|---|---|---|---|---|---|---|---|---|"
printf '%s\n' "${rows_out[@]}"
echo
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }
verdict() { [ "$(echo "$1" | bc -l)" = 1 ] && echo "met" || echo "NOT met"; }
for enc in utf8 sjis; do
  r=$(ratio "${secs[cp,$enc]}" "${secs[ours,100,$enc]}")
  echo "- $enc, 100 rows: $r x the throughput of cp -r (target >= 0.40): $(verdict "$r >= 0.40")"
  r=$(ratio "${secs[perl,100,$enc]}" "${secs[ours,100,$enc]}")
  echo "- $enc, 100 rows: $r x the throughput of perl (target >= 5): $(verdict "$r >= 5")"
  r=$(ratio "${secs[ours,1000,$enc]}" "${secs[ours,10,$enc]}")
  echo "- $enc: 1000 rows take $r x the time of 10 rows (target <= 1.5): $(verdict "$r <= 1.5")"
done
for n in 10 100 1000; do
  u=$(echo "$(tree_bytes "$corpus/text/utf8") / ${secs[ours,$n,utf8]}" | bc -l)
  s=$(echo "$(tree_bytes "$corpus/text/sjis") / ${secs[ours,$n,sjis]}" | bc -l)
  r=$(ratio "$s" "$u")
  echo "- $n rows: Shift-JIS MB/s = $r x UTF-8 MB/s (target: the same, >= 0.90): $(verdict "$r >= 0.90")"
done
r=$(ratio "${secs[cp,names]}" "${secs[names]}")
echo "- names, 20,000 files, 1000 rows: $r x the files/s of cp -r (target >= 0.90): $(verdict "$r >= 0.90")"
limit=$(((3 * largest + 64 * 1048576) / 1024))
worst=$(cat "$work"/rss-*-* | sort -n | tail -1)
echo "- peak RSS of folder-text runs: $((worst / 1024)) MB; limit 3 x largest file + 64 MB = $((limit / 1024)) MB:" \
  "$(verdict "$worst < $limit")"
