#!/usr/bin/env bash
# Installs the Debian 12 packages Radlyn needs to build, test and run its demo, skipping those
# already present. Needs root (uses sudo when it is not root and sudo exists).
set -euo pipefail

packages=(
  g++ cmake ninja-build pkg-config git                 # build
  clang libclang-rt-14-dev clang-format                # fuzzing (libFuzzer), formatting
  libgtest-dev libgmock-dev libbenchmark-dev           # tests and benchmarks
  libxml2-dev                                          # XML documents
  libsystemd-dev dbus dbus-daemon                      # automation servers over the session bus
  libtiff-dev libtiff-tools                            # hostsim's image files, image checks
  libgtk-3-dev xvfb xauth xdotool x11-utils imagemagick # dialogs, GUI tests, screenshots, previews
  adwaita-icon-theme fonts-dejavu-core                 # the dialogs' icons and font
  g++-mingw-w64-i686 googletest                        # the 32-bit Windows program and its tests
  wine wine32:i386 wine64                              # running it under Wine: 32-bit and WoW64 prefixes
  mingw-w64-tools                                      # widl: hostsim's type library
  wixl msitools osslsigncode openssl zip               # the release: MSI and its tables, signing, certificates, kit
  python3                                              # the release test's local time-stamp authority
  locales                                              # other ANSI code pages under Wine (pl, ru, ja)
  mono-mcs mono-runtime libmono-i18n-west4.0-cil        # the client kit's C# sample (Windows-1252 included)
  fp-compiler                                          # the client kit's Object Pascal sample (compiler and its run-time units)
)

as_root=()
if [ "$(id -u)" -ne 0 ] && command -v sudo >/dev/null; then as_root=(sudo); fi

# Wine's 32-bit half comes from the i386 architecture.
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  "${as_root[@]}" dpkg --add-architecture i386
fi

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  if [ "$(id -u)" -ne 0 ] && [ ${#as_root[@]} -eq 0 ]; then
    echo "Run as root to install: ${missing[*]}" >&2
    exit 1
  fi
  # A mirror in the middle of its sync answers with index files of the wrong size, and a fetch
  # can fail in passing: both pass within minutes, so the list update and install are tried again.
  apt=("${as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get -o Acquire::Retries=3)
  attempt=1
  until "${apt[@]}" update -qq && "${apt[@]}" install -y -qq --no-install-recommends "${missing[@]}"; do
    if [ $attempt -ge 5 ]; then
      echo "apt-get failed $attempt times; the package mirror cannot be read" >&2
      exit 1
    fi
    echo "apt-get failed (attempt $attempt of 5); trying again in $((attempt * 30)) s" >&2
    sleep $((attempt * 30))
    attempt=$((attempt + 1))
  done
fi

# The locales whose code pages the Windows tests run under (Wine takes the ANSI and OEM code
# pages from the Unix locale): Polish 1250, Russian 1251, Japanese 932.
code_page_locales=(pl_PL ru_RU ja_JP)
absent=()
for l in "${code_page_locales[@]}"; do
  locale -a 2>/dev/null | grep -qix "$l.utf-\?8" || absent+=("$l")
done
if [ ${#absent[@]} -gt 0 ]; then
  if [ "$(id -u)" -ne 0 ] && [ ${#as_root[@]} -eq 0 ]; then
    echo "Run as root to generate the locales: ${absent[*]}" >&2
    exit 1
  fi
  for l in "${absent[@]}"; do
    grep -qx "$l.UTF-8 UTF-8" /etc/locale.gen ||
      echo "$l.UTF-8 UTF-8" | "${as_root[@]}" tee -a /etc/locale.gen >/dev/null
  done
  "${as_root[@]}" locale-gen >/dev/null
fi
