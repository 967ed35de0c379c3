#!/usr/bin/env bash
# Installs the Debian packages Parlune needs, when any is missing: those to
# build and run the program, and with --tests also those the tests, the
# sanitizer and fuzz builds, the benchmarks and the package checks need.
# Safe to run again: it installs nothing twice.
set -euo pipefail

packages=(cmake ninja-build g++ qt6-base-dev fonts-liberation)
if [ "${1:-}" = "--tests" ]; then
  packages+=(
    dbus clang libclang-rt-14-dev
    xvfb xauth xdotool imagemagick libbenchmark-dev python3 time diffutils
    git patch desktop-file-utils appstream man-db librsvg2-bin dpkg-dev file
  )
fi

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo=""
if [ "$(id -u)" -ne 0 ]; then
  command -v sudo >/dev/null || { echo "Need root or sudo to install: ${missing[*]}" >&2; exit 1; }
  sudo="sudo"
fi
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
