#!/usr/bin/env bash
# "Scan Difference" in the window (two loaded 1,000,000-line panes with
# 1,000 scattered edits) against diff -i -w --minimal on the same files, in
# one run; then the longest gap of a 10 ms timer during a pass of 20,000
# lines against 20,000 different ones, against the same lines reversed, and
# on 60,000 lines in 1,000-line blocks with the block order reversed (each
# pass must keep yielding to the window). Last, the start of the window on
# 100k- and 1M-line pairs (1,000 edits per million, and 1M lines against 1M
# different ones): time from the process's start to the first paint and to
# the end of the pass, peak memory and the longest event-loop gap.
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

"$here/scripts/setup.sh"
"$here/scripts/build.sh" "$here/build-bench" -DCMAKE_BUILD_TYPE=Release >/dev/null
exe="$here/build-bench/bench/bench_window"

python3 "$here/bench/gen_pair.py" 1000000 1000 "$work/a.txt" "$work/b.txt"
python3 "$here/bench/gen_pair.py" 20000 0 "$work/c.txt" "$work/d.txt" --different
tac "$work/c.txt" >"$work/e.txt"
python3 "$here/bench/gen_pair.py" 60000 0 "$work/f.txt" "$work/g.txt" --reversed-blocks 1000

"$exe" "$work/a.txt" "$work/b.txt" "$work/c.txt" "$work/d.txt"
"$exe" "$work/c.txt" "$work/d.txt" "$work/c.txt" "$work/e.txt" | tail -n 1 | sed 's/^/(reversed) /'
"$exe" "$work/c.txt" "$work/d.txt" "$work/f.txt" "$work/g.txt" | tail -n 1 | sed 's/^/(reversed blocks) /'
start=$EPOCHREALTIME
diff -i -w --minimal "$work/a.txt" "$work/b.txt" >/dev/null || true
end=$EPOCHREALTIME
awk -v s="$start" -v e="$end" 'BEGIN { printf "diff -i -w --minimal       %.3f s\n", e - s }'
python3 "$here/bench/gen_pair.py" 100000 100 "$work/h.txt" "$work/i.txt" --shape code
python3 "$here/bench/gen_pair.py" 1000000 0 "$work/j.txt" "$work/k.txt" --different
for pair in "h.txt i.txt 100k" "a.txt b.txt 1M" "j.txt k.txt 1M-different"; do
  read -r left right name <<<"$pair"
  printf 'start-up %-14s ' "$name"
  "$exe" --startup "$work/$left" "$work/$right" 2>/dev/null
done
