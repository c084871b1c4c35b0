#!/usr/bin/env bash
# The built configurator in a real X window, driven as a person drives it: it starts on the registered
# plant with its path in the title (a file and a switch on its command line change nothing), a device is renamed by typing and Tab, Ctrl+S saves the name into
# the file, File > Exit closes through the exit dialog and leaves "KVZ" = "0000" in the registry.
# Usage: drive_configurator.sh BIN_DIR SOURCE_DIR
set -euo pipefail
bin=$1
src=$2
work=$(mktemp -d /tmp/kvz-xvfb-XXXXXX)
pids=()
cleanup() {
  for p in "${pids[@]}"; do kill -TERM "$p" 2>/dev/null || true; done
  sleep 0.3
  for p in "${pids[@]}"; do kill -KILL "$p" 2>/dev/null || true; done
  if [ -n "${KVZ_SHM_NAMESPACE:-}" ]; then rm -f /dev/shm/"${KVZ_SHM_NAMESPACE}"* 2>/dev/null || true; fi
  [ -n "${KEEP_WORK:-}" ] && cp "$work/kvzdidw.log" /tmp/kvzdidw.log 2>/dev/null; rm -rf "$work"
}
trap cleanup EXIT
fail() {
  echo "FAIL: $*" >&2
  # What the programs said, for a failure seen only in CI's log.
  for log in kvzdidw.log spoll.log openbox.log; do [ -s "$work/$log" ] && { echo "--- $log" >&2; tail -20 "$work/$log" >&2; }; done
  [ -n "${DISPLAY:-}" ] && import -window root "$work/fail.png" 2>/dev/null && cp "$work/fail.png" /tmp/kvz-xvfb-fail.png
  exit 1
}
# Polls a command (50 ms steps) for up to $2 seconds.
wait_for() { local i; for ((i = 0; i < ${2:-10} * 20; i++)); do eval "$1" >/dev/null 2>&1 && return 0; sleep 0.05; done; return 1; }

export KVZ_REGISTRY_USER=$work/user KVZ_REGISTRY_MACHINE=$work/machine XDG_CONFIG_HOME=$work/xdg
export KVZ_SHM_NAMESPACE=kvzxvfb$$ KVZSPOLL_TICK_MS=20 HOME=$work
mkdir -p "$KVZ_REGISTRY_USER" "$KVZ_REGISTRY_MACHINE" "$XDG_CONFIG_HOME"
plant=$work/PLANT.KVZ
"$bin/kvzcfg" convert "$src/demo/DEMO.csv" "$plant" >/dev/null
"$bin/kvzcfg" registry set 'Software\Quillmark\Brennic\Config' ConfigFile "$plant" >/dev/null
"$bin/kvzcfg" registry set 'Software\Quillmark\Brennic\Config' DriverExe "$bin/KVZSPOLL" >/dev/null
# The plant's driver runs before the configurator starts, as on a plant.
"$bin/KVZSPOLL" 2>"$work/spoll.log" &
pids+=($!)
# Its request port shows that it serves the block: a status asked any earlier would find the block
# standing and launch a second engine, which would outlive the test.
port=$("$bin/kvzcfg" driver port)
wait_for '[ -S "$port" ]' 10 || fail "the driver did not start"
"$bin/kvzcfg" driver status >/dev/null || fail "the driver does not answer"

# A display and a window manager.
Xvfb -displayfd 5 -screen 0 1280x1024x24 -nolisten tcp 5>"$work/display" 2>/dev/null &
pids+=($!)
wait_for '[ -s "$work/display" ]' 10 || fail "Xvfb did not start"
export DISPLAY=:$(head -1 "$work/display")
unset QT_QPA_PLATFORM WAYLAND_DISPLAY
openbox --config-file "$src/tests/ui/xvfb/openbox-rc.xml" >"$work/openbox.log" 2>&1 &
pids+=($!)
wait_for 'xprop -root _NET_SUPPORTING_WM_CHECK | grep -q window' 10 || fail "no window manager"

cp "$plant" "$work/OTHER.KVZ"
"$bin/KVZdidw" "$work/OTHER.KVZ" --version >"$work/kvzdidw.log" 2>&1 &
app=$!
pids+=($app)
title="Brennic Plant Link - $plant"
# A first start on a busy machine (font caches of a new home folder) may take a while.
wait_for 'xdotool search --name "^Brennic Plant Link - "' 40 || fail "no main window"
win=$(xdotool search --name "^Brennic Plant Link - " | head -1)
wait_for '[ "$(xdotool getwindowname "$win")" = "$title" ]' 5 || fail "title is '$(xdotool getwindowname "$win")'"
# Asked again until the window manager has taken the window on (on a busy machine it may map first).
wait_for 'xdotool windowactivate "$win"; [ "$(xdotool getactivewindow)" = "$win" ]' 10 ||
  fail "main window never got the focus (window manager $(kill -0 "${pids[2]}" 2>/dev/null && echo running || echo gone))"

# The device name has the focus with its text selected: type over it, Tab commits it, Ctrl+S saves.
sleep 0.2
xdotool type --delay 30 'line_a'
xdotool key Tab
[ -n "${KEEP_WORK:-}" ] && import -window root /tmp/kvz-xvfb-typed.png
xdotool key ctrl+s
wait_for 'grep -aq LINE_A "$plant"' 10 || fail "the saved file does not hold the new name"

# File > Exit: the exit dialog (saved, not reloaded: Reload ticked) comes up; OK closes.
xdotool key alt+f
sleep 0.3
xdotool key x
wait_for 'xdotool search --name "^I/O Driver Configurator$"' 10 || fail "no exit dialog"
exitwin=$(xdotool search --name "^I/O Driver Configurator$" | head -1)
wait_for '[ "$(xdotool getactivewindow)" = "$exitwin" ]' 5 || fail "the exit dialog has no focus"
# OK has the focus: back to Reload and untick it (no driver restart to wait for), then OK.
xdotool key --delay 80 shift+Tab space Tab space
for i in $(seq 1 40); do kill -0 "$app" 2>/dev/null || break; sleep 0.1; done
kill -0 "$app" 2>/dev/null && fail "the configurator is still running after OK"
wait "$app" || true
value=$("$bin/kvzcfg" registry get 'Software\Quillmark\Brennic\' KVZ 2>/dev/null || true)
[ "$value" = "0000" ] || fail "KVZ is '$value', not 0000"
echo "1 passed, 0 failed"
