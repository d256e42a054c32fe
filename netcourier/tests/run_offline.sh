#!/usr/bin/env bash
# Runs the Offline tests of netcourier_test with no network at all: a network namespace of
# its own (only a loopback interface that is down) and a Wine prefix of its own, so that
# the prefix's services, which answer the connected-state query, see the same network.
#   run_offline.sh WINERUN BUILD_DIR TEST_EXE
set -uo pipefail
winerun=$1
build=$2
exe=$3
mkdir -p "$build"
if ! unshare -n true 2>/dev/null; then
  echo "netcourier_offline: this machine does not allow a network namespace (unshare -n); skipped"
  exit 77
fi
exec unshare -n bash -c '
  winerun=$1; build=$2; exe=$3
  NC_EXPECT_OFFLINE=1 "$winerun" --build "$build" "$exe" --gtest_filter="Offline.*:Online.*"
  rc=$?
  "$winerun" --build "$build" --stop
  exit $rc' offline "$winerun" "$build" "$exe"
