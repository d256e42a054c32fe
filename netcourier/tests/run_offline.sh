#!/usr/bin/env bash
# Runs the Offline tests of netcourier_test with no network at all: a network namespace of
# its own (only a loopback interface that is down) and a Wine prefix of its own, so that
# the prefix's services, which answer the connected-state query, see the same network.
# The display is the build tree's own Xvfb, reached through its socket file: an X server
# started inside the namespace would take a display number that is only free there.
#   run_offline.sh WINERUN BUILD_DIR OFFLINE_DIR TEST_EXE [TEST_FILTER]
# The tests see NC_EXPECT_OFFLINE=1; TEST_FILTER defaults to 'Offline.*:Online.*'.
set -uo pipefail
winerun=$1
build=$2
offline=$3
exe=$4
filter=${5:-Offline.*:Online.*}
mkdir -p "$offline"
if ! unshare -n true 2>/dev/null; then
  echo "netcourier_offline: this machine does not allow a network namespace (unshare -n); skipped"
  exit 77
fi
"$winerun" --build "$build" --start || exit 1
display=$(tr -d '[:space:]' <"$build/wine/display")
if [ ! -S "/tmp/.X11-unix/X$display" ]; then
  echo "netcourier_offline: display :$display has no socket file; skipped"
  exit 77
fi
exec unshare -n bash -c '
  winerun=$1; offline=$2; exe=$3; display=$4; filter=$5
  export LX_USE_DISPLAY=1 DISPLAY=":$display" NC_EXPECT_OFFLINE=1
  "$winerun" --build "$offline" "$exe" --gtest_filter="$filter"
  rc=$?
  "$winerun" --build "$offline" --stop
  exit $rc' offline "$winerun" "$offline" "$exe" "$display" "$filter"
