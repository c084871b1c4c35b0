#!/usr/bin/env bash
# Installs the Debian packages the project builds and tests with; apt runs only when one is missing.
set -euo pipefail
packages=(
  cmake ninja-build g++ clang libclang-rt-14-dev clang-format
  libgtest-dev libgmock-dev libbenchmark-dev
  libsimpleini-dev libcli11-dev libshp-dev shapelib
  qt6-base-dev qt6-svg-dev fonts-dejavu-core
  xvfb xdotool openbox wmctrl x11-utils imagemagick
  tshark iproute2 python3 make locales
)
# The machine image brings its own Node.js with npm; Debian's npm would conflict with it.
command -v npm >/dev/null 2>&1 || packages+=(nodejs npm)
"$(dirname "$0")/apt-install-missing.sh" "${packages[@]}"
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
# Numbers are tested under a locale whose decimal mark is a comma.
if ! locale -a 2>/dev/null | grep -qi '^de_DE\.utf-\?8$'; then
  echo "generating the de_DE.UTF-8 locale"
  $sudo localedef -i de_DE -c -f UTF-8 -A /usr/share/locale/locale.alias de_DE.UTF-8 || true
  locale -a | grep -qi '^de_DE\.utf-\?8$' || { echo "de_DE.UTF-8 could not be generated" >&2; exit 1; }
fi
# Test peers from the npm registry (pinned by tests/peers/package-lock.json).
if [ -f "$(dirname "$0")/../tests/peers/package-lock.json" ]; then
  (cd "$(dirname "$0")/../tests/peers" && { [ -d node_modules ] || npm ci --no-audit --no-fund --loglevel=error; })
fi
