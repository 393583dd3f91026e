# shellcheck shell=bash
# Sourced by the project's scripts: building, and a display plus Wine session to run the program in.
# ROOT must be set to the repository's top folder before sourcing.

# Whether the locale that gives Wine the ANSI code page 936 has been generated.
has_wine_locale() {
  grep -qix 'zh_CN\.utf8' <<<"$(locale -a 2>/dev/null)"
}

# Installs what is missing (scripts/install-deps.sh). Call it first, as install_deps "$@": when that had
# to generate the zh_CN.UTF-8 locale, the calling script starts over in a new process. glibc looks for the
# locale archive once per process, so a shell that was started before the archive existed can never switch
# to a locale in it: wine-env.sh would only get "setlocale: LC_ALL: cannot change locale (zh_CN.UTF-8)".
install_deps() {
  local had_locale=1
  has_wine_locale || had_locale=0
  bash "$ROOT/scripts/install-deps.sh"
  if [ "$had_locale" = 0 ] && [ -z "${PUSHCLIENT_LOCALE_GENERATED:-}" ] && has_wine_locale; then
    export PUSHCLIENT_LOCALE_GENERATED=1
    exec bash "$(readlink -f "$0")" "$@"
  fi
}

build_native() {
  cmake -S "$ROOT" -B "$ROOT/build/native" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
  cmake --build "$ROOT/build/native"
}

# The unit tests again, under AddressSanitizer and UndefinedBehaviorSanitizer (the flags are in
# cmake/Sanitizers.cmake). GCC, as in the plain build: the tests' Chinese literals must become GBK bytes.
build_native_sanitized() {
  cmake -S "$ROOT" -B "$ROOT/build/native-sanitized" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_C_COMPILER=gcc -DCMAKE_CXX_COMPILER=g++ -DPUSHCLIENT_SANITIZE=ON >/dev/null
  cmake --build "$ROOT/build/native-sanitized" -j2
}

# The fuzzers of the pure rules: clang, libFuzzer, AddressSanitizer and UndefinedBehaviorSanitizer.
build_fuzz() {
  cmake -S "$ROOT" -B "$ROOT/build/fuzz" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DPUSHCLIENT_FUZZ=ON >/dev/null
  cmake --build "$ROOT/build/fuzz" -j2
}

build_windows() {
  configure_windows
  cmake --build "$ROOT/build/win"
}

configure_windows() {
  cmake -S "$ROOT" -B "$ROOT/build/win" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/mingw-w64-x86_64.cmake" >/dev/null
}

# The same Windows program and tools built by clang with lld, every warning an error. The tests keep
# running on the GCC build; this one proves the code builds cleanly with a second compiler.
build_clang() {
  cmake -S "$ROOT" -B "$ROOT/build/clang" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/clang-mingw-w64-x86_64.cmake" -DCMAKE_COMPILE_WARNING_AS_ERROR=ON >/dev/null
  cmake --build "$ROOT/build/clang" --target PushClient fake_ffmpeg ffmpeg_bridge window_driver alerts_win32 recording
}

# Starts Xvfb on a free display unless DISPLAY already works; sets DISPLAY and XVFB_PID.
start_display() {
  XVFB_PID=""
  if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then return 0; fi
  local n=90
  while [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ]; do n=$((n + 1)); done
  Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp </dev/null >/dev/null 2>&1 &
  XVFB_PID=$!
  export DISPLAY=":$n"
  for _ in $(seq 1 100); do
    [ -e "/tmp/.X11-unix/X$n" ] && return 0
    sleep 0.1
  done
  echo "Xvfb did not start" >&2
  return 1
}

stop_display() {
  if [ -n "${XVFB_PID:-}" ]; then kill "$XVFB_PID" 2>/dev/null || true; fi
  XVFB_PID=""
}

# A persistent wineserver, started detached: Wine's background processes would otherwise inherit the
# caller's stdout/stderr and keep a test runner's pipes open after the tests are done.
start_wine() {
  source "$ROOT/scripts/wine-env.sh"
  WINE_STARTED=1
  bash "$ROOT/scripts/wine-prefix.sh"
  wineserver -p </dev/null >/dev/null 2>&1 || true
  wine cmd /c exit </dev/null >/dev/null 2>&1 || true
}

# Ends the wineserver of our own prefix only, and only once start_wine has chosen that prefix.
stop_wine() {
  [ "${WINE_STARTED:-0}" = 1 ] || return 0
  wineserver -k </dev/null >/dev/null 2>&1 || true
  timeout 20 wineserver -w </dev/null >/dev/null 2>&1 || true
  WINE_STARTED=0
}

# The local RTMP server; RTMP_STARTED is set first, so that a start that fails half-way is still stopped.
start_rtmp_server() {
  RTMP_STARTED=1
  bash "$ROOT/scripts/rtmp-server.sh" start
}

stop_rtmp_server() {
  [ "${RTMP_STARTED:-0}" = 1 ] || return 0
  bash "$ROOT/scripts/rtmp-server.sh" stop >/dev/null || true
  RTMP_STARTED=0
}

# The webhooks of the alert tests, wine.Alerts and wine.AlertsOverHttps (scripts/webhook-https.sh); HTTPS_WEBHOOK_STARTED is set
# first, as for the RTMP server. On success exports PUSHCLIENT_HTTPS_WEBHOOK, its folder, which those tests
# need: without it they are skipped.
start_https_webhook() {
  HTTPS_WEBHOOK_STARTED=1
  if bash "$ROOT/scripts/webhook-https.sh" start; then
    export PUSHCLIENT_HTTPS_WEBHOOK="${WEBHOOK_HTTPS_DIR:-$ROOT/build/win/webhook-https}"
  else
    echo "The webhook receiver did not start: the alert tests will be skipped." >&2
    unset PUSHCLIENT_HTTPS_WEBHOOK
  fi
}

stop_https_webhook() {
  [ "${HTTPS_WEBHOOK_STARTED:-0}" = 1 ] || return 0
  bash "$ROOT/scripts/webhook-https.sh" stop >/dev/null || true
  HTTPS_WEBHOOK_STARTED=0
}

# Ends whatever of the above was started, in reverse order. Install it as the EXIT trap before
# starting anything: it leaves alone what was not started.
cleanup() {
  stop_wine
  stop_https_webhook
  stop_rtmp_server
  stop_display
}
