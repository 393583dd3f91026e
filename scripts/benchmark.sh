#!/usr/bin/env bash
# Prints the device-refresh figures of PushClient.exe under Wine (see tests/wine/RefreshBenchmark.cpp).
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
source "$ROOT/scripts/common.sh"
trap cleanup EXIT
bash "$ROOT/scripts/install-deps.sh"
build_windows
start_display
start_wine
wine "$ROOT/build/win/pushclient_refresh_benchmark.exe" </dev/null
