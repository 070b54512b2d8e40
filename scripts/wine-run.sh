#!/usr/bin/env bash
# Runs a Windows program under Wine in a private prefix: the cross build's test emulator.
# Usage: scripts/wine-run.sh PREFIX_DIR PROGRAM.exe [ARGS...]
# The prefix is made on first use by wine-prefix.sh (a 64-bit Windows unless RADLYN_WINEARCH says
# win32); Wine's own diagnostics are silenced unless WINEDEBUG is set.
set -euo pipefail
prefix=$(realpath -m -- "$1")  # Wine accepts only an absolute WINEPREFIX
shift
"$(dirname "$0")/wine-prefix.sh" "$prefix"
export WINEPREFIX=$prefix
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
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
