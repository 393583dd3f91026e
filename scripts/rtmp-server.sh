#!/usr/bin/env bash
# The local RTMP server that real streaming tests publish to: nginx with the RTMP module, run from
# the project's own configuration (scripts/nginx-rtmp.conf.in, written out under build/rtmp/), never
# the system's. Listens on 127.0.0.1:1935 (RTMP), 127.0.0.1:1936 (rtmps: TLS with a self-signed
# certificate made at start, in front of the same server) and 127.0.0.1:8080/stat (statistics).
#
#   scripts/rtmp-server.sh start    start it, when ports 1935, 1936 and 8080 are free, and wait until
#                                   all accept (at most 10 s)
#   scripts/rtmp-server.sh stop     stop the server this script started, by its recorded pid, when that
#                                   pid is still nginx run from our configuration
#   scripts/rtmp-server.sh status   "running (pid N)" with exit code 0, or "stopped" with 3
#
# RTMP_DIR overrides the folder (default build/rtmp). Needs the Debian packages nginx and
# libnginx-mod-rtmp, libnginx-mod-stream and openssl (scripts/install-deps.sh).
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
source "$ROOT/scripts/service-lib.sh"
DIR="${RTMP_DIR:-$ROOT/build/rtmp}"
PIDFILE="$DIR/rtmp-server.pid"
MODULE=/usr/lib/nginx/modules/ngx_rtmp_module.so

# Whether a process is the nginx master of our own configuration. nginx rewrites its command line to
# "nginx: master process nginx -p ... -c <conf>", which still names the configuration file.
is_our_server() {
  local cmdline
  cmdline="$(tr '\0' ' ' 2>/dev/null <"/proc/$1/cmdline")" || return 1
  [[ "$cmdline" == nginx* && "$cmdline" == *" -c $DIR/nginx.conf"* ]]
}

# The pid of the server this script started, if it is still there.
running_pid() { pid_of_ours "$PIDFILE" is_our_server; }

start() {
  if pid="$(running_pid)"; then
    echo "rtmp-server: already running (pid $pid)"
    return 0
  fi
  command -v nginx >/dev/null || { echo "rtmp-server: nginx is not installed" >&2; return 1; }
  [ -f "$MODULE" ] || { echo "rtmp-server: $MODULE missing (libnginx-mod-rtmp)" >&2; return 1; }
  for port in 1935 1936 8080; do
    if port_accepts "$port"; then
      echo "rtmp-server: 127.0.0.1:$port is already taken by another program" >&2
      return 1
    fi
  done

  mkdir -p "$DIR/temp"
  sed "s|@RTMP_DIR@|$DIR|g" "$ROOT/scripts/nginx-rtmp.conf.in" >"$DIR/nginx.conf"
  openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj /CN=127.0.0.1 \
    -keyout "$DIR/key.pem" -out "$DIR/cert.pem" >/dev/null 2>&1
  : >"$DIR/error.log"
  # daemon off: nginx stays our child, so $! is its master process.
  nginx -p "$DIR/" -e "$DIR/error.log" -c "$DIR/nginx.conf" </dev/null >"$DIR/nginx.out" 2>&1 &
  local pid=$!
  echo "$pid" >"$PIDFILE"

  for _ in $(seq 1 100); do
    # Ended, or ended and not yet reaped (it is our child).
    if ! kill -0 "$pid" 2>/dev/null || [[ "$(ps -o stat= -p "$pid" 2>/dev/null)" == Z* ]]; then
      echo "rtmp-server: nginx exited at start:" >&2
      tail -n 5 "$DIR/nginx.out" "$DIR/error.log" >&2 || true
      rm -f "$PIDFILE"
      return 1
    fi
    if port_accepts 1935 && port_accepts 1936 && port_accepts 8080; then
      echo "rtmp-server: running (pid $pid), rtmp://127.0.0.1:1935/live/<stream>," \
        "rtmps://127.0.0.1:1936/live/<stream>, http://127.0.0.1:8080/stat"
      return 0
    fi
    sleep 0.1
  done
  echo "rtmp-server: ports 1935, 1936 and 8080 did not all open within 10 s" >&2
  stop >/dev/null
  return 1
}

stop() {
  local pid workers
  if ! pid="$(running_pid)"; then
    rm -f "$PIDFILE"
    echo "rtmp-server: stopped"
    return 0
  fi
  workers="$(pgrep -P "$pid" -f '^nginx: ' || true)"
  end_ours "$pid" is_our_server
  # Workers left by a master that had to be killed go too, each only while its pid is still an nginx worker.
  for p in $workers; do
    if [[ "$(tr '\0' ' ' 2>/dev/null <"/proc/$p/cmdline")" == "nginx: worker process"* ]]; then
      kill -KILL "$p" 2>/dev/null || true
    fi
  done
  rm -f "$PIDFILE"
  echo "rtmp-server: stopped"
}

service_main rtmp-server "$@"
