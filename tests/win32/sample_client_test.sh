#!/usr/bin/env bash
# The client guide's sample client under Wine, against radlyn.exe without Morlund. While another
# copy of Radlyn holds the single-instance mutex no job runs: the client must have deleted the
# stale result file of an earlier job and report that no job ran (exit code 2) instead of taking
# that result for this job's. Then it reports the client-initialisation failure (exit code 1),
# after writing a Windows-1252 job file with CR LF line ends and an absolute image folder. No
# display: Radlyn's message boxes about the missing Morlund would wait for a click, and the client
# without a window lets Radlyn make its own owner window.
# Usage: sample_client_test.sh WINE_RUN PREFIX RADLYN_EXE CLIENT_EXE MUTEX_HOLDER_EXE
set -uo pipefail
wine_run=$1 prefix=$2 radlyn=$3 client=$4 holder=$5
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
  run "$client" "$(windows_path "$radlyn")" "$(windows_path "$work/data")" \
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
run_client busy.out
code=$?
[ "$code" = 2 ] || fail "busy Radlyn: exit code $code, not 2"
grep -q "^Radlyn ran no job" busy.out || fail "busy Radlyn: no 'ran no job' report"
[ -e data/RADLYN_out.ini ] && fail "the stale result file is still there"
wait "$holder_pid"
holder_pid=

run_client job.out
code=$?
[ "$code" = 1 ] || fail "without Morlund: exit code $code, not 1"
# Without Morlund the number is the leftover "file not found" of the result file's deletion.
grep -qx 'Radlyn reported error 2 (Parameter error)' job.out || fail "not error 2"
grep -qx "DebugInfo: Error occurred during client initialization; ClientName = SampleClient!" \
  job.out || fail "not the client-initialisation failure"
grep -qx $'LastName=M\xfcller\r' data/RADLYN_in.ini || fail "the job file is not Windows-1252 with CR LF"
grep -qxF "ImageDataPath=$(windows_path "$work/images")$cr" data/RADLYN_in.ini ||
  fail "the image folder is not absolute"
cat job.out
echo "PASS"
