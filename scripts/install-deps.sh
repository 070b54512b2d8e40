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
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
as_root=()
if [ "$(id -u)" -ne 0 ]; then
  command -v sudo >/dev/null || { echo "Run as root to install: ${missing[*]}" >&2; exit 1; }
  as_root=(sudo)
fi
"${as_root[@]}" apt-get update -qq
DEBIAN_FRONTEND=noninteractive "${as_root[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
