#!/usr/bin/env bash
# The release as a practice gets it. scripts/release.sh runs on two copies of these sources in two
# folders of different names, once with a throw-away signing certificate and a local RFC 3161
# time-stamp authority (openssl ts behind a small HTTP responder on 127.0.0.1), once explicitly
# unsigned (without RADLYN_ALLOW_UNSIGNED=1 it refuses): both give byte-identical radlyn.exe and
# radlyn.exe.debug (no time stamp, no build path), the program's debug link carries the debug
# file's checksum, its manifest reads back, the signatures and their time stamps verify, and
# SHA256SUMS checks beside the shipped files alone. Versions 1.0.0.2 and 1.0.1.1 follow in the
# second folder, each in its own dist/<version>/ beside the earlier ones. Then under Wine, in a
# fresh 64-bit prefix (the 32-bit program under WoW64, as on a practice's 64-bit Windows): the
# package installs silently into Program Files (x86)\Radlyn with its Uninstall entry's
# InstallLocation and help link; the installed program takes a job on a hostsim installation and
# a simulation job finds its installed ORBEL data; 1.0.0.2 is installed during a slow exposure,
# then 1.0.1.1: each leaves one entry and its own radlyn.exe and keeps the practice's Radlyn.ini;
# an older one is refused; uninstalling leaves nothing of Radlyn behind.
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
  start_time_stamp_authority
  # Both builds compile everything themselves (a compiler cache would hand both the same objects).
  unset CMAKE_C_COMPILER_LAUNCHER CMAKE_CXX_COMPILER_LAUNCHER
  RADLYN_SIGN_KEY=$work/key.pem RADLYN_SIGN_CERT=$work/cert.pem RADLYN_DIST=$work/dist-a \
    RADLYN_SIGN_TIMESTAMP_URL=$tsa_url bash "$work/a/radlyn/scripts/release.sh" \
    >"$work/release-a.log" 2>&1 || fail "release.sh (signed) failed: $(tail -n 30 "$work/release-a.log")"
  RADLYN_SIGN_KEY= RADLYN_SIGN_CERT= RADLYN_DIST=$work/dist-b \
    bash "$work/b/elsewhere/src/scripts/release.sh" >"$work/release-b.log" 2>&1 &&
    fail "release.sh finished unsigned without RADLYN_ALLOW_UNSIGNED=1"
  grep -q 'RADLYN_ALLOW_UNSIGNED=1' "$work/release-b.log" || fail "no reason: $(cat "$work/release-b.log")"
  RADLYN_SIGN_KEY= RADLYN_SIGN_CERT= RADLYN_DIST=$work/dist-b RADLYN_ALLOW_UNSIGNED=1 \
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

  # Signatures with their time stamps, checksums of the shipped files alone.
  local version
  version=$(sed -n 's/^project(Radlyn VERSION \([0-9.]*\) .*/\1/p' "$source_dir/CMakeLists.txt")
  local dist_a=$work/dist-a/$version
  for file in vendor/radlyn.exe vendor/radlyn-check.exe "radlyn-$version.msi"; do
    osslsigncode verify -CAfile "$work/cert.pem" -TSA-CAfile "$work/tsa/cert.pem" \
      -in "$dist_a/$file" >"$work/verify.txt" 2>&1 ||
      fail "the signature of $file does not verify: $(cat "$work/verify.txt")"
    grep -q 'Timestamp Server Signature verification: ok' "$work/verify.txt" ||
      fail "no verified time stamp on $file: $(cat "$work/verify.txt")"
  done
  mkdir "$work/shipped"
  cp "$dist_a/radlyn-$version.msi" "$dist_a/radlyn-rehearsal-$version.zip" "$dist_a/SHA256SUMS" \
    "$work/shipped/"
  (cd "$work/shipped" && sha256sum --quiet -c SHA256SUMS) || fail "SHA256SUMS does not match"
  [ "$(wc -l <"$work/shipped/SHA256SUMS")" = 2 ] || fail "SHA256SUMS: $(cat "$work/shipped/SHA256SUMS")"
  unzip -Z1 "$dist_a/radlyn-rehearsal-$version.zip" >"$work/kit.txt" || fail "no rehearsal kit"
  for file in bin/hostsim.exe bin/radlyn_sample_client.exe hostsim-files/moutil.dll REHEARSAL.txt; do
    grep -qx "radlyn-rehearsal-$version/$file" "$work/kit.txt" || fail "the kit lacks $file"
  done
  unzip -p "$dist_a/radlyn-rehearsal-$version.zip" "radlyn-rehearsal-$version/REHEARSAL.txt" \
    >"$work/REHEARSAL.txt"
  grep -q 'C:\\RadlynTest\\radlyn-rehearsal-'"$version"'\\bin\\hostsim.exe install' "$work/REHEARSAL.txt" ||
    fail "REHEARSAL.txt does not name the kit's folder as unpacked"
  [ -f "$work/dist-b/$version/radlyn-$version-unsigned.msi" ] || fail "the unsigned package's name"

  # Newer builds in the second folder: the fourth field, then the third.
  local fourth third
  IFS=. read -r -a parts <<<"$version"
  fourth=${parts[0]}.${parts[1]}.${parts[2]}.$((parts[3] + 1))
  third=${parts[0]}.${parts[1]}.$((parts[2] + 1)).${parts[3]}
  for new_version in "$fourth" "$third"; do
    sed -i "s/^project(Radlyn VERSION [0-9.]* /project(Radlyn VERSION $new_version /" \
      "$work/b/elsewhere/src/CMakeLists.txt"
    RADLYN_ALLOW_UNSIGNED=1 RADLYN_DIST=$work/dist-b \
      bash "$work/b/elsewhere/src/scripts/release.sh" >"$work/release-$new_version.log" 2>&1 ||
      fail "release.sh ($new_version) failed: $(tail -n 30 "$work/release-$new_version.log")"
  done
  for v in "$version" "$fourth" "$third"; do
    [ -f "$work/dist-b/$v/radlyn-$v-unsigned.msi" ] || fail "dist lost version $v: $(ls "$work/dist-b")"
  done

  printf '%s\n' "hostsim='$hostsim'" "version=$version" "fourth=$fourth" "third=$third" \
    "orbel_data='$built_a/ORBEL'" >"$work/settings"
  echo "built twice alike, signed, time-stamped and verified: radlyn.exe" \
    "$(stat -c %s "$dist_a/vendor/radlyn.exe") bytes, radlyn-$version.msi" \
    "$(stat -c %s "$dist_a/radlyn-$version.msi") bytes"
  bash "$on_display" "$work/wineprefix" bash "$0" --under-wine "$work" ||
    fail "the package under Wine"
  echo "PASS"
}

# A time-stamp authority on 127.0.0.1: its own throw-away certificate, openssl ts answering each
# query that a small HTTP responder (python3) receives. Sets tsa_url.
start_time_stamp_authority() {
  local tsa=$work/tsa
  mkdir -p "$tsa"
  openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=Radlyn test time-stamp authority" \
    -addext "extendedKeyUsage=critical,timeStamping" -keyout "$tsa/key.pem" -out "$tsa/cert.pem" \
    >/dev/null 2>&1 || fail "no time-stamp certificate"
  printf '%s\n' '[tsa]' 'default_tsa = test' '[test]' "serial = $tsa/serial" \
    "signer_cert = $tsa/cert.pem" "signer_key = $tsa/key.pem" 'signer_digest = sha256' \
    'default_policy = 1.2.3.4.1' 'digests = sha256, sha384, sha512' 'ess_cert_id_alg = sha256' \
    >"$tsa/tsa.cnf"
  echo 01 >"$tsa/serial"
  cat >"$tsa/responder.py" <<'PYTHON'
import http.server, subprocess, sys
folder = sys.argv[1]
class Handler(http.server.BaseHTTPRequestHandler):
    def do_POST(self):
        query = self.rfile.read(int(self.headers["Content-Length"]))
        reply = subprocess.run(["openssl", "ts", "-reply", "-config", folder + "/tsa.cnf",
                                "-queryfile", "/dev/stdin", "-out", "/dev/stdout"],
                               input=query, capture_output=True).stdout
        self.send_response(200 if reply else 500)
        self.send_header("Content-Type", "application/timestamp-reply")
        self.send_header("Content-Length", str(len(reply)))
        self.end_headers()
        self.wfile.write(reply)
    def log_message(self, *arguments):
        pass
server = http.server.HTTPServer(("127.0.0.1", 0), Handler)
print(server.server_address[1], flush=True)
server.serve_forever()
PYTHON
  python3 "$tsa/responder.py" "$tsa" >"$tsa/port" 2>"$tsa/log" &
  tsa_pid=$!
  trap 'kill $tsa_pid 2>/dev/null; rm -rf "$work"' EXIT
  for _ in $(seq 50); do [ -s "$tsa/port" ] && break; sleep 0.1; done
  tsa_url=http://127.0.0.1:$(cat "$tsa/port")
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

  # One entry, named Radlyn, of this version, and the matching program file.
  installed_is() {
    [ "$(products)" = "Radlyn $1" ] || fail "$2: installed products: $(products)"
    cmp "$installed/radlyn.exe" "$3/vendor/radlyn.exe" || fail "$2: not the radlyn.exe of $1"
    cmp "$installed/radlyn-check.exe" "$3/vendor/radlyn-check.exe" || fail "$2: radlyn-check.exe"
  }
  local dist_a=$work/dist-a/$version dist_b=$work/dist-b
  msiexec /i "$(winpath "$dist_a/radlyn-$version.msi")" || fail "msiexec /i failed"
  installed_is "$version" "installed" "$dist_a"
  diff -r "$orbel_data" "$installed/ORBEL" || fail "the installed ORBEL folder is not the build's"
  wine reg query 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall' /s /reg:32 2>/dev/null |
    tr -d '\r' >"$work/uninstall.txt"
  grep -q 'InstallLocation.*REG_SZ.*C:\\Program Files (x86)\\Radlyn' "$work/uninstall.txt" &&
    grep -q 'HelpLink.*REG_SZ.*https://' "$work/uninstall.txt" ||
    fail "the Uninstall entry lacks InstallLocation or HelpLink: $(grep -A20 Radlyn "$work/uninstall.txt")"
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
  job_start() {
    rm -rf "$data/RADLYN_out.ini" "$images"
    : >"$morlund/hostsim-calls.log"
    (cd "$work" && wine "$radlyn" "datapath=$(winpath "$data")" parentwnd=0x1234)
  }
  job_result() {
    tr -d '\r' <"$data/RADLYN_out.ini" >"$work/result.txt"
    grep -qx 'ErrorNr=0' "$work/result.txt" && grep -qx 'fAutoPostProcessed=1' "$work/result.txt" &&
      ls "$images"/*.tif >/dev/null 2>&1 || fail "the job: $(cat "$work/result.txt")"
  }
  job() {
    job_start || fail "radlyn.exe did not end normally"
    job_result
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

  # 1.0.0.2 (the fourth field) installed while a job waits in a slow exposure: the job ends as
  # it began; the installer's exit code and what is on disk afterwards are reported.
  printf '[Config]\r\nSimu=0\r\n' >"$installed/Radlyn.ini"
  sed -i 's/^;* *DelayMs=.*/DelayMs=15000/' "$morlund/hostsim.ini"
  grep -qx 'DelayMs=15000' "$morlund/hostsim.ini" || fail "no DelayMs switch in hostsim.ini"
  job_start &
  local job_pid=$!
  for _ in $(seq 200); do
    grep -q '^MC_CheckVersion(' "$morlund/hostsim-calls.log" && break
    sleep 0.1
  done
  sleep 2
  local code=0
  msiexec /i "$(winpath "$dist_b/$fourth/radlyn-$fourth-unsigned.msi")" || code=$?
  wait "$job_pid" || fail "radlyn.exe did not end normally during the upgrade"
  job_result
  sed -i 's/^DelayMs=15000$/DelayMs=0/' "$morlund/hostsim.ini"
  # A process's exit status keeps the low 8 bits of msiexec's code: 3010 arrives as 194.
  case $code in
    0) echo "upgrade during an exposure: exit code 0, the job ended with ErrorNr=0" ;;
    194 | 3010) echo "upgrade during an exposure: exit code 3010 (restart pending), the job ended with" \
      "ErrorNr=0; restarting Wine's session"
      wine wineboot -r >/dev/null 2>&1 ;;
    *) fail "the upgrade during an exposure ended with $code" ;;
  esac
  installed_is "$fourth" "after the fourth-field upgrade" "$dist_b/$fourth"
  [ "$(tr -d '\r' <"$installed/Radlyn.ini")" = $'[Config]\nSimu=0' ] || fail "the upgrade lost Radlyn.ini"

  msiexec /i "$(winpath "$dist_b/$third/radlyn-$third-unsigned.msi")" || fail "the upgrade to $third failed"
  installed_is "$third" "after the third-field upgrade" "$dist_b/$third"
  [ "$(tr -d '\r' <"$installed/Radlyn.ini")" = $'[Config]\nSimu=0' ] || fail "the upgrade lost Radlyn.ini"
  job
  msiexec /i "$(winpath "$dist_a/radlyn-$version.msi")" && fail "the older package was installed"
  installed_is "$third" "after the refused downgrade" "$dist_b/$third"

  # Uninstalling (the practice's own file taken away first) leaves nothing of Radlyn.
  rm "$installed/Radlyn.ini"
  msiexec /x "$(winpath "$dist_b/$third/radlyn-$third-unsigned.msi")" || fail "msiexec /x failed"
  [ -e "$installed" ] && fail "uninstalling left $(find "$installed")"
  [ -z "$(products)" ] || fail "installed products after uninstalling: $(products)"
  wine reg query 'HKLM\Software\Classes\Installer\Products' /s 2>/dev/null | grep -qi radlyn &&
    fail "the installer still knows Radlyn"
  unregister_hostsim
  echo "installed $version, ran a job and a simulation job, upgraded to $fourth during an" \
    "exposure and to $third, refused $version, uninstalled"
}

if [ "$stage" = wine ]; then wine_stage; else build_stage; fi
