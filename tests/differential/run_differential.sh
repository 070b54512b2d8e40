#!/usr/bin/env bash
# Answers the same generated corpus with a probe of the Linux build and with the same probe of the
# Windows build (under Wine), and compares the answers line by line.
# Usage: run_differential.sh WORK_DIR LINUX_PROBE WINDOWS_COMMAND...
#   WORK_DIR         emptied, then holds the corpus, both answer files and the differences
#   LINUX_PROBE      the probe of the Linux build (profile_probe or xml_probe)
#   WINDOWS_COMMAND  how to start the Windows probe, with absolute paths, e.g.
#                    scripts/wine-run.sh PREFIX build/win32/tests/differential/xml_probe.exe
# RADLYN_DIFF_ARGS is passed to "LINUX_PROBE generate WORK_DIR/corpus" (profile_probe: COUNT SEED).
set -euo pipefail
work=$1
linux_probe=$2
shift 2

if [ ! -x "$linux_probe" ]; then
  echo "No Linux probe at $linux_probe: build it first (same target in the Linux build)." >&2
  exit 1
fi
rm -rf "$work"
mkdir -p "$work/corpus"
# shellcheck disable=SC2086  # the arguments are words
"$linux_probe" generate "$work/corpus" ${RADLYN_DIFF_ARGS:-}
cp -r "$work/corpus" "$work/linux"
cp -r "$work/corpus" "$work/windows"

"$linux_probe" run "$work/linux" >"$work/linux.txt"
# One Wine start for the whole corpus; the probe runs in the corpus folder and names files ".\NAME".
(cd "$work/windows" && "$@" run .) | tr -d '\r' >"$work/windows.txt"

if ! diff -u "$work/windows.txt" "$work/linux.txt" >"$work/differences.diff"; then
  echo "The Linux and the Windows build answer differently (- Windows, + Linux):"
  grep '^[-+][^-+]' "$work/differences.diff" | cut -c1-400 | head -n 60
  echo "Full answers and corpus in $work"
  exit 1
fi
echo "$(wc -l <"$work/linux.txt") answers agree"
