#!/usr/bin/env bash
# Sets up, builds and starts Parlune. Arguments go to the program. Builds
# the program alone, in build-run/: no tests, benchmarks or fuzz targets.
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
"$here/scripts/setup.sh"
dir="$here/build-run"
cmake -S "$here" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DPARLUNE_TESTS=OFF -DPARLUNE_BENCHMARKS=OFF -DPARLUNE_FUZZ=OFF >/dev/null
cmake --build "$dir" --target parlune
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "No display: start Parlune from a desktop session (or under Xvfb with DISPLAY set)." >&2
  exit 1
fi
exec "$dir/src/app/parlune" "$@"
