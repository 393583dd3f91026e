#!/usr/bin/env bash
# Builds the download for Windows users: build/PushClient-<version>-win64.zip with PushClient.exe, its
# users' guide in Chinese (README.txt) and in English (README-en.txt), the licence and SHA256SUMS. The
# version is the one in CMakeLists.txt.
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
source "$ROOT/scripts/common.sh"

install_deps "$@"
configure_windows
cmake --build "$ROOT/build/win" --target package_zip
version="$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$ROOT/build/win/CMakeCache.txt")"
zip="PushClient-$version-win64.zip"
cp "$ROOT/build/win/$zip" "$ROOT/build/$zip"
echo "$ROOT/build/$zip"
