#!/bin/sh
# Times `parlune-compare -r --exact` against `diff -rq` on two generated trees:
# FILES files in FILES/10 folders, about 10 KB each, 2 % of the files changed
# and 1 % on one side only. The trees are read once first, so both commands
# run with a warm page cache; each is run RUNS times and the median printed.
#
#   bench/folders-vs-diff.sh [BUILD_DIR] [FILES] [RUNS]
# KEEP=1 leaves the trees in place for a profiler.
set -eu
build=${1:-build}
files=${2:-20000}
runs=${3:-5}
work=${TMPDIR:-/tmp}/parlune-folders-bench
compare="$build/src/cli/parlune-compare"

[ -n "${KEEP:-}" ] || rm -rf "$work"
python3 - "$work" "$files" <<'PY'
import os, random, sys
work, files = sys.argv[1], int(sys.argv[2])
rng = random.Random(20)
words = [b"alpha", b"beta", b"gamma", b"delta", b"epsilon", b"zeta", b"eta", b"theta"]
for i in range(files):
    rel = os.path.join("d%03d" % (i % (files // 10)), "f%05d.txt" % i)
    lines = [b" ".join(rng.choice(words) for _ in range(8)) + b"\n" for _ in range(180)]
    text = b"".join(lines)
    roll = rng.random()
    for side in ("L", "R"):
        if (roll < 0.005 and side == "R") or (0.005 <= roll < 0.01 and side == "L"):
            continue  # on one side only
        body = text
        if side == "R" and 0.01 <= roll < 0.03:
            body = text[:len(text) // 2] + b"changed\n" + text[len(text) // 2:]
        path = os.path.join(work, side, rel)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "wb") as f:
            f.write(body)
PY
du -sh "$work/L" "$work/R"
find "$work" -type f -exec cat {} + > /dev/null  # warm the page cache

median() { sort -n | awk '{ a[NR] = $1 } END { print a[int((NR + 1) / 2)] }'; }
timeit() {
    for _ in $(seq "$runs"); do
        start=$(date +%s.%N)
        "$@" > /dev/null || [ $? -eq 1 ]
        end=$(date +%s.%N)
        echo "$end - $start" | bc
    done | median
}
ours=$(timeit "$compare" -r --exact "$work/L" "$work/R")
theirs=$(LC_ALL=C timeit diff -rq "$work/L" "$work/R")
echo "parlune-compare -r --exact: ${ours} s (median of $runs)"
echo "diff -rq:                   ${theirs} s (median of $runs)"
echo "ratio: $(echo "scale=2; $ours / $theirs" | bc)"
"$compare" -r --exact "$work/L" "$work/R" > "$work/ours.txt" || true
LC_ALL=C diff -rq "$work/L" "$work/R" > "$work/theirs.txt" || true
cmp -s "$work/ours.txt" "$work/theirs.txt" && echo "outputs agree ($(wc -l < "$work/ours.txt") lines)" || echo "OUTPUTS DIFFER"
[ -n "${KEEP:-}" ] || rm -rf "$work"
