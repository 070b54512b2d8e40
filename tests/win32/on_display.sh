#!/usr/bin/env bash
# Runs a command against a private X display (Xvfb) and a Wine prefix kept for windowed tests.
# Usage: on_display.sh PREFIX COMMAND [ARGS...]
#
# A Wine session started without a display cannot show windows later, so windowed programs get a
# prefix of their own, never shared with the display-less tests. The prefix is created on first
# use with Wine drawing the window frames itself (caption, icon, close box) and leaving the windows
# unmanaged, since Xvfb runs no window manager: screenshots then show whole dialogs, and hiding a
# window does not wait for a manager that never answers. DISPLAY and WINEPREFIX are exported to
# COMMAND; afterwards the prefix's Wine session and the display are stopped.
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

mkdir -p "$(dirname "$prefix")"
if ! grep -qs '"Managed"="N"' "$prefix/user.reg"; then
  wineboot --init >/dev/null 2>&1 || true
  for value in Decorated Managed; do
    wine reg add 'HKCU\Software\Wine\X11 Driver' /v "$value" /d N /f >/dev/null
  done
  wineserver --wait || true  # the registry reaches user.reg when the session ends
fi

"$@"
