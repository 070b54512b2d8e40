#!/usr/bin/env bash
# The client guide's sample client under Wine, against radlyn.exe without Morlund. While another
# copy of Radlyn holds the single-instance mutex no job runs: the client must have deleted the
# stale result file of an earlier job and report that no job ran (exit code 2) instead of taking
# that result for this job's. Where the old result cannot be removed (a data folder this user may
# not change) it starts no Radlyn and names both possible causes. Then it reports the client-initialisation failure (exit code 1),
# after writing a Windows-1252 job file with CR LF line ends and an absolute image folder. No
# display: Radlyn's message boxes about the missing Morlund would wait for a click, and the client
# without a window lets Radlyn make its own owner window. The data folder's parent is missing: the
# client creates every level.
# Then the client guide's Windows rehearsal, its commands taken from the guide and run as written
# on a private display: the Wine commands in a prefix kept in the build folder, and the Windows
# test PC's commands through cmd in the same prefix. They install hostsim.exe, run a job with the
# client through Orbel, and unregister the installation.
# Usage: sample_client_test.sh WINE_RUN PREFIX RADLYN_EXE CLIENT_EXE MUTEX_HOLDER_EXE
#          [SOURCE_DIR WIN32_BUILD_DIR]
set -uo pipefail
export LC_ALL=C  # the client prints Windows-1252 names
wine_run=$1 prefix=$2 radlyn=$3 client=$4 holder=$5 source=${6:-} build=${7:-}
work=$(mktemp -d "${TMPDIR:-/tmp}/radlyn-sample.XXXXXX")
holder_pid=
finish() {
  [ -n "$holder_pid" ] && wait "$holder_pid" 2>/dev/null
  rm -rf "$work"
}
trap finish EXIT
fail() {
  echo "FAIL: $*"
  cat "$work"/*.out 2>/dev/null
  exit 1
}
run() { "$wine_run" "$prefix" "$@"; }
windows_path() { printf 'Z:%s' "${1//\//\\}"; }
cr=$'\r'

cd "$work"
mkdir -p data
run_client() {
  run "$client" "$(windows_path "$radlyn")" "$(windows_path "$work/$2")" \
    "$(windows_path "$work/images")" "$(windows_path "$work/archive")" | tr -d '\r' >"$1"
  return "${PIPESTATUS[0]}"
}

# An earlier job's result, naming an image that belongs to another patient.
printf '[Info]\r\nErrorNr=0\r\nErrorMsg=No error\r\n[Config]\r\nImageDataPathFile=old.tif\r\n' \
  >data/RADLYN_out.ini
run "$holder" "{C2772E85-0A11-4be6-A134-2B2421B164B9}" 5000 >holder.out &
holder_pid=$!
for _ in $(seq 200); do grep -q held holder.out 2>/dev/null && break; sleep 0.1; done
grep -q held holder.out || fail "the mutex holder did not start"
run_client busy.out data
code=$?
[ "$code" = 2 ] || fail "busy Radlyn: exit code $code, not 2"
grep -q "^Radlyn ran no job" busy.out || fail "busy Radlyn: no 'ran no job' report"
[ -e data/RADLYN_out.ini ] && fail "the stale result file is still there"
wait "$holder_pid"
holder_pid=

# A data folder this user may not change: the old result stays, so the client names both causes
# and starts no Radlyn.
mkdir -p locked && touch locked/RADLYN_out.ini && chmod 555 locked
run_client locked.out locked
code=$?
chmod 755 locked
[ "$code" = 3 ] && ! grep -q "^client: .*datapath=" locked.out &&
  grep -q "another Radlyn may still be working.*this user may not change files in the data folder" \
    locked.out || fail "unremovable result: exit code $code, Radlyn started or a cause unnamed"

run_client job.out practice/xray
code=$?
[ "$code" = 1 ] || fail "without Morlund: exit code $code, not 1"
# Without Morlund the number is the leftover "file not found" of the result file's deletion.
grep -qx 'Radlyn reported error 2 (Parameter error)' job.out || fail "not error 2"
grep -qx "DebugInfo: Error occurred during client initialization; ClientName = SampleClient!" \
  job.out || fail "not the client-initialisation failure"
job_file=practice/xray/RADLYN_in.ini
grep -qx $'LastName=M\xfcller\r' $job_file || fail "the job file is not Windows-1252 with CR LF"
grep -qxF "ImageDataPath=$(windows_path "$work/images")$cr" $job_file ||
  fail "the image folder is not absolute"
cat job.out
[ -n "$build" ] || {
  echo "PASS"
  exit 0
}

# The guide's rehearsal section: its sh blocks in one script, its bat blocks in one batch file
# that stops at the first failing command.
awk '/^## Rehearsing on Windows/ { on = 1; next } on && /^## / { exit }
     on && /^ *```sh$/ { out = "rehearsal.sh"; next } on && /^ *```bat$/ { out = "rehearsal.bat"; next }
     on && /^ *```$/ { out = ""; next }
     out == "rehearsal.sh" { print > out }
     out == "rehearsal.bat" { sub(/^ +/, ""); printf "%s\r\n@if errorlevel 1 exit /b 1\r\n", $0 > out }' \
  "$source/docs/client-guide.md"
[ -s rehearsal.sh ] && [ -s rehearsal.bat ] || fail "no rehearsal commands in the client guide"
mkdir -p rehearsal/build rehearsal/out
ln -s "$build" rehearsal/build/win32
ln -s "$source/scripts" "$source/tests" rehearsal/
mkdir -p "$build/wineprefix-rehearsal"
ln -s "$build/wineprefix-rehearsal" rehearsal/out/rehearsal
rehearsal_c=$build/wineprefix-rehearsal/drive_c
rm -rf "$rehearsal_c/RadlynTest" "$rehearsal_c/RehearsalMorlund" \
  "$rehearsal_c"/users/*/AppData/Local/RadlynRehearsal
(
  cd rehearsal &&
    bash "$source/tests/win32/on_display.sh" "$PWD/out/rehearsal" bash -c '
      bash -e ../rehearsal.sh >../wine.out 2>&1 || exit 1
      cp ../rehearsal.bat "$WINEPREFIX/drive_c/rehearsal.bat"
      scripts/wine-run.sh "$WINEPREFIX" cmd /c "C:\rehearsal.bat" >../windows.out 2>&1 || exit 2
      scripts/wine-run.sh "$WINEPREFIX" reg query "HKCR\MORLUNDNG.PluginServer" >/dev/null 2>&1 &&
        exit 3
      exit 0'
)
code=$?
cat wine.out windows.out 2>/dev/null | tr -d '\r'
case $code in
  0) ;;
  1) fail "the guide's Wine commands failed" ;;
  2) fail "the guide's Windows commands failed" ;;
  3) fail "the guide's Windows commands left hostsim registered" ;;
  *) fail "the rehearsal ended with $code" ;;
esac
for out in wine.out windows.out; do
  grep -qi "^Image of .* (4711), tooth 36 XI: C:.users.[^\\]*.AppData.Local.RadlynRehearsal.Archive.[0-9_]*\.tif" $out ||
    fail "$out: the sample client archived no image"
  grep -q "Connect to MORLUND PlugIn Server failed" $out && fail "$out: no plug-in server"
done
grep -q "^ErrorNr=0" wine.out || fail "the rehearsal's result file is no success"
grep -q 'Orbel("-check"' "$rehearsal_c/RehearsalMorlund/hostsim-calls.log" || fail "Orbel processed nothing"
echo "PASS"
