#!/usr/bin/env bash
# Sets up, builds and starts Parlune. Arguments go to the program.
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
"$here/scripts/setup.sh"
"$here/scripts/build.sh" "$here/build"
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "No display: start Parlune from a desktop session (or under Xvfb with DISPLAY set)." >&2
  exit 1
fi
exec "$here/build/src/app/parlune" "$@"
