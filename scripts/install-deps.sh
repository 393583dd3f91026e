#!/usr/bin/env bash
# Installs the Debian packages that building, running and testing PushClient need on this Linux host:
# the mingw-w64 cross compilers, clang with lld as a second compiler for the same target and with
# libFuzzer's runtime for the fuzzers, Wine with Xvfb to run the Windows program, GoogleTest for the native
# unit tests, ffmpeg with nginx's RTMP module for real streaming on loopback, Python 3 for the HTTPS webhook
# the alert tests post to, unzip to test the release package, and a PulseAudio server of the tests' own that
# gives a real Windows ffmpeg.exe under Wine audio devices to list (npm fetches that ffmpeg.exe).
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
source "$ROOT/scripts/common.sh"

packages=(
  g++-mingw-w64-x86-64 mingw-w64-tools binutils-mingw-w64-x86-64 clang lld
  wine wine64 fonts-wine xvfb x11-apps x11-utils xdotool imagemagick fonts-wqy-zenhei locales
  googletest cmake ninja-build gcc g++ make curl unzip
  libclang-rt-14-dev
  ffmpeg nginx libnginx-mod-rtmp libnginx-mod-stream openssl python3
  pulseaudio pulseaudio-utils
)
# A Node.js installed from elsewhere brings its own npm, which Debian's package would clash with.
command -v npm >/dev/null || packages+=(npm)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done

if ((${#missing[@]})); then
  sudo_cmd=()
  [ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
  export DEBIAN_FRONTEND=noninteractive
  "${sudo_cmd[@]}" apt-get update -qq
  "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

# Wine must run with the ANSI code page 936; that needs the zh_CN.UTF-8 locale generated. (A script that
# runs this one should do so through install_deps in scripts/common.sh, which starts it over afterwards.)
if ! has_wine_locale; then
  sudo_cmd=()
  [ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
  "${sudo_cmd[@]}" sed -i 's/^# *zh_CN.UTF-8 UTF-8/zh_CN.UTF-8 UTF-8/' /etc/locale.gen
  grep -q '^zh_CN.UTF-8 UTF-8' /etc/locale.gen || echo 'zh_CN.UTF-8 UTF-8' | "${sudo_cmd[@]}" tee -a /etc/locale.gen >/dev/null
  "${sudo_cmd[@]}" locale-gen >/dev/null
fi
