#!/usr/bin/env bash
# Sets up everything and runs every test: the native unit tests (plain and under the sanitizers), a short
# run of every fuzzer, then the integration tests of the real PushClient.exe under Wine on a virtual display.
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
source "$ROOT/scripts/common.sh"
source "$ROOT/scripts/real-ffmpeg.sh"
trap 'stop_pulse; cleanup' EXIT

install_deps "$@"

echo "== Unit tests (native)"
build_native
ctest --test-dir "$ROOT/build/native" --output-on-failure

echo "== Unit tests under AddressSanitizer and UndefinedBehaviorSanitizer"
build_native_sanitized
UBSAN_OPTIONS=print_stacktrace=1 ctest --test-dir "$ROOT/build/native-sanitized" --output-on-failure

echo "== Fuzzers (a short run each)"
bash "$ROOT/scripts/fuzz.sh" 8s

echo "== Build with clang"
build_clang

echo "== Integration tests (PushClient.exe under Wine)"
# Builds the release zip too: the package tests unpack it and run the exe from it.
build_windows
start_display
# The end-to-end tests publish to the local RTMP server.
start_rtmp_server
# The alerts over HTTPS post to a receiver whose certificates are made now.
start_https_webhook
# A real Windows ffmpeg.exe and the sound server whose devices it lists, for the wine.RealEncoder tests.
fetch_real_ffmpeg
start_pulse
start_wine
ctest --test-dir "$ROOT/build/win" --output-on-failure
