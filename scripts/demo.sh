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
# The engines the demo started: its own, and any that kvzcfg or the configurator launched from
# "DriverExe" for it, known by the demo's own namespace in their environment. A user's engines of
# the same build are none of these.
demo_engines() {
  local environ pid
  for environ in /proc/[0-9]*/environ; do
    pid=${environ#/proc/}
    pid=${pid%/environ}
    [ "$(cat "/proc/$pid/comm" 2>/dev/null)" = KVZSPOLL ] || continue
    tr '\0' '\n' <"$environ" 2>/dev/null | grep -qx "KVZ_SHM_NAMESPACE=$KVZ_SHM_NAMESPACE" && echo "$pid"
  done
  return 0
}
cleanup() {
  [ -n "$engine" ] && kill -TERM "$engine" 2>/dev/null && { wait "$engine" 2>/dev/null || true; }
  local pids
  pids=$(demo_engines)
  if [ -n "$pids" ]; then
    kill -TERM $pids 2>/dev/null || true
    sleep 0.3
  fi
  rm -f /dev/shm/"$KVZ_SHM_NAMESPACE".* 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
key='Software\Quillmark\Brennic\Config'
step() { printf '\n$ %s\n' "$*"; "$@"; }

# The plant's TCP controllers are snap7 servers in a network namespace of the demo's own, with the
# devices' addresses on its loopback (root and node needed); otherwise the engine runs without them
# and polls nothing outside this machine.
live_plant() {
  [ "$(id -u)" = 0 ] && command -v node >/dev/null && command -v unshare >/dev/null && command -v ip >/dev/null &&
    [ -e tests/peers/node_modules/node-snap7/build/Release/node_snap7.node ]
}
start_engine() {
  if live_plant; then
    echo "Serving the plant's TCP devices with snap7 servers in a private network namespace"
    unshare -n scripts/demo_plant.sh "$bin" demo/DEMO.csv 2>/dev/null &
  else
    echo "No live plant (needs root, node and tests/peers installed): the engine polls nothing"
    "$bin/KVZSPOLL" 2>/dev/null &
  fi
  engine=$!
  # Its request port shows it serves the block; asking earlier would launch a second engine.
  local port
  port=$("$bin/kvzcfg" driver port)
  for _ in $(seq 1 100); do [ -S "$port" ] && break; sleep 0.05; done
}

step "$bin/kvzcfg" convert demo/DEMO.csv "$work/DEMO.KVZ"
step "$bin/kvzcfg" registry set "$key" ConfigFile "$work/DEMO.KVZ"
step "$bin/kvzcfg" registry set "$key" DriverExe "$bin/KVZSPOLL"

if [ -x "$bin/KVZdidw" ] && [ -n "${DISPLAY:-}" ]; then
  # The plant's driver runs first, as it does on a plant; the configurator attaches to it.
  start_engine
  echo "Starting the configurator on $work/DEMO.KVZ (close it to end the demo)"
  "$bin/KVZdidw"
  exit 0
fi

step "$bin/kvzcfg" dump "$work/DEMO.KVZ"
start_engine
step "$bin/kvzcfg" driver status
sleep 2
# Live data: BOILER1's markers hold a counter of its server, so the second look differs.
step "$bin/kvzcfg" driver values BOILER1 || true
sleep 1
step "$bin/kvzcfg" driver values BOILER1 || true
step "$bin/kvzcfg" driver read BOILER1:MD0 || true
step "$bin/kvzcfg" driver reload
step "$bin/kvzcfg" driver status
step "$bin/kvzcfg" driver messages --all
step "$bin/kvzcfg" driver stop

if [ -x "$bin/kvzdidw-screenshot" ]; then
  mkdir -p "$build/demo"
  step env QT_QPA_PLATFORM=offscreen "$bin/kvzdidw-screenshot" "$work/DEMO.KVZ" "$build/demo/configurator.png"
  echo "The configurator on the demo plant: $build/demo/configurator.png"
fi
