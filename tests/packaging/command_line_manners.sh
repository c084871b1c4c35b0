#!/usr/bin/env bash
# command_line_manners.sh KVZCFG KVZSPOLL VERSION
set -u
kvzcfg=$1 spoll=$2 version=$3 failed=0
expect() { # expect STATUS PATTERN COMMAND...: exit status and a line of stdout matching PATTERN
    local status=$1 pattern=$2
    shift 2
    local out rc
    out=$("$@" 2>/dev/null)
    rc=$?
    if [[ $rc -ne $status ]] || ! grep -qE -- "$pattern" <<<"$out"; then
        echo "FAIL: $* gave $rc: $out" >&2
        failed=1
    fi
}
expect 0 "^kvzcfg \(Brennic Plant Link\) ${version//./\\.}\$" "$kvzcfg" --version
expect 0 "^KVZSPOLL \(Brennic Plant Link\) ${version//./\\.}\$" "$spoll" --version
expect 0 "^Usage: KVZSPOLL" "$spoll" --help
expect 2 "" "$spoll" --bogus
expect 0 "Usage: .*reload" "$kvzcfg" help driver reload
expect 0 "Usage: .*convert" "$kvzcfg" help convert
expect 0 "Subcommands:" "$kvzcfg" help
expect 2 "" "$kvzcfg" help frobnicate
for command in convert dump import-dbf driver "driver status" "driver messages" registry "registry set"; do
    # shellcheck disable=SC2086
    expect 0 "Usage:" "$kvzcfg" $command --help
done
exit $failed
