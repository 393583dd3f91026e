#!/usr/bin/env bash
# What the recording costs beside the broadcast: PushClient live for 60 s with [record] enabled, both its
# encoders behind the encoder bridge (Debian's ffmpeg doing the work, publishing to the local RTMP server
# and writing the recording's files), and for each encoder its CPU time over the 60 s, as a share of one
# core, and its resident memory at the end. The broadcast's encoder also measures its level for the meter.
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
source "$ROOT/scripts/common.sh"
trap cleanup EXIT
SECONDS_LIVE="${1:-60}"
build_windows >/dev/null

RUN_DIR="$(mktemp -d)"
trap 'cleanup; rm -rf "$RUN_DIR"' EXIT
cp "$ROOT/build/win/PushClient.exe" "$RUN_DIR/"
cp "$ROOT/build/win/ffmpeg_bridge.exe" "$RUN_DIR/ffmpeg.exe"
cp "$ROOT/build/win/ffmpeg-bridge-helper.py" "$RUN_DIR/"
printf '0\r\nrtmp://127.0.0.1/live/cost\r\n0\r\n1\r\n' >"$RUN_DIR/config.db"
printf '[record]\r\nenabled=1\r\nsegment_minutes=1\r\n' >"$RUN_DIR/PushClient.ini"

start_display
start_rtmp_server >/dev/null
start_wine
cd "$RUN_DIR"
wine PushClient.exe </dev/null >"$RUN_DIR/wine.log" 2>&1 &
drive() { wine "$ROOT/build/win/window_driver.exe" "$@" </dev/null; }
drive wait
drive select-device "测试音 (440 Hz)" || true
drive click live
sleep 10

# The Linux ffmpeg of each encoder, told apart by its output.
linux_pid() { pgrep -f "^(/usr/bin/)?ffmpeg .*$1" | head -n 1 || true; }
ticks() { awk '{print $14 + $15}' "/proc/$1/stat"; }
rss_kib() { awk '/^VmRSS:/ {print $2}' "/proc/$1/status"; }
declare -A pid start
for role in broadcast recording; do
  pattern=$([ "$role" = broadcast ] && echo "-f flv" || echo "-f segment")
  pid[$role]="$(linux_pid "$pattern")"
done
for key in "${!pid[@]}"; do
  [ -n "${pid[$key]}" ] || { echo "no process found for $key" >&2; exit 1; }
  start[$key]="$(ticks "${pid[$key]}")"
done
sleep "$SECONDS_LIVE"
hz="$(getconf CLK_TCK)"
echo "Commit: $(git -C "$ROOT" rev-parse --short HEAD); $(nproc) cores; load average $(cut -d' ' -f1-3 /proc/loadavg)"
printf '%-10s %12s %10s\n' encoder "% of a core" "RSS MiB"
for role in broadcast recording; do
  used=$(( $(ticks "${pid[$role]}") - ${start[$role]} ))
  awk -v r="$role" -v u="$used" -v hz="$hz" -v s="$SECONDS_LIVE" -v m="$(rss_kib "${pid[$role]}")" \
    'BEGIN { printf "%-10s %12.1f %10.1f\n", r, u / hz / s * 100, m / 1024 }'
done
drive click live
drive close
