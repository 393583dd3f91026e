#!/usr/bin/env bash
# Prints the device listing parser's figures on hostile listings (tests/unit/ParserBenchmark.cpp), natively,
# then the device-refresh figures of PushClient.exe under Wine (see tests/wine/RefreshBenchmark.cpp).
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
source "$ROOT/scripts/common.sh"
bash "$ROOT/scripts/install-deps.sh"
build_native >/dev/null && "$ROOT/build/native/tests/unit/pushclient_parser_benchmark"
build_windows
start_display
trap 'stop_wine; stop_display' EXIT
start_wine
wine "$ROOT/build/win/pushclient_refresh_benchmark.exe" </dev/null
