#!/usr/bin/env bash
# check-staged-install.sh BUILD_DIR: installs a finished build into a staging folder as a packager
# does (DESTDIR=stage cmake --install BUILD_DIR --prefix /usr) and runs the staged programs. CI runs
# it on a build made with CMake's default generator, so that a rule that works under one generator
# only (a command writing into a folder that only Ninja makes) fails here.
set -euo pipefail
build=${1:?usage: check-staged-install.sh BUILD_DIR}
stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
DESTDIR=$stage cmake --install "$build" --prefix /usr >/dev/null
libdir=$(find "$stage/usr/lib" -name 'libFerrolink.so.1' -printf '%h\n' | head -1)
[ -n "$libdir" ] || { echo "check-staged-install: no libFerrolink.so.1 under $stage/usr/lib" >&2; exit 1; }
export LD_LIBRARY_PATH=$libdir
"$stage/usr/bin/kvzcfg" --version
"$stage/usr/bin/KVZSPOLL" --version >/dev/null
status=0
# Files that name installed paths name the install's prefix, not the configured one.
unit=$stage/usr/lib/systemd/system/kvzspoll.service
grep -qx 'ExecStart=/usr/bin/KVZSPOLL' "$unit" || { echo "check-staged-install: $(grep ^ExecStart "$unit")" >&2; status=1; }
grep -qx 'prefix=/usr' "$libdir/pkgconfig/ferrolink.pc" || { echo "check-staged-install: ferrolink.pc: $(head -1 "$libdir/pkgconfig/ferrolink.pc")" >&2; status=1; }
for page in kvzcfg.1.gz KVZSPOLL.1.gz; do
  gzip -t "$stage/usr/share/man/man1/$page" || status=1
done
[ $status -eq 0 ] && echo "staged install OK ($(sed -n "s/^CMAKE_GENERATOR:INTERNAL=//p" "$build/CMakeCache.txt"))"
exit $status
