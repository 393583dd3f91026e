#!/usr/bin/env bash
# Sets up everything and runs every test: the native unit tests, then the integration tests of the real
# PushClient.exe under Wine on a virtual display.
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
source "$ROOT/scripts/common.sh"
trap cleanup EXIT

bash "$ROOT/scripts/install-deps.sh"

echo "== Unit tests (native)"
build_native
ctest --test-dir "$ROOT/build/native" --output-on-failure

echo "== Integration tests (PushClient.exe under Wine)"
build_windows
start_display
# The end-to-end tests publish to the local RTMP server and restart it through this script.
export PUSHCLIENT_ROOT="$ROOT"
start_rtmp_server
start_wine
ctest --test-dir "$ROOT/build/win" --output-on-failure
