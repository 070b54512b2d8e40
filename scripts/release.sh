#!/usr/bin/env bash
# Builds a release of the Windows program into dist/ and prints what it made:
#   radlyn.exe              the program (optimised, stripped, reproducible; signed when a key is given)
#   radlyn.exe.debug        its debug information, named by the program's .gnu_debuglink; keep it
#                           with the release to read crash addresses later (it is not installed)
#   radlyn-VERSION.msi      the Windows Installer package (packaging/radlyn.wxs; signed likewise)
#   SHA256SUMS              the checksums of the three files
# Signing (Authenticode, through osslsigncode) takes the vendor's key and certificate from
#   RADLYN_SIGN_KEY, RADLYN_SIGN_CERT   PEM files (a key with a passphrase: RADLYN_SIGN_PASS)
#   RADLYN_SIGN_TIMESTAMP_URL           optional RFC 3161 time-stamp server
# Without them the files stay unsigned, and the script says so.
# The build is the preset win32-release (build/win32-release); any date the packaging needs comes
# from SOURCE_DATE_EPOCH, by default the time of the checked-out commit. RADLYN_DIST names another
# output folder.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh

if [ -z "${SOURCE_DATE_EPOCH:-}" ]; then
  SOURCE_DATE_EPOCH=$(git log -1 --format=%ct 2>/dev/null) || {
    echo "release.sh: not a git checkout: set SOURCE_DATE_EPOCH to the sources' time" >&2
    exit 1
  }
fi
export SOURCE_DATE_EPOCH
dist=$(realpath -m -- "${RADLYN_DIST:-dist}")

cmake --preset win32-release >/dev/null
cmake --build --preset win32-release -j2
build=build/win32-release
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
[ -n "$version" ] || { echo "release.sh: no project version in $build/CMakeCache.txt" >&2; exit 1; }

signing=0
if [ -n "${RADLYN_SIGN_KEY:-}" ] || [ -n "${RADLYN_SIGN_CERT:-}" ]; then
  [ -r "${RADLYN_SIGN_KEY:-}" ] && [ -r "${RADLYN_SIGN_CERT:-}" ] || {
    echo "release.sh: RADLYN_SIGN_KEY and RADLYN_SIGN_CERT must both name readable files" >&2
    exit 1
  }
  signing=1
fi
# sign IN OUT DESCRIPTION: an Authenticode signature (SHA-256) on a program or package.
sign() {
  local options=(-certs "$RADLYN_SIGN_CERT" -key "$RADLYN_SIGN_KEY" -h sha256 -n "$3")
  [ -n "${RADLYN_SIGN_PASS:-}" ] && options+=(-pass "$RADLYN_SIGN_PASS")
  [ -n "${RADLYN_SIGN_TIMESTAMP_URL:-}" ] && options+=(-ts "$RADLYN_SIGN_TIMESTAMP_URL")
  osslsigncode sign "${options[@]}" -in "$1" -out "$2" >/dev/null
}

rm -rf "$dist"
mkdir -p "$dist"
if [ $signing = 1 ]; then
  sign "$build/bin/radlyn.exe" "$dist/radlyn.exe" "Radlyn"
else
  cp "$build/bin/radlyn.exe" "$dist/radlyn.exe"
fi
cp "$build/bin/radlyn.exe.debug" "$dist/"

# The product code follows from the upgrade code and the version (a name-based UUID), so that a
# rebuild of one version is the same product to Windows Installer.
upgrade_code=$(sed -n 's/.*UpgradeCode="\([0-9A-F-]*\)".*/\1/p' packaging/radlyn.wxs)
hash=$(printf '%s %s' "$upgrade_code" "$version" | sha1sum | tr a-f A-F)
variant=$(printf '%X' $(((16#${hash:16:1} & 3) | 8)))
product_code="${hash:0:8}-${hash:8:4}-5${hash:13:3}-${variant}${hash:17:3}-${hash:20:12}"
msi=radlyn-$version.msi
# wixl takes the files' paths relative to the current folder only.
wixl -a x86 -D "Version=$version" -D "ProductCode=$product_code" \
  -D "ProgramFile=$(realpath --relative-to=. "$dist/radlyn.exe")" -D "OrbelData=$build/bin/ORBEL" \
  -o "$dist/$msi" packaging/radlyn.wxs
if [ $signing = 1 ]; then
  sign "$dist/$msi" "$dist/$msi.signed" "Radlyn $version"
  mv "$dist/$msi.signed" "$dist/$msi"
fi
(cd "$dist" && sha256sum radlyn.exe radlyn.exe.debug "$msi" >SHA256SUMS)

echo "Radlyn $version, sources of $(date -u -d "@$SOURCE_DATE_EPOCH" '+%Y-%m-%d %H:%M:%S UTC'):"
for file in radlyn.exe radlyn.exe.debug "$msi" SHA256SUMS; do
  printf '  %-24s %10s bytes\n' "$file" "$(stat -c %s "$dist/$file")"
done
if [ $signing = 1 ]; then
  echo "radlyn.exe and $msi are signed with $(openssl x509 -noout -subject -in "$RADLYN_SIGN_CERT")"
else
  echo "UNSIGNED: set RADLYN_SIGN_KEY and RADLYN_SIGN_CERT to sign radlyn.exe and $msi"
fi
echo "in $dist"
