#!/usr/bin/env bash
# demo.sh BUILD_DIR: runs the most complete front end there is on demo/DEMO.csv.
set -euo pipefail
cd "$(dirname "$0")/.."
bin=${1:-build}/bin
if [ -x "$bin/KVZdidw" ] && [ -n "${DISPLAY:-}" ]; then
  exec "$bin/KVZdidw" demo/DEMO.csv
elif [ -x "$bin/kvzcfg" ] && [ -f demo/DEMO.csv ]; then
  out=$(mktemp -d)
  "$bin/kvzcfg" convert demo/DEMO.csv "$out/DEMO.KVZ"
  exec "$bin/kvzcfg" dump "$out/DEMO.KVZ"
else
  echo "no front end is built yet; the libraries and tests are in $bin and ${1:-build}/tests"
fi
