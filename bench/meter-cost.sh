#!/usr/bin/env bash
# What the level meter costs: Debian's ffmpeg encodes a 440 Hz tone in real time for 60 s, as PushClient
# asks it to (AAC, 48 kbit/s, FLV), once without and once with the meter's branch of the filter graph,
# and prints the CPU seconds each run took and the difference as a share of one core.
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
graph="$(sed -n 's/^ *"\(.*\)";\{0,1\}$/\1/p' <(sed -n '/^const char kLevelMeterGraph\[\] =/,/;$/p' "$ROOT/encoder/AudioLevels.cpp") | tr -d '\n')"
out="$(mktemp -d)"
trap 'rm -rf "$out"' EXIT
cpu() {
  /usr/bin/time -f "%U %S" -o "$out/time" ffmpeg -hide_banner -nostats -loglevel info -re \
    -f lavfi -i sine=f=440:sample_rate=48000:d=60 "$@" -c:a aac -b:a 48k -f flv -y "$out/out.flv" 2>/dev/null
  awk '{print $1 + $2}' "$out/time"
}
plain="$(cpu)"
metered="$(cpu -filter_complex "$graph" -map "[enc]")"
echo "meter graph: $graph"
awk -v p="$plain" -v m="$metered" 'BEGIN {
  printf "60 s of audio: %.2f CPU s without the meter, %.2f with it: the meter costs %.2f %% of a core\n", p, m, (m - p) / 60 * 100 }'
