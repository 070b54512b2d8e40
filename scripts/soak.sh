#!/usr/bin/env bash
# Runs the soak test at length: many consecutive jobs on one hostsim installation (default
# 1,000), every Nth of them under valgrind's memcheck (default every 100th), and prints the
# figures per kind of job (peak memory, descriptors open at the end, event-log lines).
# Usage: scripts/soak.sh [JOBS] [VALGRIND_EVERY]   (VALGRIND_EVERY 0: no memcheck)
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=${1:-1000}
valgrind_every=${2:-100}

cmake --preset default >/dev/null
cmake --build --preset default -j2 --target radlyn hostsim integration_tests
build=build/default
RADLYN_BUILD_DIR=$PWD/$build RADLYN_SOURCE_DIR=$PWD RADLYN_SOAK_JOBS=$jobs RADLYN_SOAK_VALGRIND=$valgrind_every \
  "$build/tests/integration_tests" --gtest_filter='SoakTest.*'
