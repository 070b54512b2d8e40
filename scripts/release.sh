#!/usr/bin/env bash
# Builds a release of the Windows program into dist/<version>/ (earlier versions' folders stay)
# and prints what it made. Shipped to practices, and listed in SHA256SUMS:
#   radlyn-VERSION.msi               the Windows Installer package (packaging/radlyn.wxs): radlyn.exe
#                                    and the support checker radlyn-check.exe, both signed
#   radlyn-rehearsal-VERSION.zip     the rehearsal kit: hostsim.exe with its files, the sample
#                                    client and REHEARSAL.txt (packaging/REHEARSAL.txt)
#   SHA256SUMS                       the checksums of those two files
# Kept by the vendor, not shipped, in dist/<version>/vendor/: radlyn.exe and radlyn-check.exe as
# packaged, and their debug information (*.debug, named by the programs' .gnu_debuglink) to read
# crash addresses later.
# Signing (Authenticode, through osslsigncode) takes the vendor's key and certificate from
#   RADLYN_SIGN_KEY, RADLYN_SIGN_CERT   PEM files (a key with a passphrase: RADLYN_SIGN_PASS)
#   RADLYN_SIGN_TIMESTAMP_URL           an RFC 3161 time-stamp server: signatures then stay valid
#                                       after the certificate expires
# Without them the script refuses to finish, unless RADLYN_ALLOW_UNSIGNED=1 says an unsigned
# build is meant: its package and kit are then named radlyn-VERSION-unsigned.msi and
# radlyn-rehearsal-VERSION-unsigned.zip.
# The version is set in one place: project(Radlyn VERSION ...) in CMakeLists.txt. Every change of
# any of its four fields upgrades an installed Radlyn in place.
# The build is the preset win32-release (build/win32-release); any date the packaging needs comes
# from SOURCE_DATE_EPOCH, by default the time of the checked-out commit. RADLYN_DIST names another
# output folder (the version's folder is made inside it).
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
dist_root=$(realpath -m -- "${RADLYN_DIST:-dist}")

signing=0
if [ -n "${RADLYN_SIGN_KEY:-}" ] || [ -n "${RADLYN_SIGN_CERT:-}" ]; then
  [ -r "${RADLYN_SIGN_KEY:-}" ] && [ -r "${RADLYN_SIGN_CERT:-}" ] || {
    echo "release.sh: RADLYN_SIGN_KEY and RADLYN_SIGN_CERT must both name readable files" >&2
    exit 1
  }
  signing=1
elif [ "${RADLYN_ALLOW_UNSIGNED:-}" != 1 ]; then
  echo "release.sh: no signing key: set RADLYN_SIGN_KEY and RADLYN_SIGN_CERT, or" \
    "RADLYN_ALLOW_UNSIGNED=1 for an unsigned build" >&2
  exit 1
fi

cmake --preset win32-release >/dev/null
cmake --build --preset win32-release -j2
build=build/win32-release
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
[ -n "$version" ] || { echo "release.sh: no project version in $build/CMakeCache.txt" >&2; exit 1; }

# sign FILE DESCRIPTION: an Authenticode signature (SHA-256) on a program or package, in place,
# time-stamped when a time-stamp server is given.
sign() {
  local options=(-certs "$RADLYN_SIGN_CERT" -key "$RADLYN_SIGN_KEY" -h sha256 -n "$2")
  [ -n "${RADLYN_SIGN_PASS:-}" ] && options+=(-pass "$RADLYN_SIGN_PASS")
  [ -n "${RADLYN_SIGN_TIMESTAMP_URL:-}" ] && options+=(-ts "$RADLYN_SIGN_TIMESTAMP_URL")
  osslsigncode sign "${options[@]}" -in "$1" -out "$1.signed" >/dev/null
  mv "$1.signed" "$1"
}

suffix=
[ $signing = 1 ] || suffix=-unsigned
dist=$dist_root/$version
vendor=$dist/vendor
rm -rf "$dist"
mkdir -p "$vendor"
for program in radlyn radlyn-check; do
  cp "$build/bin/$program.exe" "$build/bin/$program.exe.debug" "$vendor/"
  if [ $signing = 1 ]; then sign "$vendor/$program.exe" "Radlyn"; fi
done

# The product code follows from the upgrade code and the version (a name-based UUID), so that a
# rebuild of one version is the same product to Windows Installer, and every other version a
# product of its own that the upgrade replaces.
upgrade_code=$(sed -n 's/.*UpgradeCode="\([0-9A-F-]*\)".*/\1/p' packaging/radlyn.wxs)
hash=$(printf '%s %s' "$upgrade_code" "$version" | sha1sum | tr a-f A-F)
variant=$(printf '%X' $(((16#${hash:16:1} & 3) | 8)))
product_code="${hash:0:8}-${hash:8:4}-5${hash:13:3}-${variant}${hash:17:3}-${hash:20:12}"
msi=radlyn-$version$suffix.msi
# wixl takes the files' paths relative to the current folder only.
wixl -a x86 -D "Version=$version" -D "ProductCode=$product_code" \
  -D "ProgramFolder=$(realpath --relative-to=. "$vendor")" -D "OrbelData=$build/bin/ORBEL" \
  -D "HelpLink=https://radlyn.example/support" -o "$dist/$msi" packaging/radlyn.wxs
# Windows Installer compares three fields of a version, so a package that differs from the
# installed one in the fourth alone would not count as newer and install beside it: the upgrade
# row takes the installed version up to and including this one (WiX's
# AllowSameVersionUpgrades, which wixl lacks). Downgrades of the first three fields stay refused.
tables=$(mktemp -d)
msiinfo export "$dist/$msi" Upgrade |
  sed 's/\t1\t\tWIX_UPGRADE_DETECTED/\t513\t\tWIX_UPGRADE_DETECTED/' >"$tables/Upgrade.idt"
grep -q '513.*WIX_UPGRADE_DETECTED' "$tables/Upgrade.idt" || {
  echo "release.sh: no upgrade row in $msi" >&2
  exit 1
}
msibuild "$dist/$msi" -i "$tables/Upgrade.idt"
rm -rf "$tables"
if [ $signing = 1 ]; then sign "$dist/$msi" "Radlyn $version"; fi

# The rehearsal kit: hostsim and the sample client, no build needed on the rehearsing PC.
kit=radlyn-rehearsal-$version$suffix
staging=$(mktemp -d)
mkdir -p "$staging/$kit/bin"
cp "$build/bin/hostsim.exe" "$build/bin/radlyn_sample_client.exe" "$staging/$kit/bin/"
cp -r "$build/hostsim-files" "$staging/$kit/"
# Only radlyn's own programs keep debug information: the kit's go without.
find "$staging" -name '*.exe' -o -name '*.dll' | xargs i686-w64-mingw32-strip
sed "s/@VERSION@/$version/g; s/@MSI@/$msi/g; s/@KIT@/$kit/g" packaging/REHEARSAL.txt | sed 's/$/\r/' \
  >"$staging/$kit/REHEARSAL.txt"
find "$staging" -exec touch -h -d "@$SOURCE_DATE_EPOCH" {} +
(cd "$staging" && find "$kit" -print | LC_ALL=C sort | zip -X -q "$dist/$kit.zip" -@)
rm -rf "$staging"

(cd "$dist" && sha256sum "$msi" "$kit.zip" >SHA256SUMS)

echo "Radlyn $version, sources of $(date -u -d "@$SOURCE_DATE_EPOCH" '+%Y-%m-%d %H:%M:%S UTC'):"
for file in "$msi" "$kit.zip" SHA256SUMS vendor/radlyn.exe vendor/radlyn.exe.debug \
  vendor/radlyn-check.exe vendor/radlyn-check.exe.debug; do
  printf '  %-40s %10s bytes\n' "$file" "$(stat -c %s "$dist/$file")"
done
if [ $signing = 1 ]; then
  echo "radlyn.exe, radlyn-check.exe and $msi are signed with" \
    "$(openssl x509 -noout -subject -in "$RADLYN_SIGN_CERT")"
  if [ -n "${RADLYN_SIGN_TIMESTAMP_URL:-}" ]; then
    echo "time-stamped by $RADLYN_SIGN_TIMESTAMP_URL"
  else
    echo "NOT TIME-STAMPED: the signatures end with the certificate (set RADLYN_SIGN_TIMESTAMP_URL)"
  fi
else
  echo "UNSIGNED (RADLYN_ALLOW_UNSIGNED=1): not for practices"
fi
echo "in $dist"
