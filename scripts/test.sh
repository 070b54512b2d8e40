#!/usr/bin/env bash
# Builds and runs every test: the default build, the sanitizer build (AddressSanitizer and
# UndefinedBehaviorSanitizer), the fuzz harnesses for a bounded time each, and the 32-bit Windows
# build with its tests under Wine, in 64-bit Windows prefixes (WoW64) and, when this runs as root,
# as the ordinary user radlyn-tester (made on first use), as practice staff work.
# Usage: scripts/test.sh [--quick | --windows]
#   --quick    the default build's tests only
#   --windows  the Windows build's tests only
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh

quick=0
windows_only=0
[ "${1:-}" = "--quick" ] && quick=1
[ "${1:-}" = "--windows" ] && windows_only=1
fuzz_seconds=${RADLYN_FUZZ_SECONDS:-20}

step() { printf '\n=== %s ===\n' "$*"; }

if git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
  step "formatting"
  git ls-files '*.cc' '*.h' | xargs clang-format --dry-run --Werror
  echo "every C++ file is clang-formatted"
fi

# Root under Wine overwrites read-only files and writes wherever it likes, which Windows refuses an
# ordinary user; so root hands the Windows build folder to an ordinary user, who builds there and
# runs the tests (Wine runs only in prefixes of the user's own, and the build runs programs under
# Wine too). It needs the source tree readable by others (umask 022).
test_user=radlyn-tester
windows() {
  local as_user=() who
  who=$(id -un)
  if [ "$(id -u)" -eq 0 ]; then
    id -u "$test_user" >/dev/null 2>&1 || useradd --create-home --user-group "$test_user"
    if runuser -u "$test_user" -- test -r scripts/test.sh; then
      mkdir -p build/win32
      chown -R "$test_user:" build/win32
      as_user=(runuser -u "$test_user" --) who="the ordinary user $test_user"
    else
      who="root: $test_user cannot read $PWD"
    fi
  fi
  step "Windows build (as $who)"
  "${as_user[@]}" cmake --preset win32 >/dev/null
  "${as_user[@]}" cmake --build --preset win32 -j2
  step "Windows tests (under Wine, in 64-bit Windows prefixes, as $who)"
  "${as_user[@]}" ctest --preset win32
}
if [ $windows_only = 1 ]; then
  windows
  exit 0
fi

step "default build"
cmake --preset default >/dev/null
cmake --build --preset default -j2
step "default tests"
ctest --preset default

[ $quick = 1 ] && exit 0

step "sanitizer build"
cmake --preset sanitize >/dev/null
cmake --build --preset sanitize -j2
step "sanitizer tests"
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1 \
  ctest --preset sanitize

step "fuzz build"
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j2
step "fuzzing, ${fuzz_seconds} s per harness"
scripts/fuzz.sh "$fuzz_seconds"

windows
