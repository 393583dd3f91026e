#!/usr/bin/env bash
# Sets up everything and opens PushClient under Wine. The program runs in build/run/, which holds the
# exe, the encoder beside it, and the files the program writes (config.db, device.txt).
# Without a display, the program runs on a virtual one and a screenshot is saved as build/run/window.png.
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
source "$ROOT/scripts/common.sh"

bash "$ROOT/scripts/install-deps.sh"
build_windows

RUN_DIR="$ROOT/build/run"
mkdir -p "$RUN_DIR"
cp "$ROOT/build/win/PushClient.exe" "$RUN_DIR/"

start_display
trap 'stop_wine; stop_display' EXIT
start_wine
cd "$RUN_DIR"
wine PushClient.exe </dev/null >"$RUN_DIR/wine.log" 2>&1 &
APP_PID=$!
if [ -n "${XVFB_PID:-}" ]; then
  sleep 5
  import -display "$DISPLAY" -window root "$RUN_DIR/window.png"
  echo "Screenshot: $RUN_DIR/window.png"
fi
wait "$APP_PID" || true
