#!/usr/bin/env bash
# Makes the Wine prefix PREFIX_DIR for Radlyn's Windows programs unless it exists already.
# Usage: scripts/wine-prefix.sh PREFIX_DIR
#
# The prefix is a 64-bit Windows 10, as practices run: radlyn.exe, hostsim and Morlund's modules
# are 32-bit programs there, under WoW64 (the registry's 32-bit view, Program Files (x86),
# SysWOW64). RADLYN_WINEARCH=win32 makes a 32-bit Windows instead. An existing prefix of the
# other kind is refused, not replaced: it may hold someone's installation.
# Its X11 driver leaves the windows unmanaged, since Xvfb runs no window manager: hiding a window
# then does not wait 2 s for a manager that never answers, and Wine draws the frames itself
# (caption, icon, close box), so screenshots show whole dialogs.
# Creation runs under a lock, so parallel tests wait for one creation. A prefix that belongs to
# another user is refused with the way out (Wine runs only in prefixes of the user's own).
set -euo pipefail
prefix=$(realpath -m -- "$1") # Wine accepts only an absolute WINEPREFIX
arch=${RADLYN_WINEARCH:-win64}
case $arch in win32 | win64) ;; *)
  echo "wine-prefix.sh: RADLYN_WINEARCH is '$arch', not win32 or win64" >&2
  exit 2
  ;;
esac

check_prefix() {
  local owner
  owner=$(stat -c %U -- "$prefix")
  if [ "$(stat -c %u -- "$prefix")" != "$(id -u)" ]; then
    echo "wine-prefix.sh: $prefix belongs to $owner: run the Windows build, its tests and" \
      "programs as $owner (runuser -u $owner -- COMMAND; scripts/test.sh does so) or remove it" >&2
    exit 2
  fi
  if ! grep -qx "#arch=$arch" "$prefix/system.reg"; then
    echo "wine-prefix.sh: $prefix is not a $arch prefix" \
      "($(grep -m1 '^#arch=' "$prefix/system.reg"))." \
      "Remove it to have it made anew, or set RADLYN_WINEARCH to its kind" >&2
    exit 2
  fi
}

if [ -f "$prefix/system.reg" ]; then
  check_prefix
  exit 0
fi

mkdir -p "$(dirname "$prefix")"
exec 9>"$prefix.lock"
flock 9
if [ ! -f "$prefix/system.reg" ]; then
  export WINEPREFIX=$prefix WINEARCH=$arch
  export WINEDEBUG=${WINEDEBUG:--all}
  # Every library registered as Windows has it: a test's switches (a parser switched off, say)
  # count only when that test runs.
  export WINEDLLOVERRIDES=mscoree,mshtml=
  wineboot --init >/dev/null 2>&1 || true
  for value in Decorated Managed; do
    wine reg add 'HKCU\Software\Wine\X11 Driver' /v "$value" /d N /f >/dev/null 2>&1
  done
  # The Windows version practices run (Wine 8 makes its prefixes Windows 7).
  wine reg add 'HKCU\Software\Wine' /v Version /d win10 /f >/dev/null 2>&1
  wineserver --wait || true # the registry reaches the prefix's files when the session ends
fi
check_prefix
