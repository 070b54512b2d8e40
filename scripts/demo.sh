#!/usr/bin/env bash
# Runs one real X-ray job end to end: installs a simulated Morlund (hostsim) into a fresh folder,
# writes a job file, runs radlyn, and shows the result file, the event-log lines and the image
# (a PNG preview is left beside it).
# Usage: scripts/demo.sh [--orbel]   (--orbel: Morlund's Orbel program processes the image)
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

orbel=0
[ "${1:-}" = "--orbel" ] && orbel=1

scripts/install-deps.sh
echo "Building (the first time takes a few minutes; ninja counts the steps) ..."
cmake --preset default >/dev/null
# The build's own progress stays visible: on a terminal one line counting up, otherwise a line
# per step; compiler errors show where they happen.
cmake --build --preset default -j2
echo
bin=$root/build/default/bin

demo=$root/out/demo
rm -rf "$demo"
mkdir -p "$demo/data"
export RADLYN_REGISTRY=$demo/registry.ini
export XDG_RUNTIME_DIR=$demo
unset DBUS_SESSION_BUS_ADDRESS DISPLAY WAYLAND_DISPLAY

"$bin/hostsim" install "$demo/morlund" >/dev/null
# Morlund's automatic post-processing for intraoral takes: sharpen, then smooth.
cat >"$demo/morlund/morlund.ini" <<'INI'
[AutoPost]
AutoPost=1
FilterClass_XI=1
FilterClass1_XI=3
INI

cat >"$demo/data/RADLYN_in.ini" <<INI
[Logon]
ClientName=DemoPractice
[Info]
Type=XI
Regio=36
Doc=Dr. Berger
[Patient]
FirstName=Anna
LastName=Miller
ID=4711
Birthdate=19700305
[Config]
fAssure8Bit=0
ImageDataPath=$demo/images
FileFormat=tif
INI

bus_pid=
if [ $orbel = 1 ]; then
  read -r DBUS_SESSION_BUS_ADDRESS bus_pid < <(dbus-daemon --config-file="$demo/morlund/dbus-session.conf" \
    --fork --print-address=1 --print-pid=1 | paste -sd' ')
  export DBUS_SESSION_BUS_ADDRESS
  trap '[ -n "$bus_pid" ] && kill "$bus_pid" 2>/dev/null' EXIT
fi

echo "\$ radlyn datapath=$demo/data"
"$bin/radlyn" "datapath=$demo/data" || true

echo
echo "== $demo/data/RADLYN_out.ini"
tr -d '\r' <"$demo/data/RADLYN_out.ini"
echo
echo "== event log ($demo/morlund/morlund.log)"
tr -d '\r' <"$demo/morlund/morlund.log"

image=$(sed -n 's/^ImageDataPathFile=//p' "$demo/data/RADLYN_out.ini" | tr -d '\r')
if [ -n "$image" ] && [ -f "$image" ]; then
  preview=${image%.*}.png
  convert "$image" -auto-level "$preview" 2>/dev/null || convert "$image" "$preview"
  echo
  echo "== image"
  tiffinfo "$image" 2>/dev/null | grep -E "Image Width|Bits/Sample|Photometric" | sed 's/^ */  /'
  echo "  $image"
  echo "  preview: $preview"
fi
