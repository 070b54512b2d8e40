#!/usr/bin/env bash
# Runs a Windows program under Wine in a private prefix: the cross build's test emulator.
# Usage: scripts/wine-run.sh PREFIX_DIR PROGRAM.exe [ARGS...]
# The prefix is created on first use (under a lock, so parallel tests wait for one creation);
# Wine's own diagnostics are silenced unless WINEDEBUG is set.
set -euo pipefail
prefix=$(realpath -m -- "$1")  # Wine accepts only an absolute WINEPREFIX
shift
mkdir -p "$(dirname "$prefix")"
export WINEPREFIX=$prefix
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
if [ ! -f "$prefix/system.reg" ]; then
  exec 9>"$prefix.lock"
  flock 9
  if [ ! -f "$prefix/system.reg" ]; then
    wineboot --init >/dev/null 2>&1 || true
    wineserver --wait || true
  fi
  exec 9>&-
fi
exec wine "$@"
