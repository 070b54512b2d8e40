#!/usr/bin/env bash
# The newer Morlund generation under Wine: hostsim.exe registers the plug-in server and the
# options manager as COM local servers, and radlyn.exe's Orbel processing reaches them and
# orbel.exe. Jobs where COM starts both servers (CoCreateInstance), once for each way the typed
# server may declare Login's out-argument (object, VARIANT), with and without handing out its type
# information; one where the plug-in server was started by hand with --running and GetActiveObject
# finds its instance; orbel.exe on
# its own leaves every tag of a TIFF as it was and writes pixels libtiff reads, as the simulation
# image of the build does.
# Usage, inside on_display.sh (the parent dialog that owns the exposure needs a display):
#   hostsim_ng_test.sh RADLYN_EXE HOSTSIM_EXE
set -uo pipefail
radlyn=$1 hostsim=$2
source "$(dirname "$0")/wine_test_lib.sh"
work=$(mktemp -d "${TMPDIR:-/tmp}/radlyn-hostsim-ng.XXXXXX")
server_pid=
cleanup() {
  if [ -n "$server_pid" ]; then kill "$server_pid" 2>/dev/null; fi
  unregister_hostsim
  rm -rf "$work"
}
trap cleanup EXIT
fail() {
  echo "FAIL: $*"
  exit 1
}
# A Windows path as the calls log quotes it: every backslash doubled.
logpath() { local path; path=$(winpath "$1"); printf '%s' "${path//\\/\\\\}"; }
default_value() { wine reg query "$1" /ve | tr -d '\r' | sed -n 's/.*REG_SZ *//p'; }

morlund=$work/morlund data=$work/data images=$work/images
wine "$hostsim" install "$(winpath "$morlund")" || fail "hostsim.exe install failed"
sed -i 's/^Width=1300$/Width=320/; s/^Height=1700$/Height=240/' "$morlund/hostsim.ini"
cd "$work" || fail "no folder $work"

# The installation: both programs, Orbel's data, the classes registered with their servers.
for file in hostsim-ngserver.exe orbel.exe OrbelData/Config.xml; do
  [ -f "$morlund/$file" ] || fail "install left out $file"
done
plugin_class=$(default_value "$plugin_server_key\\CLSID")
options_class=$(default_value 'HKCR\MORLUNDNG.OptionsManager\CLSID')
server_program="\"$(winpath "$morlund")\\hostsim-ngserver.exe\""
[ "$(default_value "HKCR\\CLSID\\$plugin_class\\LocalServer32")" = "$server_program PluginServer" ] ||
  fail "the plug-in server's LocalServer32 (class '$plugin_class')"
[ "$(default_value "HKCR\\CLSID\\$options_class\\LocalServer32")" = "$server_program OptionsManager" ] ||
  fail "the options manager's LocalServer32 (class '$options_class')"

mkdir -p "$data"
printf '%s\r\n' '[Logon]' 'ClientName=DentalOffice' '[Info]' 'Type=XI' 'Regio=36' 'Doc=Dr. Berger' \
  '[Patient]' 'FirstName=Anna' 'LastName=Miller' 'ID=4711' 'Birthdate=19700305' '[Config]' \
  "ImageDataPath=$(winpath "$images")\\" 'fAssure8Bit=0' >"$data/RADLYN_in.ini"
job() {
  rm -rf "$data/RADLYN_out.ini" "$morlund/morlund.log" "$images"
  wine "$radlyn" "datapath=$(winpath "$data")" parentwnd=0x1234 || fail "radlyn.exe did not end normally"
  tr -d '\r' <"$data/RADLYN_out.ini" >"$work/result.txt"
  tr -d '\r' <"$morlund/morlund.log" | sed 's/^[0-9-]*T[0-9:]* //' >"$work/events.txt"
  cp "$morlund/hostsim-calls.log" "$work/calls.txt"
  grep -qx 'ErrorNr=0' "$work/result.txt" && grep -qx 'fAutoPostProcessed=1' "$work/result.txt" ||
    fail "the job was not processed by Orbel: $(cat "$work/result.txt")"
  [ "$(cat "$work/events.txt")" = "[Info] RADLYN - New X-ray image
[Info] RADLYN - End X-ray image" ] || fail "event log: $(cat "$work/events.txt")"
  image=$(ls "$images"/*.tif) && tiffinfo "$image" >/dev/null 2>&1 || fail "libtiff cannot read $image"
}
# The calls of one job, in order, from the plug-in server's log-in to Orbel's processing: each
# expected line is the log's text, `*` standing for any text.
plugin_id='"{7E41C0D2-9A35-4F6B-8C17-3B52E9A06D84}"'
expect_calls() {
  local expected=("$@") line pattern at=0
  while IFS= read -r line; do
    [ $at -lt ${#expected[@]} ] || break
    pattern=${expected[$at]//\\/\\\\}
    # shellcheck disable=SC2053  # the expected line is a pattern
    [[ "$line" == $pattern ]] && at=$((at + 1))
  done <"$work/calls.txt"
  [ $at -eq ${#expected[@]} ] || fail "no call '${expected[$at]}' in order in: $(cat "$work/calls.txt")"
}
orbel_calls=(
  "OptionsManager.CreateInstance() = /Instance/1"
  "OptionsManager.GetOption($plugin_id, \"ORBEL\") = \"$(logpath "$morlund")\\\\OrbelData\\\\\""
  "OptionsManager.Release(\"/Instance/1\") = 0"
  'Orbel("-backupoem") = 0 state=backed-up'
  'MC_TakeImage(*) = 0 *'
  'Orbel("-check", "*.tif") = 0 processed=1'
  'FIO_ImportImageFile(*) = 0 *'
  'FIO_CreateImageFile(*) = 0')
login_calls=(
  'PluginServer.Login("MorlundNG") = 0 login="/Login/2"'
  'PluginServer.Prepare() = 0'
  "PluginServer.FindPlugin($plugin_id) = 3"
  'PluginServer.Plugin(3) = "/Plugin/3"'
  'PluginServer.Version() = "1.2"'
  "PluginServer.ProgramPath() = \"$(logpath "$morlund")\\\\orbel.exe\""
  'PluginServer.Release("/Plugin/3") = 0'
  'PluginServer.Release("/Login/2") = 0'
  'PluginServer.Logout("MorlundNG") = 0')

# COM starts each server for the job and each ends when radlyn lets go of its objects. Login
# runs once whatever it declares: a form the server rejects never reaches it.
for declaration in 'object 1' 'variant 1' 'object 0' 'variant 0'; do
  read -r login_out type_info <<<"$declaration"
  sed -i "s/^LoginOut=.*/LoginOut=$login_out/; s/^TypeInfo=.*/TypeInfo=$type_info/" \
    "$morlund/hostsim.ini"
  : >"$morlund/hostsim-calls.log"
  job
  expect_calls 'PluginServer.CreateInstance() = /Instance/1' "${login_calls[@]}" \
    'PluginServer.Release("/Instance/1") = 0' "${orbel_calls[@]}"
  [ "$(grep -c '^PluginServer.Login(' "$work/calls.txt")" = 1 ] ||
    fail "Login declared $login_out (type information $type_info) did not run once"
  grep -q 'GetActiveObject\|Running' "$work/calls.txt" && fail "a running instance appeared"
done
sed -i 's/^LoginOut=.*/LoginOut=object/; s/^TypeInfo=.*/TypeInfo=1/' "$morlund/hostsim.ini"

# A plug-in server its user started: GetActiveObject finds its instance, nothing is created.
: >"$morlund/hostsim-calls.log"
wine "$morlund/hostsim-ngserver.exe" PluginServer --running >"$work/server.out" 2>&1 </dev/null &
server_pid=$!
for _ in $(seq 300); do
  grep -q '^ready' "$work/server.out" && break
  kill -0 "$server_pid" 2>/dev/null || fail "the running server ended: $(cat "$work/server.out")"
  sleep 0.1
done
grep -q '^ready' "$work/server.out" || fail "the running server did not get ready"
job
expect_calls 'PluginServer.Running() = /Instance/1' "${login_calls[@]}" "${orbel_calls[@]}"
grep -q '^PluginServer.CreateInstance\|^PluginServer.Release("/Instance' "$work/calls.txt" &&
  fail "the running instance was not the one used: $(cat "$work/calls.txt")"
kill "$server_pid" && wait "$server_pid" 2>/dev/null
server_pid=

# orbel.exe by hand: the same tags, other pixels, a file libtiff reads; a wrong call ends with 87.
# The simulation image the Windows build wrote beside radlyn.exe reads in libtiff too.
tiffinfo -D "$(dirname "$radlyn")/ORBEL/simu.tif" >/dev/null 2>&1 || fail "libtiff cannot read simu.tif"
wine "$hostsim" make-image "$(winpath "$work/x.tif")" --width 200 --height 150 || fail "make-image"
tiffdump "$work/x.tif" >"$work/before.txt" && cp "$work/x.tif" "$work/original.tif"
wine "$morlund/orbel.exe" -check "$(winpath "$work/x.tif")" || fail "orbel.exe -check failed"
tiffdump "$work/x.tif" | diff -u "$work/before.txt" - || fail "orbel.exe changed the tags"
cmp -s "$work/x.tif" "$work/original.tif" && fail "orbel.exe changed no pixel"
tiffinfo -D "$work/x.tif" >/dev/null 2>&1 || fail "libtiff cannot read Orbel's result"
wine "$morlund/orbel.exe" -check
[ $? -eq 87 ] || fail "orbel.exe with a wrong command line did not end with 87"
echo "PASS"
