#!/usr/bin/env bash
# build.sh [BUILD_DIR] [cmake options...]: configure and build with Ninja on two cores.
set -euo pipefail
cd "$(dirname "$0")/.."
dir=${1:-build}
shift || true
cmake -S . -B "$dir" -G Ninja "$@" >/dev/null
cmake --build "$dir" -j2
