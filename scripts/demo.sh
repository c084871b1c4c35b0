#!/usr/bin/env bash
# demo.sh BUILD_DIR: the main job on the demo plant (demo/DEMO.csv) with the most complete front end
# there is: the CSV becomes the driver's binary configuration, its tree is shown, and the stand-in
# poll engine is started on it, reloaded and stopped through the driver monitor. Registry and
# shared memory are the demo's own (temporary folders, a namespace of its own).
set -euo pipefail
cd "$(dirname "$0")/.."
bin=$(cd "${1:-build}/bin" && pwd)
if [ -x "$bin/KVZdidw" ] && [ -n "${DISPLAY:-}" ]; then
  exec "$bin/KVZdidw" demo/DEMO.csv
fi
if [ ! -x "$bin/kvzcfg" ]; then
  echo "kvzcfg is not built in $bin" >&2
  exit 1
fi

work=$(mktemp -d)
export KVZ_REGISTRY_USER=$work/user KVZ_REGISTRY_MACHINE=$work/machine KVZ_SHM_NAMESPACE=kvzdemo$$
cleanup() {
  pkill -TERM -f "^$bin/KVZSPOLL" 2>/dev/null || true
  sleep 0.3
  rm -f /dev/shm/"$KVZ_SHM_NAMESPACE".* 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
key='Software\Quillmark\Brennic\Config'
step() { printf '\n$ %s\n' "$*"; "$@"; }

step "$bin/kvzcfg" convert demo/DEMO.csv "$work/DEMO.KVZ"
step "$bin/kvzcfg" dump "$work/DEMO.KVZ"
step "$bin/kvzcfg" registry set "$key" ConfigFile "$work/DEMO.KVZ"
step "$bin/kvzcfg" registry set "$key" DriverExe "$bin/KVZSPOLL"
step "$bin/kvzcfg" driver status
sleep 1
step "$bin/kvzcfg" driver reload
step "$bin/kvzcfg" driver status
step "$bin/kvzcfg" driver messages --all
step "$bin/kvzcfg" driver stop
