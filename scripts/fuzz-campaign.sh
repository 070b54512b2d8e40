#!/usr/bin/env bash
# The long fuzz campaign, run by hand outside CI: every harness of the fuzz build (or the ones
# named) runs to RUNS executions (default 10 million) or MAX_SECONDS (default: no limit), with its
# dictionary fuzz/dict/NAME.dict when there is one. The corpus grows in a work folder outside the
# repository (FUZZ_WORK, default /tmp/radlyn-fuzz-campaign); what adds coverage is merged back
# into fuzz/corpus/NAME. A crashing input is copied to fuzz/regressions/NAME/, which scripts/fuzz.sh
# replays. The merged corpus keeps to about MAX_CORPUS_FILES files (default 300) by counting
# only edges when hit-count buckets would add more. JOBS harnesses run side by side (default 1),
# each under `nice -n 15`.
# Prints per harness: executions, exec/s, cov and ft from libFuzzer's final stats, corpus files
# and size, findings. Exits nonzero when any harness found something.
#
# Usage: [RUNS=n] [MAX_SECONDS=s] [JOBS=n] [FUZZ_WORK=dir] scripts/fuzz-campaign.sh [name...]
#        scripts/fuzz-campaign.sh --report [name...]   (the table of the last runs only)
#        scripts/fuzz-campaign.sh --merge name...      (merge the grown corpus back again)
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
build=$root/build/fuzz/fuzz
runs=${RUNS:-10000000}
max_seconds=${MAX_SECONDS:-0}
jobs=${JOBS:-1}
work=${FUZZ_WORK:-/tmp/radlyn-fuzz-campaign}
max_corpus_files=${MAX_CORPUS_FILES:-300}
mkdir -p "$work"

# Merges the work corpus into a copy of the repository's corpus: its seeds stay, and only inputs
# with features it lacks join them. When keeping every hit-count bucket would add more than
# MAX_CORPUS_FILES, only the edges count.
merge_back() {
  local name=$1 harness=$build/fuzz_$1 dir=$work/$1
  local corpus=$dir/corpus merged=$dir/merged merge_options merged_ok=0
  for merge_options in -use_counters=1 -use_counters=0; do
    rm -rf "$merged" && mkdir -p "$merged"
    [ -d "fuzz/corpus/$name" ] && cp -r "fuzz/corpus/$name/." "$merged/"
    merged_ok=0
    nice -n 15 "$harness" -merge=1 "$merge_options" -timeout=25 -rss_limit_mb=2048 "$merged" \
      "$corpus" >"$dir/merge.log" 2>&1 || break
    merged_ok=1
    [ "$(find "$merged" -type f | wc -l)" -le "$max_corpus_files" ] && break
  done
  if [ "$merged_ok" -eq 1 ]; then
    rm -rf "fuzz/corpus/$name" && mkdir -p "fuzz/corpus/$name"
    cp -r "$merged/." "fuzz/corpus/$name/"
  fi
}

# One harness: fuzz, keep the finding, merge the corpus back, write NAME.summary.
run_one() {
  local name=$1 harness=$build/fuzz_$1
  local dir=$work/$name
  local corpus=$dir/corpus crashes=$dir/crashes log=$dir/fuzz.log
  # Findings of earlier runs are in fuzz/regressions already; only this run's count.
  rm -rf "$crashes"
  mkdir -p "$corpus" "$crashes"
  [ -d "fuzz/corpus/$name" ] && cp -r "fuzz/corpus/$name/." "$corpus/"
  [ -d "fuzz/regressions/$name" ] && cp -r "fuzz/regressions/$name/." "$corpus/"
  local dict=()
  [ -f "fuzz/dict/$name.dict" ] && dict=(-dict="fuzz/dict/$name.dict")
  local status=0
  nice -n 15 "$harness" -runs="$runs" -max_total_time="$max_seconds" -timeout=25 \
    -report_slow_units=10 -rss_limit_mb=2048 -print_final_stats=1 -artifact_prefix="$crashes/" \
    "${dict[@]}" "$corpus" >"$log" 2>&1 || status=$?

  local findings=0 slow=0 artifact
  for artifact in "$crashes"/*; do
    [ -f "$artifact" ] || continue
    # A slow unit is libFuzzer's report of one input taking over 10 s (-report_slow_units above),
    # not a failure: a machine paused under the fuzzer makes one of any input. It stays in the
    # work folder to replay.
    if [[ ${artifact##*/} == slow-unit-* ]]; then
      slow=$((slow + 1))
      continue
    fi
    findings=$((findings + 1))
    mkdir -p "fuzz/regressions/$name"
    cp "$artifact" "fuzz/regressions/$name/${artifact##*/}"
  done
  [ "$status" -ne 0 ] && [ "$findings" -eq 0 ] && findings="exit $status"
  [ "$slow" -gt 0 ] && echo "$name: $slow slow unit(s) in $crashes, not counted as findings"

  merge_back "$name"

  local executions rate cov ft
  executions=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
  rate=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log" | tail -1)
  cov=$(grep -o 'cov: [0-9]*' "$log" | tail -1 | cut -d' ' -f2)
  ft=$(grep -o 'ft: [0-9]*' "$log" | tail -1 | cut -d' ' -f2)
  local files kib
  files=$(find "fuzz/corpus/$name" -type f | wc -l)
  kib=$(find "fuzz/corpus/$name" -type f -printf '%s\n' | awk '{s += $1} END {print int(s / 1024)}')
  echo "$name ${executions:-?} ${rate:-?} ${cov:-?} ${ft:-?} $files ${kib}K ${findings// /_}" \
    >"$dir/summary"
}

if [ "${1:-}" = "--one" ]; then
  run_one "$2"
  exit 0
fi
if [ "${1:-}" = "--merge" ]; then
  shift
  for name in "$@"; do merge_back "$name"; done
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
