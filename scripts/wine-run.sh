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
# A Wine session that lingers between runs: a wineserver that is shutting down just as the next
# program starts drops it ("recvmsg: Connection reset by peer"), a race that tests running
# programs one after another would otherwise meet on a busy machine. The session's own processes
# are started here without our output streams, so that they, living on with the session, never
# keep a caller waiting for the end of the program's output. Starting a server fails harmlessly
# when one runs already.
if wineserver -p30 </dev/null >/dev/null 2>&1; then
  wine wineboot </dev/null >/dev/null 2>&1 || true
fi
exec wine "$@"
