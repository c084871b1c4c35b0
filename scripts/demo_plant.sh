#!/usr/bin/env bash
# demo_plant.sh BIN CSV: run inside a private network namespace (unshare -n). Brings lo up, gives lo
# every IPv4 address of the plant's devices, serves each with a snap7 server and runs KVZSPOLL on
# them until it ends; the servers end with it. Nothing leaves the namespace.
set -uo pipefail
bin=$1 csv=$2
peers=$(cd "$(dirname "$0")/../tests/peers" && pwd)
ip link set lo up
servers=()
trap 'kill -TERM "${servers[@]}" 2>/dev/null; wait' EXIT
for address in $(grep -oE ',E([0-9]{1,3}\.){3}[0-9]{1,3},' "$csv" | tr -d ',E' | sort -u); do
  ip addr add "$address/32" dev lo
  node "$peers/s7_server.js" "$address" --count </dev/null >/dev/null 2>&1 &
  servers+=($!)
done
sleep 1 # the servers listen
"$bin/KVZSPOLL" &
spoll=$!
trap 'kill -TERM "$spoll" 2>/dev/null' TERM INT
wait "$spoll"
wait "$spoll" # once more after a trapped signal
