#!/usr/bin/env bash
# check-packages.sh [BUILD_DIR] [--install]: builds the .deb packages, checks them with lintian, the
# desktop entry with desktop-file-validate, the MIME type with update-mime-database and the service
# unit with systemd-analyze verify, then unpacks them into a scratch root and runs the installed
# programs there (the configurator under Xvfb, started by the desktop's launcher on a configuration).
# With --install (root, on a machine that may be changed: CI's), the packages are also installed on
# this machine, the access group is checked with accounts made for the check, and all is purged again.
set -euo pipefail
cd "$(dirname "$0")/.."
src=$PWD
build=${1:-build-pkg}
install=${2:-}

packages=(lintian desktop-file-utils systemd dpkg-dev fakeroot file shared-mime-info xvfb xdotool openbox man-db)
scripts/apt-install-missing.sh "${packages[@]}"

# The build keeps CMake's default prefix (/usr/local), as most builds have it: the packages must name
# their own prefix (/usr) all the same.
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -UCMAKE_INSTALL_PREFIX -DKVZ_WERROR=ON >/dev/null
grep -qx 'CMAKE_INSTALL_PREFIX:PATH=/usr/local' "$build/CMakeCache.txt" ||
  { echo "check-packages: $build is not configured with the default prefix" >&2; exit 1; }
cmake --build "$build" -j2 --target KVZdidw kvzcfg KVZSPOLL Ferrolink setup kvz_icons kvz_package_docs
rm -f "$build"/*.deb
(cd "$build" && cpack -G DEB >/dev/null)
debs=("$build"/*.deb)
[ ${#debs[@]} -eq 5 ] || { echo "expected 5 packages, got ${#debs[@]}" >&2; exit 1; }

status=0
echo "== lintian"
# Errors fail the check; warnings are fixed or overridden with a reason (packaging/lintian/, installed as lintian overrides).
lintian --fail-on error,warning "${debs[@]}" || status=1

echo "== desktop-file-validate, MIME type, systemd-analyze verify"
root=$(mktemp -d)
trap 'rm -rf "$root"; rm -f /dev/shm/pkgcheck$$.*' EXIT
for deb in "${debs[@]}"; do dpkg -x "$deb" "$root"; done
desktop-file-validate "$root/usr/share/applications/kvzdidw.desktop" || status=1
mkdir -p "$root/mime" && cp -r "$root/usr/share/mime/packages" "$root/mime/"
update-mime-database "$root/mime" >/dev/null 2>&1
grep -q '^application/x-kvz-configuration:\*\.kvz$' "$root/mime/globs" || { echo "MIME glob missing" >&2; status=1; }
# Whatever the build's prefix, the package's files name the package's.
multiarch=$(dpkg-architecture -qDEB_HOST_MULTIARCH)
packaged_unit=$root/usr/lib/systemd/system/kvzspoll.service
for line in "ExecStart=/usr/bin/KVZSPOLL" "ExecReload=/usr/bin/kvzcfg driver reload"; do
  grep -qxF "$line" "$packaged_unit" || { echo "the unit does not say $line: $(grep "^${line%%=*}=" "$packaged_unit")" >&2; status=1; }
done
pc=$root/usr/lib/$multiarch/pkgconfig/ferrolink.pc
for line in "prefix=/usr" "libdir=\${prefix}/lib/$multiarch" "includedir=\${prefix}/include"; do
  grep -qxF "$line" "$pc" 2>/dev/null || { echo "ferrolink.pc does not say $line" >&2; status=1; }
done
[ -e "$root/usr/lib/$multiarch/libFerrolink.so.1" ] || { echo "libFerrolink.so.1 is not in /usr/lib/$multiarch" >&2; status=1; }
if grep -rIl /usr/local "$root/usr" "$root/lib" 2>/dev/null; then echo "files above name /usr/local" >&2; status=1; fi
dpkg-deb -f "$build"/kvz-configurator_*.deb Recommends | grep -qw xdg-utils || { echo "kvz-configurator does not recommend xdg-utils" >&2; status=1; }
# The unit names the installed programs: verify it against the scratch root's copies.
unit=$root/kvzspoll.service
sed "s|/usr/bin/|$root/usr/bin/|g" "$root/usr/lib/systemd/system/kvzspoll.service" >"$unit"
verify=$(SYSTEMD_LOG_LEVEL=notice systemd-analyze verify --man=no "$unit" 2>&1 | grep -v "^$" || true)
# Outside a booted system systemd-analyze also reports units of the host; only ours count.
if grep -q "kvzspoll" <<<"$verify"; then echo "$verify" >&2; status=1; fi

echo "== the installed tree runs"
export LD_LIBRARY_PATH=$root/usr/lib/$multiarch
"$root/usr/bin/kvzcfg" --version
"$root/usr/bin/KVZSPOLL" --help >/dev/null
"$root/usr/bin/KVZSPOLL" --version
ldd "$root/usr/bin/KVZSPOLL" | grep -q "libFerrolink.so.1 => $root/" || { echo "KVZSPOLL does not find libFerrolink" >&2; status=1; }
# A third-party engine builds against the -dev package with pkg-config.
printf '#include <ferrolink.h>\nint main(void) { H1_Close_Channel(0); return 0; }\n' >"$root/engine.c"
cflags=$(PKG_CONFIG_SYSROOT_DIR=$root PKG_CONFIG_LIBDIR=$LD_LIBRARY_PATH/pkgconfig pkg-config --cflags --libs ferrolink)
cc -Wall -Werror "$root/engine.c" -o "$root/engine" $cflags || { echo "pkg-config build failed" >&2; status=1; }
# The configurator under Xvfb, opened on a file as the desktop does: its window names that file, not
# the startup file of the registry.
export KVZ_REGISTRY_USER=$root/user KVZ_REGISTRY_MACHINE=$root/machine KVZ_SHM_NAMESPACE=pkgcheck$$ XDG_CONFIG_HOME=$root/xdg
"$root/usr/bin/kvzcfg" convert "$root/usr/share/kvz/demo/DEMO.csv" "$root/DEMO.KVZ" >/dev/null
cp "$root/DEMO.KVZ" "$root/OTHER.KVZ"
"$root/usr/bin/kvzcfg" registry set 'Software\Quillmark\Brennic\Config' DriverExe "$root/usr/bin/KVZSPOLL"
"$root/usr/bin/kvzcfg" registry set 'Software\Quillmark\Brennic\Config' ConfigFile "$root/DEMO.KVZ"
xvfb-run -a -s "-screen 0 1280x1024x24" bash -c '
  "$1/usr/bin/kvzdidw-open" "$1/OTHER.KVZ" >"$1/kvzdidw.log" 2>&1 & pid=$!
  for _ in $(seq 60); do
    xdotool search --name "Brennic Plant Link - $1/OTHER.KVZ" >/dev/null 2>&1 && { kill $pid; wait $pid; exit 0; }
    sleep 0.5
  done
  kill $pid; exit 1' _ "$root" || { echo "the configurator did not open its file under Xvfb" >&2; cat "$root/kvzdidw.log" >&2; status=1; }
# The engine the configurator started (its path is this run's own) ends with the check.
for pid in $(pgrep -f "^$root/usr/bin/KVZSPOLL" || true); do kill "$pid"; done

if [ "$install" = --install ] && [ $status -eq 0 ]; then
  echo "== installed on this machine: the access group"
  scripts/check-installed.sh "${debs[@]}" || status=1
fi
[ $status -eq 0 ] && echo "packages OK: ${debs[*]##*/}"
exit $status
