#!/bin/sh
# How the folder window keeps up on a large pair of trees: FILES files in
# FILES/10 folders, 2 % of them changed and 1 % on one side only. The
# window runs RUNS times on the display in $DISPLAY (e.g. under Xvfb) or
# offscreen, and each run prints its timing line: how soon the first rows
# came, when the walk ended, the longest stall of the event loop and the
# longest the window fed its model at once (PARLUNE_FOLDER_TIMING).
#
#   bench/folder-window-timing.sh [BUILD_DIR] [FILES] [RUNS] [FOLDERS]
# FOLDERS (FILES/10 unless given) may be 1: one folder of FILES names.
set -eu
build=${1:-build}
files=${2:-20000}
runs=${3:-3}
folders=${4:-$((files / 10))}
work=${TMPDIR:-/tmp}/parlune-folder-window-bench
[ -n "${DISPLAY:-}" ] || export QT_QPA_PLATFORM=offscreen

[ -n "${KEEP:-}" ] || rm -rf "$work"
python3 - "$work" "$files" "$folders" <<'PY'
import os, random, sys
work, files, folders = sys.argv[1], int(sys.argv[2]), int(sys.argv[3])
rng = random.Random(20)
words = [b"alpha", b"beta", b"gamma", b"delta"]
for i in range(files):
    rel = os.path.join("d%04d" % (i % folders), "f%05d.txt" % i)
    text = b"".join(b" ".join(rng.choice(words) for _ in range(8)) + b"\n" for _ in range(40))
    roll = rng.random()
    for side in ("L", "R"):
        if (roll < 0.005 and side == "R") or (0.005 <= roll < 0.01 and side == "L"):
            continue  # on one side only
        body = text + b"changed\n" if side == "R" and 0.01 <= roll < 0.03 else text
        path = os.path.join(work, side, rel)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "wb") as f:
            f.write(body)
PY
find "$work" -type f -exec cat {} + > /dev/null  # warm the page cache
for _ in $(seq "$runs"); do
    PARLUNE_FOLDER_TIMING=exit "$build/src/app/parlune" "$work/L" "$work/R" 2>&1 | grep 'folder timing'
done
[ -n "${KEEP:-}" ] || rm -rf "$work"
