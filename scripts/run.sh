#!/usr/bin/env bash
# Sets up everything and opens PushClient under Wine, on the air for real: beside the exe lies the encoder
# bridge (Debian's ffmpeg behind it), and a local RTMP server runs on 127.0.0.1:1935. On a first run
# config.db is seeded with device position 0 and rtmp://127.0.0.1/live/stream: pick "测试音 (440 Hz)" (a
# sound server's sources sort before it), click "开始直播", and listen with:
# ffplay rtmp://127.0.0.1/live/stream
#
# Without a display it runs on a virtual one, goes live by driving the window, prints what the server
# received and saves a screenshot as build/run/window.png, then switches off and ends; it exits non-zero
# when the server never received the stream.
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
source "$ROOT/scripts/common.sh"
trap cleanup EXIT

install_deps "$@"
build_windows

RUN_DIR="$ROOT/build/run"
mkdir -p "$RUN_DIR"
cp "$ROOT/build/win/PushClient.exe" "$RUN_DIR/"
cp "$ROOT/build/win/ffmpeg_bridge.exe" "$RUN_DIR/ffmpeg.exe"
cp "$ROOT/build/win/ffmpeg-bridge-helper.py" "$RUN_DIR/"
STREAM_URL="rtmp://127.0.0.1/live/stream"
TONE="测试音 (440 Hz)"
if [ ! -f "$RUN_DIR/config.db" ]; then
  # Device position 0: the test tone, first in the list where no sound server answers.
  printf '0\r\n%s\r\n0\r\n1\r\n' "$STREAM_URL" >"$RUN_DIR/config.db"
fi

interactive=1
if [ -z "${DISPLAY:-}" ] || ! xdpyinfo >/dev/null 2>&1; then interactive=0; fi
start_display
start_rtmp_server
start_wine

cd "$RUN_DIR"
wine PushClient.exe </dev/null >"$RUN_DIR/wine.log" 2>&1 &
APP_PID=$!
drive() { wine "$ROOT/build/win/window_driver.exe" "$@" </dev/null; }

if [ "$interactive" = 1 ]; then
  echo "PushClient is open. Pick $TONE in 音频设备列表, click 开始直播, then listen with: ffplay $STREAM_URL"
  wait "$APP_PID" || true
  exit 0
fi

drive wait
drive select-device "$TONE" || true
drive click live
echo "Live; asking the server what it receives..."
probe=""
received=0
for _ in $(seq 1 10); do
  if probe="$(ffprobe -v error -rw_timeout 3000000 -show_entries stream=codec_name,sample_rate,channels,bit_rate \
                -of default=noprint_wrappers=1 "$STREAM_URL" 2>&1)" && [[ "$probe" == *codec_name=* ]]; then
    received=1
    break
  fi
  sleep 1
done
if [ "$received" = 1 ]; then
  echo "Server received ($STREAM_URL):"
  echo "  ${probe//$'\n'/$'\n'  }"
else
  echo "The server received no stream at $STREAM_URL; the probe said:" >&2
  echo "  ${probe//$'\n'/$'\n'  }" >&2
fi
sleep 1
import -display "$DISPLAY" -window root -crop 680x260+0+0 "$RUN_DIR/window.png"
echo "Screenshot: $RUN_DIR/window.png"
echo "Activity log:"
drive log | sed 's/^/  /'
drive click live
drive close
wait "$APP_PID" || true
[ "$received" = 1 ] || exit 1
