#!/usr/bin/env bash
# Times parlune-compare --count against diff -a -i -w --minimal (the GNU
# diff mode closest to ours: minimal script, case and blanks ignored; -a so
# that UTF-16 files are compared as text, not reported as binary) on the
# same generated pairs, alternating the two, and prints median wall time
# and median peak memory of each with the ratios.
#
# bench/compare-vs-diff.sh [RUNS]      (default 5 runs of each per pair)
# BENCH_BUILD=DIR uses an existing Release build instead of build-bench/.
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
runs="${1:-5}"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

if [[ -n "${BENCH_BUILD:-}" ]]; then
  exe="$BENCH_BUILD/src/cli/parlune-compare"
else
  "$here/scripts/setup.sh"
  "$here/scripts/build.sh" "$here/build-bench" -DCMAKE_BUILD_TYPE=Release >/dev/null
  exe="$here/build-bench/src/cli/parlune-compare"
fi

# name|LINES EDITS [gen_pair.py options]; BENCH_ROWS=regex picks rows by name.
pairs=(
  "1M lines, 1,000 edits|1000000 1000"
  "200k, 50,000 scattered|200000 50000"
  "60k, reversed blocks|60000 0 --reversed-blocks 1000"
  "1M lines, identical|1000000 0"
  "1M Cyrillic/Polish|1000000 1000 --words polish"
  "1M UTF-16 LE, BOM|1000000 1000 --utf16"
  "500k, six distinct|500000 500 --distinct 6"
  "100k lines, 1% edits|100000 1000"
  "20k vs 20k different|20000 0 --different"
)

median() { sort -n | awk '{v[NR]=$1} END {print (NR%2) ? v[(NR+1)/2] : (v[NR/2]+v[NR/2+1])/2}'; }

# Runs a command once; prints "seconds kilobytes": wall time from bash's
# clock (no process started around the command but GNU time, which reports
# the peak resident memory).
measure() {
  local start end
  start=$EPOCHREALTIME
  /usr/bin/time -f "%M" -o "$work/t" "$@" >/dev/null 2>&1 || true
  end=$EPOCHREALTIME
  # time prepends a line when the exit status is not 0: take the last one
  echo "$(awk -v s="$start" -v e="$end" 'BEGIN { printf "%.4f", e - s }') $(tail -n 1 "$work/t")"
}

printf '%-24s %10s %10s %7s %12s %12s %7s\n' pair "ours s" "diff s" ratio "ours MiB" "diff MiB" ratio
for entry in "${pairs[@]}"; do
  name="${entry%%|*}"
  [[ -n "${BENCH_ROWS:-}" && ! "$name" =~ $BENCH_ROWS ]] && continue
  read -r -a args <<<"${entry#*|}"
  python3 "$here/bench/gen_pair.py" "${args[0]}" "${args[1]}" "$work/a.txt" "$work/b.txt" "${args[@]:2}"
  : >"$work/ours"; : >"$work/diff"
  for ((i = 0; i < runs; i++)); do
    measure "$exe" --count "$work/a.txt" "$work/b.txt" >>"$work/ours"
    measure diff -a -i -w --minimal "$work/a.txt" "$work/b.txt" >>"$work/diff"
  done
  ot=$(cut -d' ' -f1 "$work/ours" | median); dt=$(cut -d' ' -f1 "$work/diff" | median)
  om=$(cut -d' ' -f2 "$work/ours" | median); dm=$(cut -d' ' -f2 "$work/diff" | median)
  awk -v n="$name" -v ot="$ot" -v dt="$dt" -v om="$om" -v dm="$dm" 'BEGIN {
    printf "%-24s %10.3f %10.3f %7.2f %12.1f %12.1f %7.2f\n", n, ot, dt, (dt > 0 ? ot / dt : 0), om / 1024, dm / 1024, om / dm }'
done
