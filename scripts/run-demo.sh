#!/usr/bin/env bash
# Installs what is missing, builds, and runs the most complete front end on the demo configuration.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/build.sh build
exec scripts/demo.sh build
