#!/usr/bin/env bash
# check-installed.sh DEB...: installs the packages on this machine (root; CI's machine, which may be
# changed), then checks the installed product as a plant's machine has it: the service account and
# the kvz group, the machine hive closed to others, the poll engine run as the service runs it, a
# member of the group attaching (kvzcfg and the configurator under Xvfb) and another account reaching
# nothing. Two accounts are made for the check; they and the packages are removed at the end.
set -euo pipefail
[ "$(id -u)" -eq 0 ] || { echo "check-installed.sh: needs root" >&2; exit 1; }
[ $# -gt 0 ] || { echo "usage: check-installed.sh DEB..." >&2; exit 2; }
# Only the installed tree counts: nothing of a scratch root or a test's registry.
unset LD_LIBRARY_PATH KVZ_REGISTRY_USER KVZ_REGISTRY_MACHINE KVZ_SHM_NAMESPACE KVZ_RUNTIME_DIR XDG_CONFIG_HOME KVZSPOLL_NETWORK

member=kvzcheck-member
other=kvzcheck-other
hive=/etc/Quillmark/Brennic
key='Software\Quillmark\Brennic\Config'
packages=(kvz-driver kvz-configurator libferrolink1 libferrolink-dev kvz-setup)
engine=""
made_run=""
status=0
fail() { echo "check-installed: $*" >&2; status=1; }
# userdel refuses an account that still runs a process: end the check's own accounts' processes first,
# so neither this run nor an earlier one that was cut short leaves an account behind.
remove_accounts() {
  for account in $member $other; do
    id "$account" >/dev/null 2>&1 || continue
    pkill -KILL -u "$account" 2>/dev/null || true
    for _ in $(seq 50); do pgrep -u "$account" >/dev/null || break; sleep 0.1; done
    userdel -r "$account" >/dev/null 2>&1 || true
  done
}
cleanup() {
  [ -n "$engine" ] && kill "$engine" 2>/dev/null && wait "$engine" 2>/dev/null
  remove_accounts
  DEBIAN_FRONTEND=noninteractive apt-get purge -y -qq "${packages[@]}" >/dev/null 2>&1 || true
  rm -f /dev/shm/Global.KVZ* /dev/shm/KVZ*
  [ -n "$made_run" ] && rm -rf /run/kvz
}
trap cleanup EXIT

debs=()
for deb in "$@"; do debs+=("$(realpath "$deb")"); done
DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${debs[@]}" >/dev/null

# What the package made.
getent group kvz >/dev/null || fail "no kvz group"
[ "$(id -gn kvz 2>/dev/null)" = kvz ] || fail "no kvz account in the kvz group"
[ "$(stat -c '%a %G' $hive)" = "2770 kvz" ] || fail "machine hive folder is $(stat -c '%a %G' $hive)"
[ "$(stat -c '%a %G' $hive/registry.ini)" = "660 kvz" ] || fail "machine hive is $(stat -c '%a %G' $hive/registry.ini)"
[ "$(stat -c '%a %G' /var/lib/kvz)" = "2770 kvz" ] || fail "state folder is $(stat -c '%a %G' /var/lib/kvz)"
for value in "DriverExe=/usr/bin/KVZSPOLL" "ConfigFile=/var/lib/kvz/DEFAULT.KVZ" "AccessGroup=kvz"; do
  got=$(kvzcfg registry get --machine "$key" "${value%%=*}" || true)
  [ "$got" = "${value#*=}" ] || fail "${value%%=*} reads \"$got\""
done
# The desktop's triggers ran: a .KVZ file (any case) is the configurator's.
grep -qx 'application/x-kvz-configuration=kvzdidw.desktop;' /usr/share/applications/mimeinfo.cache ||
  fail "the desktop does not give configuration files to the configurator"
grep -q ':application/x-kvz-configuration:\*\.kvz' /usr/share/mime/globs2 || fail "no MIME type for *.KVZ"
verify=$(SYSTEMD_LOG_LEVEL=notice systemd-analyze verify --man=no /lib/systemd/system/kvzspoll.service 2>&1 || true)
if grep -q kvzspoll <<<"$verify"; then fail "$verify"; fi

# The engine as the service runs it (its account, its umask), on the demo plant. Without
# KVZSPOLL_NETWORK=plant it reaches no controller: nothing leaves this machine.
kvzcfg convert /usr/share/kvz/demo/DEMO.csv /var/lib/kvz/DEFAULT.KVZ >/dev/null
chown kvz:kvz /var/lib/kvz/DEFAULT.KVZ
# The request port's folder, as the unit's RuntimeDirectory makes it.
if [ ! -d /run/kvz ]; then install -d -o kvz -g kvz -m 0750 /run/kvz; made_run=1; fi
port=$(kvzcfg driver port)
[ "$port" = /run/kvz/KVZSPOLL-default.sock ] || fail "the installed request port is $port"
setpriv --reuid=kvz --regid=kvz --init-groups --inh-caps=-all bash -c 'umask 0007; cd /var/lib/kvz; exec KVZSPOLL' \
  >/tmp/kvzcheck-engine.log 2>&1 &
engine=$!
# Its request port is made last: a status asked before would launch an engine of its own.
for _ in $(seq 100); do [ -S "$port" ] && break; sleep 0.1; done
for object in /dev/shm/Global.KVZ_TO_IOC /dev/shm/Global.KVZ1 "$port"; do
  [ "$(stat -c '%a %G' "$object" 2>&1)" = "660 kvz" ] || fail "$object is $(stat -c '%a %G' "$object" 2>&1)"
done

# A member attaches; another account reaches neither the objects nor the hive.
remove_accounts
useradd --create-home --groups kvz "$member"
useradd --create-home "$other"
as() { local who=$1; shift; setpriv --reuid="$who" --regid="$who" --init-groups env HOME="$(getent passwd "$who" | cut -d: -f6)" "$@"; }
as $member kvzcfg driver status | grep -q '^heartbeat: moving$' || fail "a member does not see the running driver"
as $member kvzcfg driver values BOILER1 >/dev/null || fail "a member's request is not answered"
for object in /dev/shm/Global.KVZ_TO_IOC /dev/shm/Global.KVZ1 $hive/registry.ini; do
  if as $other cat "$object" >/dev/null 2>&1; then fail "another account reads $object"; fi
done
if as $other kvzcfg driver status 2>/dev/null | grep -q '^heartbeat: moving$'; then
  fail "another account sees the running driver"
fi
if as $other kvzcfg driver values BOILER1 >/dev/null 2>&1; then fail "another account's request is answered"; fi
# The configurator, started by a member, opens the installation's configuration.
as $member xvfb-run -a -s "-screen 0 1280x1024x24" bash -c '
  KVZdidw >/tmp/kvzcheck-kvzdidw.log 2>&1 & pid=$!
  for _ in $(seq 60); do
    xdotool search --name "Brennic Plant Link - /var/lib/kvz/DEFAULT.KVZ" >/dev/null 2>&1 && { kill $pid; wait $pid; exit 0; }
    sleep 0.5
  done
  kill $pid; exit 1' || { fail "a member's configurator did not open the installation's configuration"; cat /tmp/kvzcheck-kvzdidw.log >&2; }
kill -0 "$engine" 2>/dev/null || { fail "the engine stopped"; cat /tmp/kvzcheck-engine.log >&2; }

[ $status -eq 0 ] && echo "installed product OK: group kvz alone reaches the driver"
exit $status
