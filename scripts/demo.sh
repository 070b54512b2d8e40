#!/usr/bin/env bash
# Runs one real X-ray job end to end: installs a simulated Morlund (hostsim) into a fresh folder,
# writes a job file, runs radlyn, and shows the result file, the event-log lines and the image
# (a PNG preview is left beside it).
# Usage: scripts/demo.sh [--orbel] [--windows]
#   --orbel    Morlund's Orbel program processes the image
#   --windows  the same job with the Windows build: radlyn.exe on hostsim.exe's installation under
#              Wine (in the prefix out/demo-wineprefix, on a private Xvfb display when there is no
#              DISPLAY)
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

orbel=0 windows=0
for option in "$@"; do
  case $option in
    --orbel) orbel=1 ;;
    --windows) windows=1 ;;
    *)
      echo "usage: scripts/demo.sh [--orbel] [--windows]" >&2
      exit 2
      ;;
  esac
done

# "/x/y" as a Windows program under Wine sees it, and back.
winpath() { printf 'Z:%s' "${1//\//\\}"; }
linuxpath() { local path=${1#Z:}; printf '%s' "${path//\\//}"; }

if [ $windows = 1 ] && [ -z "${DISPLAY:-}" ] && [ -z "${RADLYN_DEMO_DISPLAY:-}" ]; then
  # Exposures need an owner window, so Wine needs a display: a private one for this run.
  scripts/install-deps.sh
  exec env RADLYN_DEMO_DISPLAY=1 bash tests/win32/on_display.sh "$root/out/demo-wineprefix" \
    bash "$0" "$@"
fi
[ -n "${RADLYN_DEMO_DISPLAY:-}" ] || scripts/install-deps.sh
echo "Building (the first time takes a few minutes; ninja counts the steps) ..."
preset=default targets=()
# The Windows demo needs only the two programs (and hostsim's modules), not the Windows tests.
[ $windows = 1 ] && preset=win32 targets=(--target radlyn hostsim)
cmake --preset $preset >/dev/null
# The build's own progress stays visible: on a terminal one line counting up, otherwise a line
# per step; compiler errors show where they happen.
cmake --build --preset $preset -j2 "${targets[@]}"
echo
bin=$root/build/$preset/bin

demo=$root/out/demo
rm -rf "$demo"
mkdir -p "$demo/data"
export RADLYN_REGISTRY=$demo/registry.ini
export XDG_RUNTIME_DIR=$demo
unset DBUS_SESSION_BUS_ADDRESS WAYLAND_DISPLAY
if [ $windows = 1 ]; then
  export WINEPREFIX=${WINEPREFIX:-$root/out/demo-wineprefix} WINEDEBUG=${WINEDEBUG:--all}
  export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
  hostsim() { wine "$bin/hostsim.exe" "$@"; }
  radlyn() { wine "$bin/radlyn.exe" "$@"; }
  path() { winpath "$1"; }
else
  unset DISPLAY
  hostsim() { "$bin/hostsim" "$@"; }
  radlyn() { "$bin/radlyn" "$@"; }
  path() { printf '%s' "$1"; }
fi

hostsim install "$(path "$demo/morlund")" >/dev/null
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
ImageDataPath=$(path "$demo/images")
FileFormat=tif
INI

bus_pid=
if [ $windows = 1 ]; then
  # hostsim.exe registers the newer generation's servers with COM, which starts them on demand.
  # Without --orbel the job runs as on Linux without a session bus: no plug-in server, no Orbel.
  [ $orbel = 1 ] || wine reg delete 'HKCR\MORLUNDNG.PluginServer' /f >/dev/null 2>&1 || true
elif [ $orbel = 1 ]; then
  read -r DBUS_SESSION_BUS_ADDRESS bus_pid < <(dbus-daemon --config-file="$demo/morlund/dbus-session.conf" \
    --fork --print-address=1 --print-pid=1 | paste -sd' ')
  export DBUS_SESSION_BUS_ADDRESS
  trap '[ -n "$bus_pid" ] && kill "$bus_pid" 2>/dev/null' EXIT
fi

if [ $windows = 1 ]; then
  echo "\$ wine radlyn.exe datapath=$(path "$demo/data")"
else
  echo "\$ radlyn datapath=$demo/data"
fi
radlyn "datapath=$(path "$demo/data")" || true

echo
echo "== $demo/data/RADLYN_out.ini"
tr -d '\r' <"$demo/data/RADLYN_out.ini"
echo
echo "== event log ($demo/morlund/morlund.log)"
tr -d '\r' <"$demo/morlund/morlund.log"

image=$(sed -n 's/^ImageDataPathFile=//p' "$demo/data/RADLYN_out.ini" | tr -d '\r')
[ $windows = 1 ] && image=$(linuxpath "$image")
if [ -n "$image" ] && [ -f "$image" ]; then
  preview=${image%.*}.png
  convert "$image" -auto-level "$preview" 2>/dev/null || convert "$image" "$preview"
  echo
  echo "== image"
  tiffinfo "$image" 2>/dev/null | grep -E "Image Width|Bits/Sample|Photometric" | sed 's/^ */  /'
  echo "  $image"
  echo "  preview: $preview"
fi
