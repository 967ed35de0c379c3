#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (build-fuzz/) and runs each for a
# bounded time (seconds, default 60) on a scratch copy of its seed corpus in
# fuzz/corpus/, so the repository's corpus stays as it is. A target that
# finds a fault stops with its reproducer and this script fails.
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
seconds="${1:-60}"
dir="$here/build-fuzz"
CXX=clang++ cmake -S "$here" -B "$dir" -G Ninja -DPARLUNE_FUZZ=ON -DPARLUNE_BENCHMARKS=OFF -DPARLUNE_TESTS=OFF \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
targets=$(cd "$here/fuzz" && ls fuzz_*.cpp | sed 's/\.cpp$//')
# shellcheck disable=SC2086
cmake --build "$dir" --target $targets
scratch="$(mktemp -d)"
trap 'rm -rf "$scratch"' EXIT
export ASAN_OPTIONS=detect_leaks=0 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
# Runs one target; extra libFuzzer options follow the seconds.
run_target() {
  local t="$1" secs="$2"
  shift 2
  local corpus="$scratch/${t#fuzz_}"
  mkdir -p "$corpus"
  [ -d "$here/fuzz/corpus/${t#fuzz_}" ] && cp "$here/fuzz/corpus/${t#fuzz_}/"* "$corpus/" 2>/dev/null || true
  echo "== $t for ${secs}s $*"
  local log="$scratch/$t.log"
  local status=0
  (cd "$scratch" && "$dir/fuzz/$t" -max_total_time="$secs" -timeout=20 -rss_limit_mb=4096 \
      -print_final_stats=1 "$@" "$corpus") >"$log" 2>&1 || status=$?
  grep -E "^(Done [0-9]+ runs|stat::number_of_executed_units|stat::peak_rss_mb)" "$log" || true
  if [ "$status" -ne 0 ]; then
    tail -n 60 "$log" >&2
    echo "$t: a fault was found (exit $status)" >&2
    exit 1
  fi
}
for t in $targets; do
  run_target "$t" "$seconds" -max_len=4096
done
# The reader again with large inputs: without length control libFuzzer
# keeps its inputs small, and long lines and large files take other paths.
run_target fuzz_decode "$(( seconds / 3 > 10 ? seconds / 3 : 10 ))" -len_control=0 -max_len=1048576
