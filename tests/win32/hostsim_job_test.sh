#!/usr/bin/env bash
# radlyn.exe takes a whole 16-bit job on a hostsim installation under Wine: hostsim.exe lays the
# installation out where a 32-bit installer puts it (Program Files (x86) on 64-bit Windows) and
# registers it ("DIR\morlund.exe" /automation) in the registry's 32-bit view, radlyn.exe finds it
# through that value, loads the five modules, exposes, stamps and writes a TIFF that libtiff
# opens; the result file, the event log and the calls log hold what the Linux job tests expect of
# the same job (tests/integration/job_test.cc), in Windows' own paths and handles. Then the
# modules that crash (a fault, a stack overflow, faults on two threads at once, one that replaced
# radlyn's exception filter) end with ErrorNr 99 and a minidump under a name of its own, of which
# the newest five are kept; a module that returns carelessly (direction flag, floating-point
# control, writes past its parameters) leaves a job that succeeds, and a fault in the teardown
# after the result is out leaves its success standing. Then the
# product version stamped by install is the one radlyn reads, and a module lacking an export
# fails the client initialisation without an exposure. Last, files held by another program
# (FILE_HOLDER_EXE opens them as a virus scanner does, without FILE_SHARE_DELETE): a pending
# result held for a few seconds is still published, one replaced during the exposure (a link or
# another file) is withheld, an old result file held through the job means
# no exposure, and an old image held under DelOutImage=1 stays while the job goes on. Then
# radlyn-check.exe (beside RADLYN_EXE) gives its verdicts on the good installation and on broken
# ones, and a job whose event log cannot be written leaves its lines in the debug output (a
# read-only data folder, and its error report, only for an ordinary user: Wine lets root write).
# Usage, inside on_display.sh (the parent dialog that owns the exposure needs a display):
#   hostsim_job_test.sh RADLYN_EXE HOSTSIM_EXE FILE_HOLDER_EXE
set -uo pipefail
radlyn=$1 hostsim=$2 file_holder=$3
work=$(mktemp -d "${TMPDIR:-/tmp}/radlyn-hostsim-job.XXXXXX")
source "$(dirname "$0")/wine_test_lib.sh"
# Morlund in the 32-bit programs' Program Files: "C:\Program Files (x86)" on 64-bit Windows
# (WoW64), a path with blanks and brackets on its way through the registration, the command line
# and the calls log.
program_files=$(wine cmd /c 'echo %ProgramFiles%' | tr -d '\r')
morlund_path="$program_files\\Morlund" # as Windows programs see it
morlund=$WINEPREFIX/drive_c/${program_files#C:\\}/Morlund
morlund=${morlund//\\//}
windows_64=0
grep -qx '#arch=win64' "$WINEPREFIX/system.reg" && windows_64=1
cleanup() {
  chmod -R u+w "$work"
  unregister_hostsim
  rm -rf "$work" "$morlund"
}
trap cleanup EXIT
fail() {
  echo "FAIL: $*"
  exit 1
}
cr=$'\r'
data=$work/data images=$work/images
install() {
  wine "$hostsim" install "$morlund_path" "$@" || fail "hostsim.exe install $* failed"
  # No plug-in server, as in the Linux job tests (whose runs have no bus that offers one).
  hide_newer_generation
  # Small images keep the job quick, as in the Linux job tests.
  sed -i 's/^Width=1300$/Width=320/; s/^Height=1700$/Height=240/' "$morlund/hostsim.ini"
}
# Runs the program file $1 (default radlyn.exe) on the data folder as it is; keeps what it left.
run_job() {
  : >"$morlund/hostsim-calls.log"
  rm -f "$morlund/morlund.log"
  # The program's debug output (OutputDebugString) comes through Wine's debugstr channel.
  WINEDEBUG=-all,+debugstr wine "${1:-$radlyn}" "datapath=$(winpath "$data")" parentwnd=0x1234 \
    2>"$work/debug.txt" || [ "${expect_crash:-0}" = 1 ] || fail "radlyn.exe did not end normally"
  tr -d '\r' <"$data/RADLYN_out.ini" >"$work/result.txt" 2>/dev/null || : >"$work/result.txt"
  tr -d '\r' <"$morlund/morlund.log" | sed 's/^[0-9-]*T[0-9:]* //' >"$work/events.txt"
  cp "$morlund/hostsim-calls.log" "$work/calls.txt"
}
job() {
  rm -rf "$data/RADLYN_out.ini" "$images"
  run_job
}
calls_line() { grep "^$1(" "$work/calls.txt"; }
# The calling conventions the debug output named, "mofiledb:stdcall momodch:cdecl ...".
conventions() {
  sed -n 's/.*RADLYN - \(mo[a-z]*\): \([a-z]*\).*/\1:\2/p' "$work/debug.txt" | tr '\n' ' '
}

# The installation: the same files as on Linux, registered with an argument behind the path.
install
cd "$work"
for file in mofiledb.dll momodch.dll mogrfman.dll moutil.dll mofileio.dll morlund.exe morlund.ini \
  mofiledb.ini morlund.db hostsim.ini hostsim-calls.log; do
  [ -f "$morlund/$file" ] || fail "install left out $file"
done
registered=$(wine reg query "$server_key\\LocalServer32" /ve /reg:32 | tr -d '\r' |
  sed -n 's/.*REG_SZ *//p')
[ "$registered" = "\"$morlund_path\\morlund.exe\" /automation" ] ||
  fail "LocalServer32 is '$registered'"
if [ $windows_64 = 1 ]; then
  [ "$program_files" = 'C:\Program Files (x86)' ] || fail "32-bit Program Files: $program_files"
  wine reg query "$server_key" /reg:64 >/dev/null 2>&1 && fail "hostsim registered in the 64-bit view"
fi

# The job of the Linux job tests: Anna Miller, tooth 36, intraoral, 16 bits.
mkdir -p "$data"
printf '%s\r\n' '[Logon]' 'ClientName=DentalOffice' '[Info]' 'Type=XI' 'Regio=36' 'Doc=Dr. Berger' \
  '[Patient]' 'FirstName=Anna' 'LastName=Miller' 'ID=4711' 'Birthdate=19700305' '[Config]' \
  "ImageDataPath=$(winpath "$images")\\" 'fAssure8Bit=0' >"$data/RADLYN_in.ini"
job
image=$(sed -n 's/^ImageDataPathFile=//p' "$work/result.txt")
name_pattern='^[0-9]{8}_[0-9]{6}\.tif$'
[ "${image%\\*}" = "$(winpath "$images")" ] && [[ "${image##*\\}" =~ $name_pattern ]] ||
  fail "image path '$image': $(cat "$work/result.txt")"
expected_result="[Info]
ErrorNr=0
ErrorMsg=No error
Doc=Dr. Berger
Regio=36
Type=XI
XRayTime=120
TubeVoltage=60
TubeCurrent=7
[Config]
fAutoPostProcessed=0
ImageDataPathFile=$image
[Patient]
FirstName=Anna
LastName=Miller
ID=4711
Birthdate=19700305"
[ "$(cat "$work/result.txt")" = "$expected_result" ] || fail "result file: $(cat "$work/result.txt")"
grep -q "$cr\$" "$data/RADLYN_out.ini" || fail "the result file's lines do not end with CR LF"
[ "$(cat "$work/events.txt")" = "[Info] RADLYN - New X-ray image
[Error] Connect to MORLUND PlugIn Server failed
[Info] RADLYN - End X-ray image" ] || fail "event log: $(cat "$work/events.txt")"

names=$(sed 's/(.*//' "$work/calls.txt" | tr '\n' ' ')
[ "$names" = "FDB_CheckVersion FDB_Open MC_CheckVersion MGM_CheckVersion UTL_CheckVersion \
FIO_CheckVersion MC_TakeImage UTL_GetPrivateProfileIntTakeType UTL_GetPrivateProfileIntTakeType \
UTL_GetLogo UTL_InitMark UTL_SetLogo UTL_SetVersion UTL_GetPrivateProfileIntTakeType MGM_LRMarker \
MGM_SetMark FIO_CreateImageFile FDB_Close " ] || fail "calls: $names"
for expected in 'FDB_CheckVersion(0x00000201, 0) = 1' 'MC_CheckVersion(0x00000102, 0) = 1' \
  'MGM_CheckVersion(0x00000107, 0) = 1' 'UTL_CheckVersion(0x00000109, 0) = 1' \
  'FIO_CheckVersion(0x00000105, 0) = 1' 'FDB_Open() = 0' 'UTL_GetLogo(mark, buffer, 11) = ""' \
  'UTL_SetLogo(mark, "MORLUND") = void' 'UTL_SetVersion(mark, "7.0") = void' \
  "UTL_GetPrivateProfileIntTakeType(\"Take\", \"SetLRLabel\", \"36XI\", 0, \"${morlund_path//\\/\\\\}\\\\mofiledb.ini\") = 1" \
  'FDB_Close() = void was_open=1'; do
  grep -qxF "$expected" "$work/calls.txt" || fail "no call '$expected' in: $(cat "$work/calls.txt")"
done
take=$(calls_line MC_TakeImage)
[[ "$take" == *'{last="Miller" first="Anna" birth=1970-03-05 id="4711" doctor="Dr. Berger"}, 0x'*'{lead="}" type="36XI" '* ]] ||
  fail "MC_TakeImage records: $take"
take_pattern='\}, 3, 0x[0-9A-F]{8}, 1, 0\) = 0 image=320x240x16 '
[[ "$take" =~ $take_pattern ]] || fail "MC_TakeImage: $take"
[[ "$(calls_line MGM_SetMark)" == *' mark="MORLUND 7.0"' ]] || fail "$(calls_line MGM_SetMark)"
create=$(calls_line FIO_CreateImageFile)
[[ "$create" == "FIO_CreateImageFile(\"${image//\\/\\\\}\", {"*'}, 0x00000000, 1, 0, 0) = 0' ]] ||
  fail "FIO_CreateImageFile: $create"

# The image is a TIFF that libtiff reads, with the record and the lookup table in private tags.
image_file=$images/${image##*\\}
tiffinfo "$image_file" >"$work/tiffinfo.txt" 2>"$work/tiffinfo.err" || fail "tiffinfo: $(cat "$work/tiffinfo.err")"
grep -v 'Warning, Unknown field with tag 6500[0-2]' "$work/tiffinfo.err" && fail "libtiff complained"
grep -q 'Image Width: 320 Image Length: 240' "$work/tiffinfo.txt" || fail "$(cat "$work/tiffinfo.txt")"
tiffdump "$image_file" | grep -q '^65000 (0xfde8) UNDEFINED (7) 740<' || fail "no image record tag"
tiffdump "$image_file" | grep -q '^65002 (0xfdea) SHORT (3) 4096<' || fail "no lookup table tag"

[ "$(conventions)" = "mofiledb:stdcall momodch:stdcall mogrfman:stdcall moutil:stdcall mofileio:stdcall " ] ||
  fail "conventions of the stdcall installation: $(conventions)"

# Modules of both conventions, then cdecl only: the same job, each module's convention found at
# its first call.
install --cdecl MoFileDB --cdecl mogrfman --cdecl MoFileIO
job
grep -qx 'ErrorNr=0' "$work/result.txt" || fail "mixed conventions: $(cat "$work/result.txt")"
[ "$(conventions)" = "mofiledb:cdecl momodch:stdcall mogrfman:cdecl moutil:stdcall mofileio:cdecl " ] ||
  fail "conventions of the mixed installation: $(conventions)"
grep -q 'MGM_SetMark(.*mark="MORLUND 7.0"' "$work/calls.txt" || fail "mixed: $(cat "$work/calls.txt")"
install --cdecl all
job
grep -qx 'ErrorNr=0' "$work/result.txt" || fail "cdecl modules: $(cat "$work/result.txt")"
[ "$(conventions)" = "mofiledb:cdecl momodch:cdecl mogrfman:cdecl moutil:cdecl mofileio:cdecl " ] ||
  fail "conventions of the cdecl installation: $(conventions)"

# Modules that fault: the result says so, the event log names the minidump, and the process ends
# without a system dialog. switch SECTION KEY VALUE sets one of hostsim's switches.
switch() { sed -i "/^\[$1\]/,/^\[/ s/^$2=.*\$/$2=$3/" "$morlund/hostsim.ini"; }
temp=$(wine winepath -u "$(wine cmd /c 'echo %TEMP%' | tr -d '\r')" 2>/dev/null | tr -d '\r')
rm -f "$temp"/radlyn-*.dmp
# Five dumps of earlier crashes: the newest five stay, so each of the three crashes below removes
# the oldest of them.
for n in 1 2 3 4 5; do
  : >"$temp/radlyn-2020010$n-000000-1.dmp"
  touch -d "2020-01-0$n" "$temp/radlyn-2020010$n-000000-1.dmp"
done
# crash_job SECTION CODE: the job's result and event log name the exception CODE in the module
# of SECTION, and a minidump of it exists.
crash_job() {
  local module=${1,,}
  expect_crash=1 job
  local text="Unhandled exception $2 in $module.dll during a call into $module"
  grep -qx 'ErrorNr=99' "$work/result.txt" && grep -qxF "DebugInfo=$text" "$work/result.txt" ||
    fail "crash $2 result: $(cat "$work/result.txt")"
  dump=$(grep -F "[Error] $text; crash dump: " "$work/events.txt" | sed 's/.*; crash dump: //')
  [ -n "$dump" ] || fail "crash $2 event log: $(cat "$work/events.txt")"
  dump_file=$(wine winepath -u "$dump" 2>/dev/null | tr -d '\r')
  [[ "${dump##*\\}" =~ ^radlyn-[0-9]{8}-[0-9]{6}-[0-9]+(-[0-9]+)?\.dmp$ ]] || fail "dump name $dump"
  [ "$(head -c 4 "$dump_file" 2>/dev/null)" = MDMP ] && [ "$(stat -c %s "$dump_file")" -gt 1024 ] ||
    fail "no minidump at $dump ($dump_file)"
  echo "crash: $(grep -E '^(ErrorNr|DebugInfo)=' "$work/result.txt" | tr '\n' ' ') / $(stat -c %s "$dump_file") bytes; in it: $(grep -ac hostsim-stack-marker "$dump_file") stack marker(s), $(grep -ac Miller "$dump_file") patient name(s)"
}
install
switch MoModCh Crash 1
crash_job MoModCh 0xC0000005
# A stack overflow: the report does not run on the overflowed stack.
switch MoModCh Crash 2
crash_job MoModCh 0xC00000FD
# Two threads fault at once: the second waits for the first one's report.
switch MoModCh Crash 3
crash_job MoModCh 0xC0000005
# Three dumps under names of their own, and the five newest of all kept.
kept=$(cd "$temp" && ls radlyn-*.dmp | sort | tr '\n' ' ')
[ "$(cd "$temp" && ls radlyn-*.dmp | grep -vc '^radlyn-2020')" = 3 ] &&
  [ "${kept%% *}" = radlyn-20200104-000000-1.dmp ] || fail "dumps kept: $kept"
# A module that puts its own exception filter over radlyn's while it loads: the event log names
# it, and a crash is still reported.
switch MoModCh Crash 1
switch MoModCh OwnFilter 1
crash_job MoModCh 0xC0000005
grep -qxF "[Warning] LoadMorlundLink: momodch.dll had put its own unhandled-exception filter in place; Radlyn's crash report is in place again" \
  "$work/events.txt" || fail "own filter: $(cat "$work/events.txt")"
rm -f "$temp"/radlyn-*.dmp
# A module that returns with the direction flag set, the floating-point control changed, and 32
# words written past its parameters: the job succeeds, and the event log names the module once.
install
switch MoModCh DirectionFlag 1
switch MoModCh FloatControl 1
switch MoModCh WritePastParameters 32
job
grep -qx 'ErrorNr=0' "$work/result.txt" && grep -q '^ImageDataPathFile=' "$work/result.txt" ||
  fail "careless module: $(cat "$work/result.txt") / $(cat "$work/events.txt")"
[ "$(grep -c '^\[Warning\] Module momodch: a call changed the floating-point control' "$work/events.txt")" = 1 ] ||
  fail "careless module, event log: $(cat "$work/events.txt")"
# A fault in the teardown (FDB_Close) after the success is out: the success stands and names it.
install
switch MoFileDB Crash 1
expect_crash=1 job
text='Unhandled exception 0xC0000005 in mofiledb.dll during a call into mofiledb'
grep -qx 'ErrorNr=0' "$work/result.txt" && grep -qxF "DebugInfo=$text" "$work/result.txt" &&
  grep -q '^ImageDataPathFile=' "$work/result.txt" ||
  fail "teardown fault: $(cat "$work/result.txt")"
grep -qF "[Error] $text; crash dump: " "$work/events.txt" ||
  fail "teardown fault, event log: $(cat "$work/events.txt")"
rm -f "$temp"/radlyn-*.dmp

# A version stamped by install is the one radlyn.exe reads from the version resource.
install --version 7.3.0.0
job
grep -qxF 'UTL_SetVersion(mark, "7.3") = void' "$work/calls.txt" || fail "version 7.3: $(cat "$work/calls.txt")"
[ "$(wine "$morlund/morlund.exe" | tr -d '\r')" = "Morlund (hostsim) 7.3.0.0" ] ||
  fail "morlund.exe does not report 7.3.0.0"

# A module lacking an export: the client initialisation fails (no message box), nothing is exposed.
install --lacking FIO_ImportImageFile
job
grep -q '^ErrorNr=[1-9]' "$work/result.txt" || fail "lacking export: $(cat "$work/result.txt")"
grep -qxF 'DebugInfo=Error occurred during client initialization; ClientName = DentalOffice!' \
  "$work/result.txt" || fail "lacking export: $(cat "$work/result.txt")"
grep -q '^MC_TakeImage\|^FIO_CheckVersion' "$work/calls.txt" && fail "calls after the failed load"

# Files under contention. hold PATH HOLD_MS [WAIT_MS]: the holder is ready to catch PATH when it
# returns; held_until_released waits for it to end.
hold() {
  wine "$file_holder" "$(winpath "$1")" "$2" "${3:-0}" >"$work/holder.out" 2>&1 &
  holder_pid=$!
  for _ in $(seq 300); do grep -q waiting "$work/holder.out" && return; sleep 0.1; done
  fail "the file holder did not start: $(cat "$work/holder.out")"
}
held_until_released() {
  wait "$holder_pid"
  grep -q released "$work/holder.out" || fail "the file was not held: $(cat "$work/holder.out")"
}
install

# The pending result, held from its creation for 3 s (less than the 5.5 s bound): the result is
# published all the same, with this job's image.
rm -rf "$data/RADLYN_out.ini" "$images"
hold "$data/RADLYN_out.ini.tmp" 3000 60000
run_job
held_until_released
image=$(sed -n 's/^ImageDataPathFile=//p' "$work/result.txt")
grep -qx 'ErrorNr=0' "$work/result.txt" && [ -f "$images/${image##*\\}" ] ||
  fail "held pending result: $(cat "$work/result.txt") / $(cat "$work/events.txt")"
[ -e "$data/RADLYN_out.ini.tmp" ] && fail "the pending result was left behind"
grep -q "Couldn't" "$work/events.txt" && fail "held pending result: $(cat "$work/events.txt")"

# Something put in the pending result's place during the exposure by someone who may write the
# data folder (a link, or another file; Windows programs cannot, as the file is open without
# shared deletion, but a Linux process next to Wine can): the result is withheld, nothing is
# written where the link leads, and the event log says what stood at the name.
victim=$(printf '[Info]\r\nKeep=this\r\n')
for planted in link file; do
  rm -rf "$data/RADLYN_out.ini" "$images"
  printf '%s' "$victim" >"$work/victim.ini"
  sed -i 's/^DelayMs=0$/DelayMs=4000/' "$morlund/hostsim.ini"
  run_job &
  job_pid=$!
  for _ in $(seq 300); do
    grep -q ErrorNr=0 "$data/RADLYN_out.ini.tmp" 2>/dev/null && break
    sleep 0.1
  done
  rm -f "$data/RADLYN_out.ini.tmp"
  if [ $planted = link ]; then
    ln -s "$work/victim.ini" "$data/RADLYN_out.ini.tmp"
  else
    printf '[Info]\r\nErrorNr=0\r\n' >"$data/RADLYN_out.ini.tmp"
  fi
  wait "$job_pid" || fail "planted $planted: radlyn.exe did not end normally"
  sed -i 's/^DelayMs=4000$/DelayMs=0/' "$morlund/hostsim.ini"
  [ -e "$data/RADLYN_out.ini" ] && fail "planted $planted: published $(cat "$data/RADLYN_out.ini")"
  [ "$(cat "$work/victim.ini")" = "$victim" ] || fail "written through the planted link"
  calls_line MC_TakeImage >/dev/null || fail "planted $planted: no exposure was taken"
  grep -q "^\[Error\] Couldn't write the result file: .*stands at that name)$" "$work/events.txt" ||
    fail "planted $planted, event log: $(cat "$work/events.txt")"
  # Left for the next job to remove by name; Wine 8 would delete a Linux link's target instead.
  rm -f "$data/RADLYN_out.ini.tmp"
done

# An old result file held through the whole job against deleting, not writing: no exposure, no
# image, one event-log line, and the old file says this job's failure instead of its success.
rm -rf "$images"
printf '[Info]\r\nErrorNr=0\r\n[Config]\r\nImageDataPathFile=C:\\previous-patient.tif\r\n' \
  >"$data/RADLYN_out.ini"
hold "$data/RADLYN_out.ini" 12000
run_job
held_until_released
data_folder=$(winpath "$data")  # as the command line hands it over: lowered
cause="Couldn't delete the old result file: '${data_folder,,}\\RADLYN_out.ini' (error 32); no X-ray image was taken"
tr -d '\r' <"$data/RADLYN_out.ini" | grep -qx 'ErrorNr=8' &&
  tr -d '\r' <"$data/RADLYN_out.ini" | grep -qxF "DebugInfo=$cause" ||
  fail "the held old result still reads: $(cat "$data/RADLYN_out.ini")"
[ -e "$data/RADLYN_out.ini.tmp" ] && fail "a pending result was written"
[ -e "$images" ] && fail "an output folder was made"
[ -s "$work/calls.txt" ] && fail "Morlund was called: $(cat "$work/calls.txt")"
[ "$(cat "$work/events.txt")" = "[Error] $cause; the file now reports this failure" ] ||
  fail "held old result, event log: $(cat "$work/events.txt")"

# A read-only old result (the ordinary user's Wine keeps the attribute) is made writable and
# deleted: the job runs.
printf '[Info]\r\nErrorNr=0\r\n' >"$data/RADLYN_out.ini"
chmod a-w "$data/RADLYN_out.ini"
run_job
grep -qx 'ErrorNr=0' "$work/result.txt" && grep -q '^ImageDataPathFile=' "$work/result.txt" ||
  fail "read-only old result: $(cat "$work/result.txt") / $(cat "$work/events.txt")"
rm -rf "$images"

# An old image held under DelOutImage=1 (Radlyn.ini beside a copy of radlyn.exe): its delete is
# retried through the bound and then fails as any failed delete does; the job goes on.
rm -f "$data/RADLYN_out.ini"
mkdir -p "$work/bin" "$images"
cp "$radlyn" "$work/bin/radlyn.exe"
printf '[Config]\r\nDelOutImage=1\r\n' >"$work/bin/Radlyn.ini"
printf 'old' >"$images/old.bmp"
hold "$images/old.bmp" 12000
started=$(date +%s)
run_job "$work/bin/radlyn.exe"
took=$(($(date +%s) - started))
held_until_released
image=$(sed -n 's/^ImageDataPathFile=//p' "$work/result.txt")
grep -qx 'ErrorNr=0' "$work/result.txt" && [ -f "$images/${image##*\\}" ] ||
  fail "held old image: $(cat "$work/result.txt")"
[ -f "$images/old.bmp" ] || fail "the held old image is gone"
[ "$took" -ge 5 ] || fail "the held old image's delete was not retried (the job took ${took} s)"

# An output folder on a share that cannot be reached: 13 before the exposure, not the free space
# of another volume.
cp "$data/RADLYN_in.ini" "$work/job.ini"
sed -i 's/^ImageDataPath=.*$/ImageDataPath=\\\\nosuchserver\\share\\xray\\\r/' "$data/RADLYN_in.ini"
job
grep -qx 'ErrorNr=13' "$work/result.txt" || fail "unreachable share: $(cat "$work/result.txt")"
calls_line MC_TakeImage && fail "an exposure was taken for an unreachable share"
cp "$work/job.ini" "$data/RADLYN_in.ini"

# The support checker. check CODE [WINEDLLOVERRIDES]: runs it on the data folder, expecting the
# exit code; the report is both printed and written.
checker=$(dirname "$radlyn")/radlyn-check.exe
check() {
  local code=0
  rm -f "$work/check.txt" # a report goes to a new file only
  WINEDLLOVERRIDES=${2:-$WINEDLLOVERRIDES} wine "$checker" "datapath=$(winpath "$data")" \
    "report=$(winpath "$work/check.txt")" >"$work/check.out" || code=$?
  [ "$code" = "$1" ] || fail "radlyn-check ended with $code: $(cat "$work/check.out")"
  cmp -s <(tr -d '\r' <"$work/check.txt") <(tr -d '\r' <"$work/check.out" | sed '$d') ||
    fail "the report file is not what was printed"
}
verdict() { grep -qxF "$1" <(tr -d '\r' <"$work/check.txt") || fail "no '$1' in: $(cat "$work/check.txt")"; }
rm -f "$data/RADLYN_out.ini"
install
check 0
verdict "OK   Morlund folder: $morlund_path\ (from the registration)"
for module in mofiledb momodch mogrfman moutil mofileio; do
  verdict "OK   Module $module.dll: loaded, exports present, version accepted, calling convention stdcall"
done
verdict 'OK   Morlund version: 7.0.0.0'
# The data folder as radlyn.exe takes it: its parameters lowered.
data_as_taken=$(winpath "$data" | tr '[:upper:]' '[:lower:]')
verdict "OK   Data folder: $data_as_taken\ is writable"
verdict "OK   Event log: $morlund_path\morlund.log is writable"
verdict "INFO Morlund registration, 32-bit view: \"$morlund_path\\morlund.exe\" /automation"
[ $windows_64 = 1 ] && verdict 'INFO Morlund registration, 64-bit view: none'
install --cdecl MoGrfMan
check 0
verdict 'OK   Module mogrfman.dll: loaded, exports present, version accepted, calling convention cdecl'
rm "$morlund/mogrfman.dll"
check 1
verdict "     $morlund_path\mogrfman.dll is missing -- repair Morlund's installation"
install
check 0 mscoree,mshtml,msxml4,msxml6=
verdict 'INFO XML parser Msxml2.DOMDocument.6.0: not present'
verdict "WARN XML parser: none can be created -- repair Windows' MSXML 6.0 (or install MSXML 4.0): without it the images miss Morlund's automatic filters"
unregister_hostsim
check 1
grep -q '^     none (no registration' "$work/check.txt" || fail "no registration: $(cat "$work/check.txt")"
install
# Windows' own parts of what the checker reads (the shared verdicts are the integration suite's
# CheckerTest): the copy of Radlyn.ini that file virtualization shows radlyn.exe instead of the
# one beside it, the report on the desktop under a fresh name when none is named, and who else
# may write the data folder (Wine keeps no access lists: it answers none, or grants nothing).
local_app_data=$(wine cmd /c 'echo %LOCALAPPDATA%' | tr -d '\r')
program_folder=$(winpath "$(dirname "$radlyn")")
below_drive=${program_folder:3}
store=$(winepath -u "$local_app_data\\VirtualStore\\$below_drive")
mkdir -p "$store"
printf '[Config]\r\nSimu=1\r\n' >"$store/Radlyn.ini"
check 1
copy="$local_app_data\\VirtualStore\\$below_drive\\Radlyn.ini" beside="$program_folder\\Radlyn.ini"
verdict "WARN Settings file: $copy is the copy Windows shows radlyn.exe instead of $beside -- make changes in that copy, or delete it so that $beside counts"
verdict "FAIL Simulation: Radlyn is in demonstration mode: jobs would file the demonstration image under real patients instead of taking an X-ray."
rm -r "$store"
WINEDLLOVERRIDES=$WINEDLLOVERRIDES wine "$checker" "datapath=$(winpath "$data")" >"$work/check.out" ||
  fail "radlyn-check without report=: $(cat "$work/check.out")"
desktop_report=$(tr -d '\r' <"$work/check.out" | sed -n 's/^Report written to //p')
case "$desktop_report" in
*\\Desktop\\radlyn-check-*.txt) rm -f "$(winepath -u "$desktop_report")" ;;
*) fail "no report on the desktop: $(cat "$work/check.out")" ;;
esac
grep -q '^WARN Data folder access' <(tr -d '\r' <"$work/check.out") &&
  fail "Wine granted others write access: $(cat "$work/check.out")"

# An upgrade that waits for a restart: Windows Installer registered a newer version than the
# program file, and radlyn.exe is to be replaced at the next restart.
uninstall='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\{7D1C0E52-3A43-4C61-9E7A-1F2B0C5D8E11}'
session='HKLM\System\CurrentControlSet\Control\Session Manager'
wine reg add "$uninstall" /v DisplayName /d Radlyn /f >/dev/null 2>&1
wine reg add "$uninstall" /v DisplayVersion /d 1.0.0.9 /f >/dev/null 2>&1
radlyn_path="$program_folder\\radlyn.exe"
wine reg add "$session" /v PendingFileRenameOperations /t REG_MULTI_SZ /d "\\??\\$radlyn_path.new\\0\\??\\$radlyn_path" /f >/dev/null 2>&1
check 0
verdict "WARN Radlyn version: Windows Installer registered 1.0.0.9, the program file is $(tr -d '\r' <"$work/check.txt" | sed -n 's/^INFO Radlyn program: .*, version //p') -- the upgrade is pending: restart Windows, then run this check again"
verdict "WARN Radlyn version: $radlyn_path is replaced at the next restart of Windows -- restart Windows before the next job"
wine reg delete "$uninstall" /f >/dev/null 2>&1
wine reg delete "$session" /v PendingFileRenameOperations /f >/dev/null 2>&1

ordinary_user=0
[ "$(id -u)" != 0 ] && ordinary_user=1
if [ $ordinary_user = 1 ]; then
  # A read-only output folder and event log, then a read-only data folder.
  mkdir -p "$images"
  touch "$morlund/morlund.log"
  chmod a-w "$images" "$morlund/morlund.log"
  check 1
  verdict "     $(winpath "$images")\ is not writable by this user -- grant write access to it for this user"
  verdict "WARN Event log: $morlund_path\morlund.log is not writable by this user -- grant write access to it for this user; until then Radlyn's lines go to the debug output"
  chmod u+w "$images" "$morlund/morlund.log"
  # An output folder still to be made, in a folder this user may not write.
  mkdir "$work/locked"
  chmod a-w "$work/locked"
  cp "$data/RADLYN_in.ini" "$work/job.ini"
  unmade="$(winpath "$work/locked")\\images\\"
  sed -i "s|^ImageDataPath=.*\$|ImageDataPath=${unmade//\\/\\\\}\r|" "$data/RADLYN_in.ini"
  check 1
  verdict "     $unmade does not exist and cannot be created in $(winpath "$work/locked")\ -- grant write access to it for this user"
  cp "$work/job.ini" "$data/RADLYN_in.ini"
  chmod a-w "$data"
  check 1
  verdict "     $data_as_taken\ is not writable by this user -- grant write access to it for this user"
fi

# No failure without a trace: the event log cannot be written (a folder in its place stops
# root too), so its lines go to the debug output.
rm -f "$morlund/morlund.log"
mkdir "$morlund/morlund.log"
WINEDEBUG=+debugstr wine "$radlyn" "datapath=$(winpath "$data")" parentwnd=0x1234 2>"$work/debug.txt"
# An ordinary user's job fails on the read-only data folder; root's runs.
expected='[Info] RADLYN - New X-ray image'
[ $ordinary_user = 1 ] && expected="[Error] Couldn't write the result file: '"
grep -F "Radlyn morlund.log unwritable: " "$work/debug.txt" | grep -qF "$expected" ||
  fail "no '$expected' line in the debug output: $(grep -a Radlyn "$work/debug.txt")"
[ $ordinary_user = 1 ] && chmod u+w "$data"
rmdir "$morlund/morlund.log"
echo "PASS"
