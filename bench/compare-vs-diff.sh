#!/usr/bin/env bash
# Times parlune-compare --count against diff -a -i -w --minimal (the GNU
# diff mode closest to ours: minimal script, case and blanks ignored; -a so
# that UTF-16 files are compared as text, not reported as binary), with
# git diff --no-index --histogram --text beside them for reference.
#
# Every row is generated in four shapes of text from one seed: words with
# blanks, random printable characters, code-like lines (indentation by
# spaces or tabs, punctuation) and words in Cyrillic and Polish letters.
# Each row reports the shape where we fare worst against diff, separately
# for wall time, CPU time (user + sys) and peak resident memory, so that no
# single generator can flatter the program. Runs alternate between the
# programs; each figure is the median of the runs. The load average is
# printed with every row: compare figures taken at a similar load only.
#
# bench/compare-vs-diff.sh [-q] [-r RUNS] [-s SEED] [-v] [-w]
#   -q       quick: one run each, without the 10M-line row
#   -r RUNS  runs of each program per pair (default 3)
#   -s SEED  the generators' seed (default: made from the clock, printed)
#   -v       also print the figures of every shape
#   -w       also start the window on every pair (bench_window --startup)
#            and report, per row, the worst shape's first paint, end of
#            the pass and longest event-loop gap
# BENCH_ROWS=regex picks rows by name; BENCH_SHAPES="words code" picks shapes.
# BENCH_BUILD=DIR uses an existing Release build instead of build-bench/.
# BENCH_LIMIT=SECONDS stops a command after that long (default 600).
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
runs=3 quick=0 verbose=0 window=0 seed=$(( $(date +%s) % 100000 ))
while getopts "qr:s:vw" o; do
  case $o in
    q) quick=1; runs=1 ;;
    r) runs=$OPTARG ;;
    s) seed=$OPTARG ;;
    v) verbose=1 ;;
    w) window=1 ;;
    *) echo "usage: $0 [-q] [-r RUNS] [-s SEED] [-v] [-w]" >&2; exit 2 ;;
  esac
done
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

if [[ -n "${BENCH_BUILD:-}" ]]; then
  exe="$BENCH_BUILD/src/cli/parlune-compare"
  window_exe="$BENCH_BUILD/bench/bench_window"
else
  "$here/scripts/setup.sh"
  "$here/scripts/build.sh" "$here/build-bench" -DCMAKE_BUILD_TYPE=Release >/dev/null
  exe="$here/build-bench/src/cli/parlune-compare"
  window_exe="$here/build-bench/bench/bench_window"
fi

# A command that runs longer than this is stopped; its figures are then
# the limit for both times and 0 for memory, and the row says so.
limit=${BENCH_LIMIT:-600}
shapes=(${BENCH_SHAPES:-words chars code cyrpl})

# name|LINES EDITS [gen_pair.py options]|in the quick subset (1) or not (0)
rows=(
  "1M, 1,000 edits|1000000 1000|1"
  "1M UTF-16 LE, 1,000 edits|1000000 1000 --utf16|1"
  "1M CR LF, 1,000 edits|1000000 1000 --crlf|1"
  "500k of 6 lines, 500 new|500000 500 --distinct 6|1"
  "2 lines of 50 MB, 1 char|2 0 --long 50000000|1"
  "10M, 10,000 edits|10000000 10000|0"
  "200k, 50,000 edits|200000 50000|1"
  "200k, reversed 1k blocks|200000 0 --reversed-blocks 1000|1"
  "1M identical|1000000 0|1"
  "1M case+blanks differ|1000000 0 --case-blanks|1"
  "1M entirely different|1000000 0 --different|1"
)

median() { sort -n | awk '{v[NR]=$1} END {print (NR%2) ? v[(NR+1)/2] : (v[NR/2]+v[NR/2+1])/2}'; }

# Runs a command once; appends "wall cpu kilobytes" to the file $1: wall
# time from bash's clock, CPU time (user + sys) and peak resident memory
# from GNU time.
measure() {
  local out=$1 start end
  shift
  start=$EPOCHREALTIME
  /usr/bin/time -f "%x %U %S %M" -o "$work/t" timeout "$limit" "$@" >/dev/null 2>&1 || true
  end=$EPOCHREALTIME
  # time prepends a line when the exit status is not 0: take the last one
  tail -n 1 "$work/t" | awk -v s="$start" -v e="$end" -v limit="$limit" '{
    if ($1 == 124 || NF < 4) { printf "%.4f %.3f 0\n", limit, limit; print "stopped at the time limit" >"/dev/stderr" }
    else printf "%.4f %.3f %d\n", e - s, $2 + $3, $4 }' >>"$out"
}

load() { cut -d' ' -f1-3 /proc/loadavg; }

echo "seed $seed, $runs run(s) per program and pair, shapes: ${shapes[*]}"
echo "load average at start: $(load)"
: >"$work/results"; : >"$work/window"
for entry in "${rows[@]}"; do
  IFS='|' read -r name pairArgs inquick <<<"$entry"
  [[ -n "${BENCH_ROWS:-}" && ! "$name" =~ $BENCH_ROWS ]] && continue
  ((quick && !inquick)) && continue
  read -r -a args <<<"$pairArgs"
  for shape in "${shapes[@]}"; do
    python3 "$here/bench/gen_pair.py" "${args[0]}" "${args[1]}" "$work/a.txt" "$work/b.txt" \
      --seed "$seed" --shape "$shape" "${args[@]:2}"
    : >"$work/ours"; : >"$work/diff"; : >"$work/git"
    for ((i = 0; i < runs; i++)); do
      measure "$work/ours" "$exe" --count "$work/a.txt" "$work/b.txt"
      measure "$work/diff" diff -a -i -w --minimal "$work/a.txt" "$work/b.txt"
      measure "$work/git" git diff --no-index --histogram --text "$work/a.txt" "$work/b.txt"
    done
    figures=""
    for who in ours diff git; do
      for col in 1 2 3; do
        figures+=" $(cut -d' ' -f$col "$work/$who" | median)"
      done
    done
    echo "$name|$shape|$figures|$(load)" >>"$work/results"
    if ((window)); then
      # "first paint 0.342 s  pass done 0.979 s  peak 350.7 MiB  longest gap 22.5 ms  (...)"
      QT_QPA_PLATFORM=offscreen timeout "$limit" "$window_exe" --startup "$work/a.txt" "$work/b.txt" 2>/dev/null \
        | awk -v row="$name" -v shape="$shape" '/^first paint/ { print row "|" shape "|" $3 " " $7 " " $10 " " $14 }' \
        >>"$work/window" || echo "$name|$shape|stopped" >>"$work/window"
    fi
    if ((verbose)); then
      echo "$name|$shape|$figures" | awk -F'|' '{ split($3, f, " ");
        printf "  %-26s %-6s wall %7.3f / %7.3f s  cpu %7.3f / %7.3f s  %8.1f / %8.1f MiB  git %7.3f s\n",
          $1, $2, f[1], f[4], f[2], f[5], f[3] / 1024, f[6] / 1024, f[7] }'
    fi
  done
done

# Per row, the shape with the worst ratio (ours / diff) of each measure.
echo
awk -F'|' '
  function ratio(a, b) { return b > 0 ? a / b : (a > 0 ? 999 : 1) }
  {
    split($3, f, " ")
    row = $1
    if (!(row in seen)) { seen[row] = 1; order[++n] = row }
    w = ratio(f[1], f[4]); c = ratio(f[2], f[5]); m = ratio(f[3], f[6])
    if (!(row in ww) || w > ww[row]) { ww[row] = w; ws[row] = $2; wo[row] = f[1]; wd[row] = f[4]; wg[row] = f[7] }
    if (!(row in cc) || c > cc[row]) { cc[row] = c; cs[row] = $2; co[row] = f[2]; cd[row] = f[5] }
    if (!(row in mm) || m > mm[row]) { mm[row] = m; ms[row] = $2; mo[row] = f[3]; md[row] = f[6] }
    ld[row] = $4
  }
  END {
    printf "%-26s | %-27s | %-27s | %-29s | %7s | %s\n", "worst shape per measure", "wall s: ours/diff = ratio",
      "cpu s: ours/diff = ratio", "peak MiB: ours/diff = ratio", "git s", "load"
    for (i = 1; i <= n; ++i) {
      r = order[i]
      printf "%-26s | %-5s %6.2f/%6.2f=%5.2f | %-5s %6.2f/%6.2f=%5.2f | %-5s %6.0f/%6.0f=%5.2f | %7.2f | %s\n", r,
        ws[r], wo[r], wd[r], ww[r], cs[r], co[r], cd[r], cc[r], ms[r], mo[r] / 1024, md[r] / 1024, mm[r], wg[r], ld[r]
    }
  }' "$work/results"
if ((window)); then
  echo
  awk -F'|' '
    $3 == "stopped" { printf "%-26s | %-5s stopped at the time limit\n", $1, $2; next }
    {
      split($3, f, " ")
      if (!($1 in seen)) { seen[$1] = 1; order[++n] = $1 }
      if (!($1 in gap) || f[4] > gap[$1]) { gap[$1] = f[4]; gs[$1] = $2 }
      if (!($1 in paint) || f[1] > paint[$1]) { paint[$1] = f[1]; ps[$1] = $2 }
      if (!($1 in done) || f[2] > done[$1]) { done[$1] = f[2]; ds[$1] = $2 }
    }
    END {
      printf "%-26s | %-19s | %-19s | %s\n", "window, worst shape", "first paint s", "pass done s", "longest gap ms"
      for (i = 1; i <= n; ++i) {
        r = order[i]
        printf "%-26s | %-5s %13.3f | %-5s %13.3f | %-5s %8.1f\n", r, ps[r], paint[r], ds[r], done[r], gs[r], gap[r]
      }
    }' "$work/window"
fi
echo "load average at end: $(load)"
