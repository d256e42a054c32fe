#!/usr/bin/env bash
# Runs the Accountd tests of netcourier_test against the account-service stand-in: starts
# outside/accountd/accountd.py on a free port, runs the tests, stops the server.
#   run_with_accountd.sh ACCOUNTD_PY WINERUN BUILD_DIR TEST_EXE [TEST_FILTER]
# The stand-in's port reaches the tests as NC_ACCOUNTD_PORT; TEST_FILTER defaults to
# 'Accountd.*'.
set -uo pipefail
accountd=$1
winerun=$2
build=$3
exe=$4
filter=${5:-Accountd.*}
if [ ! -f "$accountd" ]; then
  echo "no account-service stand-in at $accountd; skipped"
  exit 77
fi
tmp=$(mktemp -d)
python3 "$accountd" --port 0 --port-file "$tmp/port" --data "$tmp/data" -q \
  --fixed-secret 4711 >"$tmp/accountd.out" 2>&1 &
pid=$!
trap 'kill "$pid" 2>/dev/null; wait "$pid" 2>/dev/null; rm -rf "$tmp"' EXIT
for _ in $(seq 1 100); do
  [ -s "$tmp/port" ] && break
  sleep 0.1
done
if [ ! -s "$tmp/port" ]; then
  echo "accountd did not start:"
  cat "$tmp/accountd.out"
  exit 1
fi
NC_ACCOUNTD_PORT=$(tr -d '[:space:]' <"$tmp/port") \
  "$winerun" --build "$build" "$exe" --gtest_filter="$filter"
