#!/usr/bin/env bash
# Sets up, builds and runs every test: once in a normal build, once with
# AddressSanitizer and UndefinedBehaviorSanitizer; then runs each fuzz
# target for a bounded time.
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
"$here/scripts/setup.sh" --tests

export QT_QPA_PLATFORM=offscreen
jobs="$(nproc)"

echo "== normal build"
"$here/scripts/build.sh" "$here/build" -DPARLUNE_TESTS=ON
ctest --test-dir "$here/build" --output-on-failure -j "$jobs"

echo "== sanitizer build (ASan + UBSan)"
"$here/scripts/build.sh" "$here/build-asan" -DPARLUNE_SANITIZE=ON -DPARLUNE_BENCHMARKS=OFF -DCMAKE_BUILD_TYPE=Debug
# Qt's and fontconfig's own one-time allocations are not ours to report.
ASAN_OPTIONS=detect_leaks=0 UBSAN_OPTIONS=print_stacktrace=1 \
  ctest --test-dir "$here/build-asan" --output-on-failure -j "$jobs"

echo "== fuzzing (libFuzzer, bounded time per target)"
"$here/scripts/fuzz.sh" "${PARLUNE_FUZZ_SECONDS:-60}"
