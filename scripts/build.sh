#!/usr/bin/env bash
# Configures and builds into the given folder (default build/), passing any
# further arguments to CMake. The build is a release build (-O3) unless the
# arguments name another build type.
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
dir="${1:-$here/build}"
shift || true
cmake -S "$here" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Release "$@" >/dev/null
cmake --build "$dir"
