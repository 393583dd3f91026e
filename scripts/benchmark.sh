#!/usr/bin/env bash
# Prints the device listing parser's figures on hostile listings (bench/ParserBenchmark.cpp), natively,
# then PushClient's responsiveness, memory and handle figures under Wine beside a minimal dialog built
# the same way (see bench/ResponsivenessBenchmark.cpp), and the stripped sizes of both exes.
#   bash scripts/benchmark.sh [seconds live, default 60]
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
source "$ROOT/scripts/common.sh"
trap cleanup EXIT
install_deps "$@"
build_native >/dev/null && "$ROOT/build/native/bench/pushclient_parser_benchmark"
build_windows
start_display
start_wine

echo "Machine: $(nproc) cores, $(. /etc/os-release && echo "$PRETTY_NAME"), $(wine --version)"
stripped="$(mktemp -d)"
for exe in PushClient minimal_dialog; do
  x86_64-w64-mingw32-strip -o "$stripped/$exe.exe" "$ROOT/build/win/$exe.exe"
  printf '%-16s stripped exe: %8d bytes\n' "$exe" "$(stat -c %s "$stripped/$exe.exe")"
done
rm -rf "$stripped"
echo
wine "$ROOT/build/win/pushclient_benchmark.exe" "$@" </dev/null
