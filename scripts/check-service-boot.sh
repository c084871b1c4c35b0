#!/usr/bin/env bash
# check-service-boot.sh [BUILD_DIR]: boots a real systemd in a container (a Debian bookworm tree under
# systemd-nspawn, with a network of its own: the demo plant's addresses lead nowhere), installs the
# driver packages of BUILD_DIR there and checks kvzspoll.service as systemd runs it: started, the
# engine under the kvz account with CAP_NET_RAW alone, its shared memory and request port 0660 to the
# kvz group, the driver's own reload through ExecReload, a clean stop. check-installed.sh runs the
# engine by hand; only a booted systemd applies the unit (User=, StateDirectory=, the capabilities,
# ExecReload=) and shows that the package and the unit agree. Root. The tree is made once with
# debootstrap and kept under /var/tmp; each run boots a copy of it and removes it. Besides that tree,
# debootstrap and systemd-container (installed when missing), the machine is left as it was.
# The package's life follows: enable --now, two members of kvz saving the startup configuration in
# turn, an upgrade (the same version again) that restarts the running engine, remove (the engine
# stops, nothing starts it again) and purge (no link, no state left).
set -euo pipefail
[ "$(id -u)" -eq 0 ] || { echo "check-service-boot.sh: needs root" >&2; exit 1; }
cd "$(dirname "$0")/.."
build=${1:-build-pkg}
cache=/var/tmp/kvz-service-boot

debs=()
for package in libferrolink1 kvz-driver; do
  found=("$build/${package}"_*.deb)
  [ -f "${found[0]}" ] && [ ${#found[@]} -eq 1 ] ||
    { echo "need one $package package in $build (scripts/check-packages.sh $build makes them)" >&2; exit 1; }
  debs+=("$(realpath "${found[0]}")")
done
scripts/apt-install-missing.sh debootstrap systemd-container

# The container has no network: what the packages depend on is in the tree from the start. The tree's
# name follows that list, so a new dependency makes a new tree.
depends=$(for deb in "${debs[@]}"; do dpkg-deb -f "$deb" Depends Pre-Depends; done |
  sed 's/^[A-Za-z-]*://' | tr ',' '\n' | sed 's/|.*//; s/(.*)//; s/[[:space:]]//g' | grep -v -e '^$' -e '^libferrolink1$' | sort -u)
include=$(printf '%s\n' systemd systemd-sysv dbus "$depends" | sort -u | paste -sd,)
base=$cache/bookworm-$(sha256sum <<<"$include" | cut -c1-12)
step() { echo "== $1 (${SECONDS}s)"; }
if [ ! -d "$base" ]; then
  step "debootstrap bookworm with $include"
  mkdir -p "$cache"
  rm -rf "$base.tmp"
  debootstrap --variant=minbase --include="$include" bookworm "$base.tmp" http://deb.debian.org/debian \
    >"$cache/debootstrap.log" 2>&1 || { tail -20 "$cache/debootstrap.log" >&2; exit 1; }
  mv "$base.tmp" "$base"
fi

machine=kvzboot$$
root=$(mktemp -d "$cache/run.XXXXXX")
nspawn=""
leader=""
status=0
fail() { echo "check-service-boot: $*" >&2; status=1; }
# A command in the container, with none of this shell's environment.
c() { nsenter -t "$leader" -a env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin "$@"; }
cleanup() {
  local rc=$?
  set +e
  # What the service said, for a failed check.
  [ $rc -ne 0 ] && [ -n "$leader" ] && c journalctl -u kvzspoll --no-pager -o cat | tail -20 >&2
  if [ -n "$nspawn" ]; then
    [ -n "$leader" ] && kill -RTMIN+4 "$leader" 2>/dev/null  # systemd's poweroff
    for _ in $(seq 150); do kill -0 "$nspawn" 2>/dev/null || break; sleep 0.2; done
    if kill -0 "$nspawn" 2>/dev/null; then
      echo "check-service-boot: the container did not power off; killed" >&2
      kill -KILL "$nspawn" ${leader:+"$leader"} 2>/dev/null || true
    fi
    wait "$nspawn" 2>/dev/null || true
  fi
  rm -rf "$root" "/run/systemd/nspawn/propagate/$machine"
}
trap cleanup EXIT

step "boot"
cp -a --reflink=auto "$base/." "$root/"
# /tmp of the container is a fresh tmpfs: the packages and the demo go to /root.
mkdir "$root/root/kvz"
cp "${debs[@]}" demo/DEMO.csv "$root/root/kvz/"
# Without a systemd on the host (a sandbox, a CI container) nspawn can neither register the machine
# nor make a scope for it: it stays in the caller's cgroup.
systemd-nspawn -D "$root" -M "$machine" -b --private-network --register=no --keep-unit --console=read-only \
  </dev/null >"$cache/boot.log" 2>&1 &
nspawn=$!
state=""
for _ in $(seq 300); do
  kill -0 "$nspawn" 2>/dev/null || break
  if [ -z "$leader" ]; then
    pid=$(pgrep -P "$nspawn" -x systemd || true)
    [ -n "$pid" ] && leader=$pid
  fi
  if [ -n "$leader" ]; then
    state=$(c systemctl is-system-running 2>/dev/null || true)
    case $state in running | degraded) break ;; esac
  fi
  sleep 0.2
done
case $state in
  running) ;;
  degraded) c systemctl --failed --no-pager --no-legend >&2 ;;  # not ours to fail on: the service is checked below
  *) tail -30 "$cache/boot.log" >&2; echo "check-service-boot: the container did not boot (state \"$state\")" >&2; exit 1 ;;
esac
links=$(c ls /sys/class/net | paste -sd' ')
[ "$links" = lo ] || { echo "check-service-boot: the container has network links: $links" >&2; exit 1; }

step "install"
c sh -c 'DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends /root/kvz/*.deb' >/dev/null
uid=$(c id -u kvz) || { echo "check-service-boot: no kvz account" >&2; exit 1; }
gid=$(c getent group kvz | cut -d: -f3)
c kvzcfg convert /root/kvz/DEMO.csv /var/lib/kvz/DEFAULT.KVZ >/dev/null

control=/dev/shm/Global.KVZ_TO_IOC
# The engine's request port, in the service's runtime folder.
port=""
find_port() {
  port=$(c sh -c 'for p in /run/kvz/*.sock; do [ -S "$p" ] && echo "$p" && break; done' || true)
  [ -n "$port" ]
}
# The engine's objects (the control block, the request port, a map's image): the service's, 0660 to kvz.
objects_ok() {
  local object got
  for object in $control $port "$@"; do
    got=$(c stat -c '%a %U %G' "$object" 2>&1 || true)
    [ "$got" = "660 kvz kvz" ] || fail "$object is $got"
  done
}
engines() { c sh -c 'cat /proc/[0-9]*/comm 2>/dev/null' | grep -cx KVZSPOLL || true; }
# A field of "kvzcfg driver status". Through a file: an engine kvzcfg launched would hold a pipe open.
# The status samples the heartbeat over a moment, so one call tells whether it moves.
driver() {
  c timeout 10 sh -c 'kvzcfg driver status >/root/kvz/status 2>&1 </dev/null' || true
  c sed -n "s/^$1: //p" /root/kvz/status
}
# Waits until the unit shows PROPERTY=VALUE (5 s at most).
until_unit() { for _ in $(seq 50); do [ "$(c systemctl show -P "$1" kvzspoll)" = "$2" ] && return 0; sleep 0.1; done; return 1; }

step "systemctl enable --now kvzspoll"
c systemctl enable --now kvzspoll 2>/dev/null
[ "$(c systemctl is-enabled kvzspoll)" = enabled ] || fail "kvzspoll is $(c systemctl is-enabled kvzspoll)"
[ "$(c systemctl show -P SubState kvzspoll)" = running ] ||
  fail "kvzspoll is $(c systemctl show -P ActiveState,SubState kvzspoll | paste -sd/)"
# Type=notify: start returns once the engine has its objects. kvzcfg attaches as the configurator
# does and launches "DriverExe" when no driver runs: asked any earlier, it would start an engine of
# its own beside the service's.
find_port || { fail "systemctl start returned before the engine was ready"; exit 1; }
[ "$(driver run_state)" = 1 ] && [ "$(driver heartbeat)" = moving ] || fail "the driver does not run"
[ "$(engines)" = 1 ] || fail "$(engines) poll engines run, not the service's alone"
main=$(c systemctl show -P MainPID kvzspoll)
[ "$main" != 0 ] || { fail "no engine runs"; exit 1; }
# The process as the unit makes it: the kvz account, CAP_NET_RAW alone, no new privileges.
for field in "Uid=$uid" "Gid=$gid" "CapEff=0000000000002000" "CapBnd=0000000000002000" "NoNewPrivs=1"; do
  got=$(c sed -n "s/^${field%%=*}:[[:space:]]*\([^[:space:]]*\).*/\1/p" "/proc/$main/status")
  [ "$got" = "${field#*=}" ] || fail "the engine's ${field%%=*} is $got, not ${field#*=}"
done
map=$(driver current_map)
objects_ok "/dev/shm/Global.KVZ$map"
[ "$(c stat -c '%a %U %G' /var/lib/kvz)" = "2770 kvz kvz" ] || fail "/var/lib/kvz is $(c stat -c '%a %U %G' /var/lib/kvz)"

step "systemctl reload kvzspoll"
c systemctl reload kvzspoll || fail "reload failed"
[ "$(c systemctl show -P MainPID kvzspoll)" = "$main" ] || fail "reload restarted the engine"
reloaded=$(driver current_map)
[ "$reloaded" != "$map" ] && [ "$(driver heartbeat)" = moving ] || fail "after reload the driver runs map \"$reloaded\" (was $map)"
objects_ok "/dev/shm/Global.KVZ$reloaded"
[ "$(engines)" = 1 ] || fail "$(engines) poll engines run, not the service's alone"

step "two members save the startup configuration in turn"
startup=/var/lib/kvz/DEFAULT.KVZ
for member in kvzmember1 kvzmember2; do c useradd --create-home --groups kvz "$member"; done
c install -m 0644 /root/kvz/DEMO.csv /tmp/DEMO.csv # root's folder is closed to the members
# Each with a umask that alone would keep the other out; the folder's group gets the file all the same
# (a replaced file keeps its mode, a new one is the group's to write whatever the umask).
saves() {
  c setpriv --reuid="$1" --regid="$1" --init-groups env HOME="/home/$1" sh -c \
    "umask $2; kvzcfg convert /tmp/DEMO.csv $3" </dev/null >"$root/root/kvz/save.log" 2>&1 || cat "$root/root/kvz/save.log" >&2
  local got
  got=$(c stat -c '%a %U %G' "$3")
  [ "$got" = "$4 $1 kvz" ] || fail "$3 saved by $1 (umask $2) is $got, not $4 $1 kvz"
}
got=$(c stat -c '%a %U %G' $startup)
[ "$got" = "664 root kvz" ] || fail "$startup saved by root (umask 022) is $got, not 664 root kvz"
saves kvzmember1 022 $startup 664
saves kvzmember2 077 $startup 664
saves kvzmember1 022 $startup 664
saves kvzmember2 077 /var/lib/kvz/OTHER.KVZ 660
saves kvzmember1 022 /var/lib/kvz/OTHER.KVZ 660

step "systemctl stop kvzspoll"
c systemctl stop kvzspoll
until_unit ActiveState inactive || fail "kvzspoll is $(c systemctl show -P ActiveState kvzspoll) after stop"
[ "$(c systemctl show -P Result kvzspoll)" = success ] || fail "kvzspoll stopped with $(c systemctl show -P Result kvzspoll)"
[ "$(c systemctl show -P NRestarts kvzspoll)" = 0 ] || fail "systemd restarted the engine"
[ "$(engines)" = 0 ] || fail "a poll engine runs after stop"

step "upgrade (the same version again) restarts the running engine"
c systemctl start kvzspoll
before=$(c systemctl show -P MainPID kvzspoll)
c sh -c 'DEBIAN_FRONTEND=noninteractive dpkg -i /root/kvz/*.deb' >/dev/null
after=$(c systemctl show -P MainPID kvzspoll)
[ "$(c systemctl show -P SubState kvzspoll)" = running ] && [ "$after" != "$before" ] && [ "$after" != 0 ] ||
  fail "after the upgrade kvzspoll is $(c systemctl show -P SubState kvzspoll) with engine $after (was $before)"
[ "$(c systemctl is-enabled kvzspoll)" = enabled ] || fail "after the upgrade kvzspoll is $(c systemctl is-enabled kvzspoll)"
[ "$(engines)" = 1 ] || fail "$(engines) poll engines run after the upgrade"
[ "$(c stat -c '%a %U' $startup)" = "664 kvzmember1" ] || fail "the upgrade changed $startup"

step "remove kvz-driver"
c sh -c 'DEBIAN_FRONTEND=noninteractive apt-get remove -y -qq kvz-driver' >/dev/null
[ "$(engines)" = 0 ] || fail "a poll engine runs after remove"
[ "$(c systemctl show -P ActiveState kvzspoll)" = inactive ] ||
  fail "after remove kvzspoll is $(c systemctl show -P LoadState,ActiveState,SubState kvzspoll | paste -sd/)"
if c systemctl start kvzspoll 2>/dev/null; then fail "a removed kvzspoll could be started"; fi

step "purge kvz-driver"
c sh -c 'DEBIAN_FRONTEND=noninteractive apt-get purge -y -qq kvz-driver' >/dev/null
left=$(c sh -c 'find /etc/systemd /var/lib/systemd/deb-systemd-helper-enabled /var/lib/systemd/deb-systemd-helper-masked \
  -name "kvzspoll*" 2>/dev/null; ls -d /var/lib/kvz /etc/Quillmark 2>/dev/null' || true)
[ -z "$left" ] || fail "purge left $(echo $left)"
[ "$(c systemctl show -P LoadState kvzspoll)" = not-found ] ||
  fail "after purge kvzspoll is $(c systemctl show -P LoadState kvzspoll)"

[ $status -eq 0 ] || exit 1
echo "service OK (${SECONDS}s): kvzspoll enabled, reloaded, stopped, upgraded, removed and purged as Debian's services are"
