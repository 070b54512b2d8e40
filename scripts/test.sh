#!/usr/bin/env bash
# Builds and runs every test: the default build, the sanitizer build (AddressSanitizer and
# UndefinedBehaviorSanitizer) and the fuzz harnesses for a bounded time each.
# Usage: scripts/test.sh [--quick]   (--quick: the default build's tests only)
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh

quick=0
[ "${1:-}" = "--quick" ] && quick=1
fuzz_seconds=${RADLYN_FUZZ_SECONDS:-20}

step() { printf '\n=== %s ===\n' "$*"; }

if git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
  step "formatting"
  git ls-files '*.cc' '*.h' | xargs clang-format --dry-run --Werror
  echo "every C++ file is clang-formatted"
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
