#!/usr/bin/env bash
# Sets up, builds and starts Parlune.
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
"$here/scripts/setup.sh"
"$here/scripts/build.sh" "$here/build"
echo "The window is not built yet: everything else was built into build/."
echo "Compare two files without a window with:"
echo "  build/src/cli/parlune-compare LEFT RIGHT"
