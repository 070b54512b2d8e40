#!/usr/bin/env bash
# Runs every libFuzzer harness of the fuzz build for a bounded time, with its dictionary
# fuzz/dict/NAME.dict when there is one, after replaying the inputs that once crashed it
# (fuzz/regressions/NAME/). Fails on any finding.
# Usage: scripts/fuzz.sh [seconds per harness]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-20}
build=build/fuzz
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
count=0
for harness in "$build"/fuzz/fuzz_*; do
  [ -x "$harness" ] || continue
  name=${harness##*/fuzz_}
  corpus="$work/$name"
  mkdir -p "$corpus"
  [ -d "fuzz/corpus/$name" ] && cp -r "fuzz/corpus/$name/." "$corpus/"
  printf '%-28s ' "$name"
  regressions=(fuzz/regressions/"$name"/*)
  if [ -f "${regressions[0]}" ] && ! "$harness" "${regressions[@]}" >"$work/$name.log" 2>&1; then
    echo "REGRESSION"
    tail -40 "$work/$name.log"
    exit 1
  fi
  dict=()
  [ -f "fuzz/dict/$name.dict" ] && dict=(-dict="fuzz/dict/$name.dict")
  if "$harness" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 "${dict[@]}" \
       -artifact_prefix="$work/$name-" "$corpus" >"$work/$name.log" 2>&1; then
    echo "ok ($(grep -o 'Done [0-9]* runs' "$work/$name.log" | tail -1))"
  else
    echo "FINDING"
    tail -40 "$work/$name.log"
    exit 1
  fi
  count=$((count + 1))
done
echo "$count passed, 0 failed"
