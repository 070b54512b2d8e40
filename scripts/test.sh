#!/usr/bin/env bash
# Builds and runs every test: the default build, the sanitizer build (AddressSanitizer and
# UndefinedBehaviorSanitizer), the fuzz harnesses for a bounded time each, and the 32-bit Windows
# build with its tests under Wine.
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

windows() {
  step "Windows build"
  cmake --preset win32 >/dev/null
  cmake --build --preset win32 -j2
  step "Windows tests (under Wine)"
  ctest --preset win32
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
