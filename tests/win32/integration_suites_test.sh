#!/usr/bin/env bash
# The Linux build's integration suites against the Windows build: the same test program runs
# radlyn.exe and hostsim.exe under Wine (RADLYN_TARGET=win32) and checks the same result files,
# event logs, calls logs and images as on Linux. hostsim's switches for the whole run, if any, come
# in RADLYN_HOSTSIM_SWITCHES (tests/integration/support/integration_support.h).
# Usage, inside on_display.sh (exposures need an owner window, so a display):
#   integration_suites_test.sh WIN32_BUILD LINUX_BUILD SOURCE_DIR GTEST_FILTER
# Ends with 77 (skipped) when LINUX_BUILD holds no integration tests.
set -uo pipefail
win32=$1 linux=$2 source=$3 filter=$4
tests=$linux/tests/integration_tests
if [ ! -x "$tests" ]; then
  echo "SKIP: no integration tests in $linux"
  exit 77
fi
source "$(dirname "$0")/wine_test_lib.sh"
# The last test's installation stays registered in the prefix otherwise.
trap 'wine reg delete "$server_key" /f >/dev/null 2>&1' EXIT
export RADLYN_TARGET=win32 RADLYN_WIN32_BUILD_DIR=$win32 RADLYN_BUILD_DIR=$linux RADLYN_SOURCE_DIR=$source
"$tests" --gtest_filter="$filter"
