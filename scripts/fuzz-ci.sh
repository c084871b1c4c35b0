#!/usr/bin/env bash
# fuzz-ci.sh BUILD_DIR [SECONDS]: runs every fuzz target of a KVZ_FUZZ build (clang), as listed in
# BUILD_DIR/fuzz/targets.txt: each replays its corpus, then fuzzes for SECONDS (default 20), two at
# a time. New inputs go to a scratch folder, never into the corpora of the source tree. A finding
# fails the run and names its reproducer. To keep it found: copy the reproducer into the target's
# corpus (the replay test fuzz_replay.NAME then fails in every build), and only then mend the fault.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:?usage: fuzz-ci.sh BUILD_DIR [SECONDS]}
seconds=${2:-20}
list=$build/fuzz/targets.txt
[ -s "$list" ] || { echo "fuzz-ci: no fuzz targets in $list (configure with CC=clang CXX=clang++ -DKVZ_FUZZ=ON)" >&2; exit 1; }
out=$(realpath "$build")/fuzz/run
rm -rf "$out"
mkdir -p "$out"

# One target: NAME PROGRAM CORPUS. Its log is $out/NAME.log; a finding is $out/NAME-crash-..., -leak-...
# or -timeout-... (libFuzzer's artifact names).
run_one() {
  local name=$1 program=$2 corpus=$3
  mkdir -p "$out/$name.corpus"
  "$program" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
    -artifact_prefix="$out/$name-" "$out/$name.corpus" "$corpus" >"$out/$name.log" 2>&1
}
export -f run_one
export out seconds

status=0
# xargs runs two at a time and reports any failure as 123; each target's verdict is read from its log.
tr '\t' '\n' <"$list" | xargs -d '\n' -n 3 -P 2 bash -c 'run_one "$@"' _ || true
while IFS=$'\t' read -r name program corpus; do
  [ -n "$name" ] || continue
  log=$out/$name.log
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
  speed=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log" | tail -1)
  finding=$(find "$out" -maxdepth 1 -name "$name-*" -type f | head -1)
  if [ -n "$finding" ] || ! grep -q '^Done [0-9]* runs' "$log"; then
    status=1
    tail -40 "$log" >&2
    if [ -n "$finding" ]; then
      echo "fuzz-ci: $name found a fault; reproducer: $finding" >&2
      echo "fuzz-ci:   replay it: $program $finding; keep it: copy it into $corpus" >&2
    else
      echo "fuzz-ci: $name did not finish (log: $log)" >&2
    fi
  else
    printf 'fuzz %-24s %9s runs %7s exec/s\n' "$name" "${runs:-?}" "${speed:-?}"
  fi
done <"$list"
exit $status
