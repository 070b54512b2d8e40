#!/usr/bin/env bash
# The long fuzz campaign, run by hand outside CI: every harness of the fuzz build (or the ones
# named) runs to RUNS executions (default 10 million) or MAX_SECONDS (default: no limit), with its
# dictionary fuzz/dict/NAME.dict when there is one. The corpus grows in a work folder outside the
# repository (FUZZ_WORK, default /tmp/radlyn-fuzz-campaign) and is merged back minimised into
# fuzz/corpus/NAME. A crashing input is copied to fuzz/regressions/NAME/, which scripts/fuzz.sh
# replays. JOBS harnesses run side by side (default 1), each under `nice -n 15`.
# Prints per harness: executions, exec/s, cov and ft from libFuzzer's final stats, corpus files
# and size, findings. Exits nonzero when any harness found something.
#
# Usage: [RUNS=n] [MAX_SECONDS=s] [JOBS=n] [FUZZ_WORK=dir] scripts/fuzz-campaign.sh [name...]
#        scripts/fuzz-campaign.sh --report [name...]   (the table of the last runs only)
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
build=$root/build/fuzz/fuzz
runs=${RUNS:-10000000}
max_seconds=${MAX_SECONDS:-0}
jobs=${JOBS:-1}
work=${FUZZ_WORK:-/tmp/radlyn-fuzz-campaign}
mkdir -p "$work"

# One harness: fuzz, keep the finding, merge the corpus back, write NAME.summary.
run_one() {
  local name=$1 harness=$build/fuzz_$1
  local dir=$work/$name
  local corpus=$dir/corpus crashes=$dir/crashes log=$dir/fuzz.log
  mkdir -p "$corpus" "$crashes"
  [ -d "fuzz/corpus/$name" ] && cp -r "fuzz/corpus/$name/." "$corpus/"
  [ -d "fuzz/regressions/$name" ] && cp -r "fuzz/regressions/$name/." "$corpus/"
  local dict=()
  [ -f "fuzz/dict/$name.dict" ] && dict=(-dict="fuzz/dict/$name.dict")
  local status=0
  nice -n 15 "$harness" -runs="$runs" -max_total_time="$max_seconds" -timeout=25 \
    -rss_limit_mb=2048 -print_final_stats=1 -artifact_prefix="$crashes/" "${dict[@]}" \
    "$corpus" >"$log" 2>&1 || status=$?

  local findings=0 artifact
  for artifact in "$crashes"/*; do
    [ -f "$artifact" ] || continue
    findings=$((findings + 1))
    mkdir -p "fuzz/regressions/$name"
    cp "$artifact" "fuzz/regressions/$name/${artifact##*/}"
  done
  [ "$status" -ne 0 ] && [ "$findings" -eq 0 ] && findings="exit $status"

  # Minimise: the repository's seeds plus the grown corpus into a fresh folder.
  local merged=$dir/merged
  rm -rf "$merged" && mkdir -p "$merged"
  if nice -n 15 "$harness" -merge=1 -timeout=25 -rss_limit_mb=2048 "$merged" \
       "fuzz/corpus/$name" "$corpus" >"$dir/merge.log" 2>&1; then
    rm -rf "fuzz/corpus/$name" && mkdir -p "fuzz/corpus/$name"
    cp "$merged"/* "fuzz/corpus/$name/" 2>/dev/null || true
  fi

  local executions rate cov ft
  executions=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
  rate=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log" | tail -1)
  cov=$(grep -o 'cov: [0-9]*' "$log" | tail -1 | cut -d' ' -f2)
  ft=$(grep -o 'ft: [0-9]*' "$log" | tail -1 | cut -d' ' -f2)
  local files kib
  files=$(find "fuzz/corpus/$name" -type f | wc -l)
  kib=$(du -sk "fuzz/corpus/$name" | cut -f1)
  echo "$name ${executions:-?} ${rate:-?} ${cov:-?} ${ft:-?} $files ${kib}K ${findings// /_}" \
    >"$dir/summary"
}

if [ "${1:-}" = "--one" ]; then
  run_one "$2"
  exit 0
fi

report_only=0
if [ "${1:-}" = "--report" ]; then
  report_only=1
  shift
fi
names=("$@")
if [ ${#names[@]} -eq 0 ]; then
  for harness in "$build"/fuzz_*; do
    [ -x "$harness" ] && names+=("${harness##*/fuzz_}")
  done
fi
export RUNS="$runs" MAX_SECONDS="$max_seconds" FUZZ_WORK="$work"
if [ "$report_only" -eq 0 ]; then
  printf '%s\n' "${names[@]}" | xargs -P "$jobs" -I{} "$0" --one {}
fi

printf '%-22s %12s %8s %6s %7s %6s %7s %s\n' harness executions exec/s cov ft files size \
  findings
failed=0
for name in "${names[@]}"; do
  read -r n executions rate cov ft files size findings <"$work/$name/summary"
  printf '%-22s %12s %8s %6s %7s %6s %7s %s\n' "$n" "$executions" "$rate" "$cov" "$ft" \
    "$files" "$size" "$findings"
  [ "$findings" = 0 ] || failed=1
done
exit "$failed"
