#!/usr/bin/env bash
# The module-loading message boxes of the real radlyn.exe on a desktop, confirmed one at a time by
# a second program (dialog_driver.exe). Each box is an error box without owner, titled with the
# system's default "Error", with the module's text and a single OK button; while it stands it is
# the only box, nothing has been reported and loading goes no further. Then the client
# initialisation fails as on Linux (tests/integration/job_failures_test.cc):
# - no Morlund installation (nothing registered, no C:\MORLUND): four boxes, MoFileDB, MoModCh,
#   MoGrfMan and MoUtil, in load order, and ErrorNr 2;
# - an installation without MoGrfMan: its one box, after which the remaining modules are version-
#   tested and all released again, and ErrorNr 126;
# - a configuration database that cannot be opened with MoUtil rejecting its version: two boxes;
#   a Morlund older than 7.0: the too-old box from the program's string table; ErrorNr 2 each.
# Usage, inside on_display.sh: module_message_boxes_test.sh RADLYN_EXE DRIVER_EXE HOSTSIM_EXE
set -uo pipefail
radlyn=$1 driver=$2 hostsim=$3
work=$(mktemp -d "${TMPDIR:-/tmp}/radlyn-message-boxes.XXXXXX")
source "$(dirname "$0")/wine_test_lib.sh"
radlyn_pid=
cleanup() {
  if [ -n "$radlyn_pid" ] && kill -0 "$radlyn_pid" 2>/dev/null; then
    kill "$radlyn_pid"
    wait "$radlyn_pid" 2>/dev/null
  fi
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
install() {
  wine "$hostsim" install "$(winpath "$morlund")" "$@" >/dev/null || fail "hostsim.exe install failed"
  # No newer generation, as on Linux without a session bus.
  hide_newer_generation
}

data=$work/data morlund=$work/morlund
result=$data/RADLYN_out.ini
mkdir -p "$data"
printf '[Logon]\r\nClientName=Dental\r\n' >"$data/RADLYN_in.ini"
cd "$work" || exit 1

# job EXPECTED_ERROR MESSAGE...: runs the job and confirms one box per MESSAGE, in order. A box
# more keeps radlyn.exe waiting, so the job does not end.
job() {
  local expected_error=$1
  shift
  rm -f "$result"
  wine "$radlyn" "datapath=$(winpath "$data")" parentwnd=0x1234 >"$work/radlyn.out" 2>&1 &
  radlyn_pid=$!
  for message in "$@"; do
    driver read Error 30 >"$work/box.txt" || fail "no box \"$message\": $(cat "$work/box.txt")"
    for line in "title=Error" "owner=0x00000000" "control=-1 Static $message" "control=1 Button OK"; do
      grep -qxF "$line" "$work/box.txt" || fail "box \"$message\" lacks \"$line\": $(cat "$work/box.txt")"
    done
    [ "$(grep -c ' Button ' "$work/box.txt")" = 1 ] || fail "more than one button: $(cat "$work/box.txt")"
    [ "$(driver windows Error 0 | grep -c ' visible=1 ')" = 1 ] || fail "another box beside \"$message\""
    [ -e "$result" ] && fail "a result was written while \"$message\" stood"
    kill -0 "$radlyn_pid" 2>/dev/null || fail "radlyn.exe ended while \"$message\" stood"
    [ -n "${on_box:-}" ] && "$on_box" "$message"
    driver close Error 20 || fail "box \"$message\" did not end by its OK button"
  done
  for _ in $(seq 200); do
    kill -0 "$radlyn_pid" 2>/dev/null || break
    sleep 0.1
  done
  if kill -0 "$radlyn_pid" 2>/dev/null; then
    fail "radlyn.exe still runs after $# boxes: $(driver read Error 0)"
  fi
  wait "$radlyn_pid" || fail "radlyn.exe ended with exit code $?"
  radlyn_pid=
  tr -d '\r' <"$result" >"$work/result.txt" 2>/dev/null
  grep -qxF "ErrorNr=$expected_error" "$work/result.txt" || fail "result: $(cat "$work/result.txt")"
  grep -qxF 'DebugInfo=Error occurred during client initialization; ClientName = Dental!' \
    "$work/result.txt" || fail "result: $(cat "$work/result.txt")"
}

# No Morlund installation at all.
wine reg delete "$server_key" /f >/dev/null 2>&1
[ -e "$WINEPREFIX/drive_c/MORLUND/morlund.exe" ] && fail "the prefix holds a C:\\MORLUND installation"
job 2 "MoFileDB.dll not found" "MoModCh.dll not found" "MoGrfMan.dll not found" \
  "MoUtil.dll not found"
echo "no installation: four boxes, ErrorNr 2"

# An installation without MoGrfMan: the modules after it are loaded only once the box is
# confirmed.
install --without MoGrfMan
: >"$morlund/hostsim-calls.log"
no_later_module() {
  grep -q '^UTL_\|^FIO_' "$morlund/hostsim-calls.log" && fail "loading went on while \"$1\" stood"
  return 0
}
on_box=no_later_module job 126 "MoGrfMan.dll not found"
names=$(sed 's/(.*//' "$morlund/hostsim-calls.log" | tr '\n' ' ')
[ "$names" = "FDB_CheckVersion FDB_Open MC_CheckVersion UTL_CheckVersion FIO_CheckVersion FDB_Close " ] ||
  fail "calls: $names"
echo "installation without MoGrfMan: one box, ErrorNr 126"

# The other boxes of loading: a configuration database that cannot be opened and a module that
# rejects its version in one run, then a Morlund older than 7.0.
install
sed -i 's/^OpenStatus=0$/OpenStatus=3/; /^\[MoUtil\]/,/^\[/ s/^RejectVersion=0$/RejectVersion=1/' \
  "$morlund/hostsim.ini"
job 2 "Morlund x-ray configuration database cannot be opened" "Wrong version of MoUtil.dll"
install --version 6.9.9.9
job 2 "Error: The detected version of MORLUND is too old. Requested version: 7.0"
echo "database, version and too-old boxes: ErrorNr 2"
echo "PASS"
