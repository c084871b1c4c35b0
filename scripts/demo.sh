#!/usr/bin/env bash
# demo.sh BUILD_DIR: the main job on the demo plant (demo/DEMO.csv). The CSV becomes the driver's
# binary configuration and the stand-in poll engine runs on it. With a display, the configurator opens
# on the plant and attaches to the running engine; without one, the tree is shown, the engine is
# reloaded and stopped through the driver monitor, and a picture of the configurator on the plant is
# written to BUILD_DIR/demo/. Registry and shared memory are the demo's own (temporary folders, a
# namespace of its own).
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
bin=$(cd "$build/bin" && pwd)
if [ ! -x "$bin/kvzcfg" ]; then
  echo "kvzcfg is not built in $bin" >&2
  exit 1
fi

work=$(mktemp -d)
export KVZ_REGISTRY_USER=$work/user KVZ_REGISTRY_MACHINE=$work/machine XDG_CONFIG_HOME=$work/xdg
export KVZ_SHM_NAMESPACE=kvzdemo$$
engine=""
cleanup() {
  [ -n "$engine" ] && kill -TERM "$engine" 2>/dev/null
  pkill -TERM -f "^$bin/KVZSPOLL" 2>/dev/null && sleep 0.3
  rm -f /dev/shm/"$KVZ_SHM_NAMESPACE".* 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
key='Software\Quillmark\Brennic\Config'
step() { printf '\n$ %s\n' "$*"; "$@"; }

step "$bin/kvzcfg" convert demo/DEMO.csv "$work/DEMO.KVZ"
step "$bin/kvzcfg" registry set "$key" ConfigFile "$work/DEMO.KVZ"
step "$bin/kvzcfg" registry set "$key" DriverExe "$bin/KVZSPOLL"

if [ -x "$bin/KVZdidw" ] && [ -n "${DISPLAY:-}" ]; then
  # The plant's driver runs first, as it does on a plant; the configurator attaches to it.
  "$bin/KVZSPOLL" 2>/dev/null &
  engine=$!
  for _ in $(seq 1 100); do "$bin/kvzcfg" driver status >/dev/null 2>&1 && break; sleep 0.05; done
  echo "Starting the configurator on $work/DEMO.KVZ (close it to end the demo)"
  "$bin/KVZdidw"
  exit 0
fi

step "$bin/kvzcfg" dump "$work/DEMO.KVZ"
step "$bin/kvzcfg" driver status
sleep 1
step "$bin/kvzcfg" driver reload
step "$bin/kvzcfg" driver status
step "$bin/kvzcfg" driver messages --all
step "$bin/kvzcfg" driver stop

if [ -x "$bin/kvzdidw-screenshot" ]; then
  mkdir -p "$build/demo"
  step env QT_QPA_PLATFORM=offscreen "$bin/kvzdidw-screenshot" "$work/DEMO.KVZ" "$build/demo/configurator.png"
  echo "The configurator on the demo plant: $build/demo/configurator.png"
fi
