#!/usr/bin/env bash
# Runs a command against a private X display (Xvfb) and a Wine prefix kept for windowed tests.
# Usage: on_display.sh PREFIX COMMAND [ARGS...]
#
# A Wine session started without a display cannot show windows later, so windowed programs get a
# prefix of their own, never shared with the display-less tests. The prefix is made on first use
# by scripts/wine-prefix.sh (64-bit Windows, windows unmanaged since Xvfb runs no window manager).
# DISPLAY and WINEPREFIX are exported to COMMAND; afterwards the prefix's Wine session and the
# display are stopped.
set -euo pipefail
prefix=$1
shift

scratch=$(mktemp -d "${TMPDIR:-/tmp}/radlyn-display.XXXXXX")
xvfb_pid=
cleanup() {
  WINEPREFIX=$prefix wineserver -k 2>/dev/null || true
  if [ -n "$xvfb_pid" ]; then kill "$xvfb_pid" 2>/dev/null || true; fi
  rm -rf "$scratch"
}
trap cleanup EXIT

Xvfb -displayfd 3 -noreset -nolisten tcp -screen 0 1280x1024x24 3>"$scratch/display" \
  >"$scratch/xvfb.log" 2>&1 &
xvfb_pid=$!
for _ in $(seq 100); do
  [ -s "$scratch/display" ] && break
  sleep 0.1
done
if [ ! -s "$scratch/display" ]; then
  echo "on_display.sh: Xvfb did not start:" >&2
  cat "$scratch/xvfb.log" >&2
  exit 1
fi
export DISPLAY=:$(head -n1 "$scratch/display")
export WINEPREFIX=$prefix
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}

"$(dirname "$0")/../../scripts/wine-prefix.sh" "$prefix"
# One wineserver for the whole command, ended by the clean-up: programs started one after another
# never meet a server that is shutting down.
wineserver -p </dev/null >/dev/null 2>&1 || true

"$@"
