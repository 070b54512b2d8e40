#!/usr/bin/env bash
# radlyn.exe under Wine without Morlund: a job gives the client-initialisation error in a result
# file in Windows-1252 with CR LF line ends and an event-log line, and loads none of the
# libraries planted under the modules' names in the data folder and the current folder; a second
# copy started while the first holds the single-instance mutex ends at once and writes nothing.
# Usage: startup_test.sh WINE_RUN PREFIX RADLYN_EXE MUTEX_HOLDER_EXE PLANTED_DLL
set -uo pipefail
wine_run=$1 prefix=$2 radlyn=$3 holder=$4 planted=$5
work=$(mktemp -d "${TMPDIR:-/tmp}/radlyn-startup.XXXXXX")
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; exit 1; }
run() { "$wine_run" "$prefix" "$@"; }
cr=$'\r'

mkdir -p "$work/data"
# A job in Windows-1252 ("Müller") with CR LF line ends.
printf '[Logon]\r\nClientName=Practice\r\n[Patient]\r\nLastName=M\xfcller\r\nBirthdate=19700305\r\n' \
  >"$work/data/RADLYN_in.ini"
for module in mofiledb momodch mogrfman moutil mofileio; do
  cp "$planted" "$work/data/$module.dll"
  cp "$planted" "$work/$module.dll"
done
cd "$work"
run "$radlyn" "datapath=Z:${work//\//\\}\\data" || fail "radlyn.exe did not end normally"
loaded=$(cd "$work" && ls ./*.loaded data/*.loaded 2>/dev/null)
[ -z "$loaded" ] || fail "planted libraries were loaded: $loaded"

result=$work/data/RADLYN_out.ini
[ -f "$result" ] || fail "no result file"
head -n1 "$result" | grep -qx "\[Info\]$cr" || fail "the result file does not start with [Info] and CR LF"
grep -v "$cr\$" "$result" && fail "a result-file line without CR LF"
error=$(sed -n "s/^ErrorNr=\([0-9-]*\)$cr\$/\1/p" "$result")
[ -n "$error" ] && [ "$error" != 0 ] || fail "ErrorNr is '$error', not a failure"
grep -qx "DebugInfo=Error occurred during client initialization; ClientName = Practice!$cr" \
  "$result" || fail "the client-initialisation text is missing: $(cat "$result")"
# Without Morlund the event log is "morlund.log" in the current folder.
grep -q "\[Info\] Error in RADLYN: ErrorNr=$error;" "$work/morlund.log" ||
  fail "no event-log line for the error"

# A second copy while the first holds the mutex: nothing is written, the old result stays.
printf 'earlier result\r\n' >"$result"
run "$holder" "{C2772E85-0A11-4be6-A134-2B2421B164B9}" 6000 >"$work/holder.out" &
holder_pid=$!
for _ in $(seq 200); do grep -q held "$work/holder.out" 2>/dev/null && break; sleep 0.1; done
grep -q held "$work/holder.out" || fail "the mutex holder did not start"
run "$radlyn" "datapath=Z:${work//\//\\}\\data" || fail "the second copy did not end normally"

wait "$holder_pid" 2>/dev/null
[ "$(cat "$result")" = "earlier result$cr" ] || fail "the second copy touched the result file"
echo "PASS"
