#!/usr/bin/env bash
# The release as a practice gets it. scripts/release.sh runs on two copies of these sources in two
# folders of different names, once with a throw-away signing certificate and once without: both
# give byte-identical radlyn.exe and radlyn.exe.debug (no time stamp, no build path), the program's
# debug link carries the debug file's checksum, its manifest reads back, the signatures verify
# against the certificate and SHA256SUMS matches. Then under Wine, in a fresh 64-bit prefix (the
# 32-bit program under WoW64, as on a practice's 64-bit Windows): the package installs silently
# into Program Files (x86)\Radlyn; the installed program takes a job on a hostsim installation and
# a simulation job finds its installed ORBEL data; a package of a higher version replaces it in
# place and keeps the practice's Radlyn.ini; an older one is refused; uninstalling leaves nothing
# of Radlyn behind.
# Usage: release_test.sh SOURCE_DIR HOSTSIM_EXE ON_DISPLAY_SH
set -uo pipefail
fail() {
  echo "FAIL: $*"
  exit 1
}

if [ "${1:-}" = "--under-wine" ]; then
  stage=wine work=$2
  source "$work/settings"
else
  stage=build source_dir=$(realpath "$1") hostsim=$(realpath "$2") on_display=$(realpath "$3")
  work=$(mktemp -d "${TMPDIR:-/tmp}/radlyn-release.XXXXXX")
  trap 'rm -rf "$work"' EXIT
fi
test_dir=$(dirname "$(realpath "$0")")
objcopy=i686-w64-mingw32-objcopy

# ---- Two builds from two folders, one signed.
build_stage() {
  local tree
  # The tests may run as another user than the one who owns the checkout (scripts/test.sh runs
  # them as an ordinary user), which git refuses unless told the checkout is safe.
  git() { command git -c safe.directory="$source_dir" "$@"; }
  for tree in a/radlyn b/elsewhere/src; do
    mkdir -p "$work/$tree"
    git -C "$source_dir" ls-files -z --cached --others --exclude-standard |
      tar -C "$source_dir" --null --no-recursion --ignore-failed-read -T - -cf - 2>/dev/null |
      tar -xf - -C "$work/$tree" || fail "cannot copy the sources"
  done
  SOURCE_DATE_EPOCH=$(git -C "$source_dir" log -1 --format=%ct) || fail "no commit time"
  export SOURCE_DATE_EPOCH
  openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=Radlyn release test" \
    -addext extendedKeyUsage=codeSigning -keyout "$work/key.pem" -out "$work/cert.pem" \
    >/dev/null 2>&1 || fail "no test certificate"
  # Both builds compile everything themselves (a compiler cache would hand both the same objects).
  unset CMAKE_C_COMPILER_LAUNCHER CMAKE_CXX_COMPILER_LAUNCHER
  RADLYN_SIGN_KEY=$work/key.pem RADLYN_SIGN_CERT=$work/cert.pem RADLYN_DIST=$work/dist-a \
    bash "$work/a/radlyn/scripts/release.sh" >"$work/release-a.log" 2>&1 ||
    fail "release.sh (signed) failed: $(tail -n 30 "$work/release-a.log")"
  RADLYN_SIGN_KEY= RADLYN_SIGN_CERT= RADLYN_DIST=$work/dist-b \
    bash "$work/b/elsewhere/src/scripts/release.sh" >"$work/release-b.log" 2>&1 ||
    fail "release.sh (unsigned) failed: $(tail -n 30 "$work/release-b.log")"
  tail -n 8 "$work/release-a.log"
  grep -q '^UNSIGNED' "$work/release-b.log" || fail "release.sh did not say the files are unsigned"

  local built_a=$work/a/radlyn/build/win32-release/bin built_b=$work/b/elsewhere/src/build/win32-release/bin
  for file in radlyn.exe radlyn.exe.debug; do
    cmp "$built_a/$file" "$built_b/$file" ||
      fail "$file differs between the two folders in $(cmp -l "$built_a/$file" "$built_b/$file" | wc -l)" \
        "bytes; sections: $(diff <(i686-w64-mingw32-objdump -h "$built_a/$file") \
          <(i686-w64-mingw32-objdump -h "$built_b/$file") | grep '^[<>]')"
  done

  # The debug link's CRC-32 (the one gzip's trailer holds) is that of the debug file.
  $objcopy --dump-section .gnu_debuglink="$work/debuglink" "$built_a/radlyn.exe" "$work/scratch.exe" ||
    fail "no .gnu_debuglink section"
  cmp <(tail -c 4 "$work/debuglink") <(gzip -c "$built_a/radlyn.exe.debug" | tail -c 8 | head -c 4) ||
    fail "the debug link's checksum is not that of radlyn.exe.debug"

  # The manifest, read back as resource type 24 (RT_MANIFEST), id 1.
  i686-w64-mingw32-windres -i "$built_a/radlyn.exe" -O rc 2>/dev/null |
    sed -n '/^1 24 /,/^END/s/^  "\(.*\)"$/\1/p' | tr -d '\n' | sed 's/\\r\\n/\n/g; s/""/"/g' \
    >"$work/manifest.xml"
  grep -q '^<assembly ' "$work/manifest.xml" || fail "no application manifest in radlyn.exe"
  for part in '{35138b9a-5d96-4fbd-8e2d-a2440225f93a}' '{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}' \
    '{1f676c76-80e1-4239-95bb-83d0f6d0da78}' '{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}' \
    '<dpiAware xmlns="http://schemas.microsoft.com/SMI/2005/WindowsSettings">true</dpiAware>' \
    'name="Microsoft.Windows.Common-Controls" version="6.0.0.0"'; do
    grep -qF "$part" "$work/manifest.xml" || fail "the manifest lacks $part: $(cat "$work/manifest.xml")"
  done
  grep -qi 'activeCodePage' "$work/manifest.xml" && fail "the manifest sets the ANSI code page"
  # No execution level (it would switch UAC virtualization off under Morlund's modules).
  grep -qi 'requestedExecutionLevel' "$work/manifest.xml" && fail "the manifest requests an execution level"
  # PE flags: ASLR (0x0040) and terminal-server aware (0x8000), no DEP opt-in (NX_COMPAT, 0x0100).
  local flags
  flags=$(i686-w64-mingw32-objdump -p "$built_a/radlyn.exe" | sed -n 's/^DllCharacteristics[ \t]*//p')
  [ $((0x$flags & 0x8140)) = $((0x8040)) ] || fail "radlyn.exe's DllCharacteristics are $flags"

  # Signatures and checksums.
  local msi
  msi=$(cd "$work/dist-a" && ls radlyn-*.msi) || fail "no package in dist"
  for file in radlyn.exe "$msi"; do
    osslsigncode verify -CAfile "$work/cert.pem" -in "$work/dist-a/$file" >"$work/verify.txt" 2>&1 ||
      fail "the signature of $file does not verify: $(cat "$work/verify.txt")"
  done
  (cd "$work/dist-a" && sha256sum --quiet -c SHA256SUMS) || fail "SHA256SUMS does not match dist"

  # A newer build: the same sources one version up (the third field: Windows Installer ignores
  # the fourth), built again in the second folder.
  local version new_version
  version=${msi#radlyn-} version=${version%.msi}
  IFS=. read -r -a parts <<<"$version"
  new_version=${parts[0]}.${parts[1]}.$((parts[2] + 1)).${parts[3]}
  sed -i "s/^project(Radlyn VERSION $version /project(Radlyn VERSION $new_version /" \
    "$work/b/elsewhere/src/CMakeLists.txt"
  RADLYN_SIGN_KEY= RADLYN_SIGN_CERT= RADLYN_DIST=$work/dist-c \
    bash "$work/b/elsewhere/src/scripts/release.sh" >"$work/release-c.log" 2>&1 ||
    fail "release.sh (newer version) failed: $(tail -n 30 "$work/release-c.log")"
  [ -f "$work/dist-c/radlyn-$new_version.msi" ] || fail "no package of version $new_version"

  printf '%s\n' "hostsim='$hostsim'" "version=$version" "new_version=$new_version" \
    "orbel_data='$built_a/ORBEL'" >"$work/settings"
  echo "built twice alike, signed and verified: radlyn.exe $(stat -c %s "$work/dist-a/radlyn.exe") bytes," \
    "$msi $(stat -c %s "$work/dist-a/$msi") bytes"
  bash "$on_display" "$work/wineprefix" bash "$0" --under-wine "$work" ||
    fail "the package under Wine"
  echo "PASS"
}

# ---- Install, run, upgrade, refuse a downgrade, uninstall (inside on_display.sh).
wine_stage() {
  source "$test_dir/wine_test_lib.sh"
  local wine64=wine64
  command -v wine64 >/dev/null || wine64=/usr/lib/wine/wine64
  local installed="$WINEPREFIX/drive_c/Program Files (x86)/Radlyn"
  # The entries of installed programs named Radlyn, in both registry views: "NAME VERSION" lines.
  products() {
    local view
    for view in 32 64; do
      wine reg query 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall' /s /reg:$view 2>/dev/null |
        tr -d '\r' | awk 'function entry() { if (name == "Radlyn") print name, version; name = version = "" }
          /^HKEY/ {entry()} $1 == "DisplayName" {name = $3} $1 == "DisplayVersion" {version = $3}
          END {entry()}'
    done | sort -u
  }
  msiexec() { $wine64 msiexec "$@" /qn </dev/null >/dev/null 2>&1; }

  msiexec /i "$(winpath "$work/dist-a/radlyn-$version.msi")" || fail "msiexec /i failed"
  [ "$(products)" = "Radlyn $version" ] || fail "installed products: $(products)"
  cmp "$installed/radlyn.exe" "$work/dist-a/radlyn.exe" || fail "no radlyn.exe in $installed"
  diff -r "$orbel_data" "$installed/ORBEL" || fail "the installed ORBEL folder is not the build's"
  local radlyn="$installed/radlyn.exe"

  # A job with the installed program on a hostsim installation (Orbel processes it), then a
  # simulation job: the installed simulation image, Orbel's prepared files handed over.
  local morlund=$work/morlund data=$work/data images=$work/images
  wine "$hostsim" install "$(winpath "$morlund")" || fail "hostsim.exe install failed"
  sed -i 's/^Width=1300$/Width=320/; s/^Height=1700$/Height=240/' "$morlund/hostsim.ini"
  mkdir -p "$data"
  printf '%s\r\n' '[Logon]' 'ClientName=DentalOffice' '[Info]' 'Type=XI' 'Regio=36' \
    '[Patient]' 'LastName=Miller' 'Birthdate=19700305' '[Config]' \
    "ImageDataPath=$(winpath "$images")\\" >"$data/RADLYN_in.ini"
  job() {
    rm -rf "$data/RADLYN_out.ini" "$images"
    : >"$morlund/hostsim-calls.log"
    (cd "$work" && wine "$radlyn" "datapath=$(winpath "$data")" parentwnd=0x1234) ||
      fail "radlyn.exe did not end normally"
    tr -d '\r' <"$data/RADLYN_out.ini" >"$work/result.txt"
    grep -qx 'ErrorNr=0' "$work/result.txt" && grep -qx 'fAutoPostProcessed=1' "$work/result.txt" &&
      ls "$images"/*.tif >/dev/null 2>&1 || fail "the job: $(cat "$work/result.txt")"
  }
  job
  grep -q '^MC_TakeImage(' "$morlund/hostsim-calls.log" || fail "no exposure in the job"
  printf '[Config]\r\nSimu=1\r\n' >"$installed/Radlyn.ini"
  job
  grep -q '^MC_TakeImage(' "$morlund/hostsim-calls.log" && fail "the simulation job took an exposure"
  grep -qx 'XRayTime=100' "$work/result.txt" || fail "not the simulation image: $(cat "$work/result.txt")"
  for file in OrbelWork.ini Presets/Simulation.xml; do
    [ -f "$morlund/OrbelData/TEMP/$file" ] || fail "the prepared Orbel file $file was not handed over"
  done

  # The newer package replaces the installed one and keeps the practice's Radlyn.ini; the older
  # one is then refused.
  msiexec /i "$(winpath "$work/dist-c/radlyn-$new_version.msi")" || fail "the upgrade failed"
  [ "$(products)" = "Radlyn $new_version" ] || fail "installed products after the upgrade: $(products)"
  cmp "$installed/radlyn.exe" "$work/dist-c/radlyn.exe" || fail "the upgrade left the old radlyn.exe"
  [ "$(tr -d '\r' <"$installed/Radlyn.ini")" = $'[Config]\nSimu=1' ] || fail "the upgrade lost Radlyn.ini"
  msiexec /i "$(winpath "$work/dist-a/radlyn-$version.msi")" && fail "the older package was installed"
  [ "$(products)" = "Radlyn $new_version" ] || fail "installed products after the downgrade: $(products)"
  cmp "$installed/radlyn.exe" "$work/dist-c/radlyn.exe" || fail "the downgrade replaced radlyn.exe"

  # Uninstalling (the practice's own file taken away first) leaves nothing of Radlyn.
  rm "$installed/Radlyn.ini"
  msiexec /x "$(winpath "$work/dist-c/radlyn-$new_version.msi")" || fail "msiexec /x failed"
  [ -e "$installed" ] && fail "uninstalling left $(find "$installed")"
  [ -z "$(products)" ] || fail "installed products after uninstalling: $(products)"
  wine reg query 'HKLM\Software\Classes\Installer\Products' /s 2>/dev/null | grep -qi radlyn &&
    fail "the installer still knows Radlyn"
  unregister_hostsim
  echo "installed, ran a job and a simulation job, upgraded to $new_version, refused $version, uninstalled"
}

if [ "$stage" = wine ]; then wine_stage; else build_stage; fi
