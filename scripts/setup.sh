#!/usr/bin/env bash
# Installs what building, running and testing Tarvex need on Debian, and nothing
# that is already there. Safe to run again; quick when all is present.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)

packages=(
  build-essential cmake ninja-build pkg-config
  qt6-base-dev libgl-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  fonts-noto-cjk fontconfig
  xvfb xauth x11-utils xdotool openbox imagemagick
  python3 dbus at-spi2-core libglib2.0-bin
  mdbtools
  clang libclang-rt-dev
)
# Node.js with npm runs the test tools; a machine may already have its own build.
command -v node >/dev/null && command -v npm >/dev/null || packages+=(nodejs npm)

bash "$here/scripts/install-packages.sh" "${packages[@]}"

# mdb-reader is an independent reader the tests check our engine against.
tools="$here/tests/tools"
if [ -f "$tools/package.json" ] && [ ! -d "$tools/node_modules/mdb-reader" ]; then
  echo "setup: installing the test tools' npm packages"
  (cd "$tools" && npm install --no-audit --no-fund --silent)
fi
