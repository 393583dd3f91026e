#!/usr/bin/env bash
# Switches PushClient live on and off, then refreshes its devices, many times under Wine against the
# stand-in encoder, printing its handles, windows, GDI objects and memory as it goes
# (see bench/SoakBenchmark.cpp).
#   bash scripts/soak.sh [cycles, default 1000]
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
source "$ROOT/scripts/common.sh"
trap cleanup EXIT
install_deps "$@"
build_windows
start_display
start_wine
echo "Machine: $(nproc) cores, $(. /etc/os-release && echo "$PRETTY_NAME"), $(wine --version)"
wine "$ROOT/build/win/pushclient_soak.exe" "$@" </dev/null
