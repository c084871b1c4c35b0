#!/usr/bin/env bash
# demo_ends_only_its_engines.sh SOURCE_DIR BUILD_DIR: the demo ends the engines it started and no
# other: an engine of the same build that a user runs on a configuration of its own runs on.
set -euo pipefail
src=$1
bin=$(cd "$2/bin" && pwd)
work=$(mktemp -d)
export KVZ_REGISTRY_USER=$work/user KVZ_REGISTRY_MACHINE=$work/machine XDG_CONFIG_HOME=$work/xdg
export KVZ_SHM_NAMESPACE=kvzown$$
own=""
cleanup() {
  [ -n "$own" ] && kill -TERM "$own" 2>/dev/null && { wait "$own" 2>/dev/null || true; }
  rm -f /dev/shm/"$KVZ_SHM_NAMESPACE".* 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
"$bin/kvzcfg" convert "$src/demo/DEMO.csv" "$work/OWN.KVZ" >/dev/null
"$bin/kvzcfg" registry set 'Software\Quillmark\Brennic\Config' ConfigFile "$work/OWN.KVZ"
"$bin/KVZSPOLL" >"$work/engine.log" 2>&1 &
own=$!
sleep 0.5
kill -0 "$own" 2>/dev/null || { echo "the user's engine did not start" >&2; cat "$work/engine.log" >&2; exit 1; }

# The demo, without a display, in its own registry and namespace as always.
env -u KVZ_REGISTRY_USER -u KVZ_REGISTRY_MACHINE -u XDG_CONFIG_HOME -u KVZ_SHM_NAMESPACE -u DISPLAY \
  "$src/scripts/demo.sh" "$bin/.." >"$work/demo.log" 2>&1 || { cat "$work/demo.log" >&2; exit 1; }
sleep 0.5
kill -0 "$own" 2>/dev/null || { echo "the demo ended the user's own engine" >&2; exit 1; }
echo "the user's engine runs on after the demo"
