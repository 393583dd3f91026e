#!/usr/bin/env bash
# Prints the device listing parser's figures on hostile listings (bench/ParserBenchmark.cpp), natively,
# then PushClient's responsiveness, memory and handle figures under Wine beside a bare dialog with its
# controls and manifest, built the same way (see bench/ResponsivenessBenchmark.cpp), without and with an
# alert webhook (the alert tests' receiver, scripts/webhook-https.sh), and the stripped sizes of both exes;
# last, a table of the goals with their figures.
#   bash scripts/benchmark.sh [seconds live, default 60]
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
source "$ROOT/scripts/common.sh"
trap cleanup EXIT
install_deps "$@"
build_native >/dev/null && "$ROOT/build/native/bench/pushclient_parser_benchmark"
build_windows
start_display
start_https_webhook
start_wine

echo "Machine: $(nproc) cores, $(. /etc/os-release && echo "$PRETTY_NAME"), $(wine --version)," \
  "load average $(cut -d' ' -f1-3 /proc/loadavg) at the start"
echo "Commit: $(git -C "$ROOT" rev-parse --short HEAD)$(git -C "$ROOT" diff --quiet HEAD -- . 2>/dev/null || echo ' (with changes)')"
stripped="$(mktemp -d)"
for exe in PushClient minimal_dialog; do
  x86_64-w64-mingw32-strip -o "$stripped/$exe.exe" "$ROOT/build/win/$exe.exe"
  printf '%-16s stripped exe: %8d bytes\n' "$exe" "$(stat -c %s "$stripped/$exe.exe")"
done
exe_bytes="$(stat -c %s "$stripped/PushClient.exe")"
rm -rf "$stripped"
echo
wine "$ROOT/build/win/pushclient_benchmark.exe" "${1:-60}" "$exe_bytes" </dev/null
