#!/usr/bin/env bash
# Who owns Morlund's acquisition window when the real radlyn.exe runs a job on a desktop. hostsim's
# MoModCh shows its window through a slow exposure, owned by the window radlyn hands it, and a
# second program (dialog_driver.exe) looks at it while it stands:
# - parentwnd naming no window: the owner is radlyn's parent dialog (dialog class, "Radlyn"), the
#   only one, empty (zero size, its left edge at half the screen height), so that nothing of it
#   shows on the screen but the one pixel of its X window; it is gone once the job has ended;
# - parentwnd naming the window of another program (dialog_driver.exe client): that window is the
#   owner, no parent dialog is made, and the client's window outlives the job.
# Both jobs succeed, and the owner MC_TakeImage logged is the one seen (as tests/gui/
# owner_window_test.cc checks on Linux).
# Usage, inside on_display.sh: owner_window_test.sh RADLYN_EXE DRIVER_EXE HOSTSIM_EXE
set -uo pipefail
radlyn=$1 driver=$2 hostsim=$3
work=$(mktemp -d "${TMPDIR:-/tmp}/radlyn-owner-window.XXXXXX")
source "$(dirname "$0")/wine_test_lib.sh"
radlyn_pid='' client_pid=''
stop() {
  if [ -n "$1" ] && kill -0 "$1" 2>/dev/null; then
    kill "$1"
    wait "$1" 2>/dev/null
  fi
}
cleanup() {
  stop "$radlyn_pid"
  stop "$client_pid"
  unregister_hostsim
  rm -rf "$work"
}
trap cleanup EXIT
fail() {
  echo "FAIL: $*"
  echo "--- radlyn.exe output:"
  cat "$work/radlyn.out" 2>/dev/null
  exit 1
}
driver() { wine "$driver" "$@" | tr -d '\r'; }
field() { sed -n "s/.* $1=\([^ ]*\).*/\1/p"; }
cr=$'\r'

morlund=$work/morlund data=$work/data
wine "$hostsim" install "$(winpath "$morlund")" >/dev/null || fail "hostsim.exe install failed"
# No newer generation, as on Linux without a session bus.
hide_newer_generation
# Small images; an exposure of eight seconds with the acquisition window standing, time enough
# for the looks from outside on a busy machine.
sed -i 's/^Width=1300$/Width=320/; s/^Height=1700$/Height=240/; s/^DelayMs=0$/DelayMs=8000/;
  s/^Window=0$/Window=1/' "$morlund/hostsim.ini"
mkdir -p "$data"
printf '%s\r\n' '[Logon]' 'ClientName=GuiTest' '[Info]' 'Type=XI' 'Regio=11' '[Patient]' \
  'LastName=Moss' 'Birthdate=19800101' '[Config]' "ImageDataPath=$(winpath "$work/images")\\" \
  >"$data/RADLYN_in.ini"
cd "$work" || exit 1

# job PARENTWND: starts the job and, once the acquisition window stands, keeps the acquisition
# window's line in acquisition.txt, its owner's in owner.txt and the parent dialogs' in
# parents.txt.
job() {
  rm -rf "$data/RADLYN_out.ini" "$work/images"
  : >"$morlund/hostsim-calls.log"
  wine "$radlyn" "datapath=$(winpath "$data")" "parentwnd=$1" >"$work/radlyn.out" 2>&1 &
  radlyn_pid=$!
  # Shown, not only made: Morlund's window exists a moment before it is shown.
  driver shown "Morlund acquisition" 60 >"$work/acquisition.txt" ||
    fail "no acquisition window: $(cat "$work/acquisition.txt")"
  owner=$(field owner <"$work/acquisition.txt")
  driver describe "$owner" >"$work/owner.txt" || fail "the owner is no window: $(cat "$work/owner.txt")"
  driver windows Radlyn 0 | grep '^window=' >"$work/parents.txt"
  for x_window in $(xdotool search --onlyvisible --name '^Radlyn$' 2>/dev/null); do
    xwininfo -id "$x_window" | sed -n 's/^ *-geometry //p'
  done >"$work/drawn.txt"
  [ "$(wc -l <"$work/acquisition.txt")" = 1 ] || fail "acquisition windows: $(cat "$work/acquisition.txt")"
  grep -q ' visible=1 ' "$work/acquisition.txt" || fail "acquisition: $(cat "$work/acquisition.txt")"
  kill -0 "$radlyn_pid" 2>/dev/null || fail "radlyn.exe ended during the exposure"
  for _ in $(seq 300); do
    kill -0 "$radlyn_pid" 2>/dev/null || break
    sleep 0.1
  done
  kill -0 "$radlyn_pid" 2>/dev/null && fail "radlyn.exe still runs 30 s after the exposure"
  wait "$radlyn_pid" || fail "radlyn.exe ended with exit code $?"
  radlyn_pid=
  grep -qxF "ErrorNr=0$cr" "$data/RADLYN_out.ini" || fail "result: $(cat "$data/RADLYN_out.ini")"
  logged=$(sed -n 's/^MC_TakeImage(.*}, 3, \(0x[0-9A-F]*\), 1, 0) = 0 .*/\1/p' "$morlund/hostsim-calls.log")
  [ "$logged" = "$owner" ] || fail "MC_TakeImage got owner '$logged', the window's owner is $owner"
}

# A handle that names no window: radlyn's parent dialog owns the acquisition window.
job 0x7ffffff0
parent=$owner
[ "$(cat "$work/parents.txt")" = "$(cat "$work/owner.txt")" ] ||
  fail "parent dialogs: $(cat "$work/parents.txt"), the owner: $(cat "$work/owner.txt")"
left=$(($(xdotool getdisplaygeometry | cut -d' ' -f2) / 2))
grep -q " class=#32770 .* owner=0x00000000 rect=$left,0,0,0 title=Radlyn\$" "$work/owner.txt" ||
  fail "parent dialog: $(cat "$work/owner.txt")"
# An X window cannot be empty: Wine gives the empty dialog a single pixel.
grep -vxF "1x1+$left+0" "$work/drawn.txt" && fail "the parent dialog is drawn on the screen"
driver describe "$parent" >/dev/null && fail "the parent dialog outlived the job"
echo "no client window: owned by the parent dialog $parent"

# A window of another program: it owns the acquisition window.
wine "$driver" client RadlynTestClient 120 >"$work/client.txt" &
client_pid=$!
for _ in $(seq 300); do
  [ -s "$work/client.txt" ] && break
  sleep 0.1
done
client=$(field window <<<" $(tr -d '\r' <"$work/client.txt")")
[ -n "$client" ] || fail "the client window did not show: $(cat "$work/client.txt")"
job "$client"
[ "$owner" = "$client" ] || fail "acquisition window owned by $owner, not the client's $client"
[ -s "$work/parents.txt" ] && fail "a parent dialog was made: $(cat "$work/parents.txt")"
driver describe "$client" >/dev/null || fail "the client's window went with the job"
echo "client window: owned by $client"
echo "PASS"
