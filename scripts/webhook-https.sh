#!/usr/bin/env bash
# The webhooks that the alert tests (wine.Alerts, wine.AlertsOverHttps) post to (tools/webhook_receiver),
# each on a free port of 127.0.0.1: two over HTTPS with certificates made at start for CN=localhost
# (subjectAltName DNS:localhost, IP:127.0.0.1), of which the tests trust "trusted" in their Wine prefix and
# never "untrusted"; and six over plain HTTP: "plain" answers 200, "failing" 500, "refusing" 200 with a
# chat robot's error code in its body, "rejecting" 400, "redirecting" 302, "hanging" never.
#
#   scripts/webhook-https.sh start    make the certificates, start the receiver and wait until every
#                                     listener accepts (at most 10 s)
#   scripts/webhook-https.sh stop     stop the receiver this script started, by its recorded pid, when that
#                                     pid is still the receiver of our folder
#   scripts/webhook-https.sh status   "running (pid N)" with exit code 0, or "stopped" with 3
#
# Its folder (WEBHOOK_HTTPS_DIR, default build/win/webhook-https) holds, for each listener, NAME.port (the
# port, once it listens) and NAME.posts (what was posted); for trusted and untrusted NAME.pem and NAME.key;
# trusted.der too (the certificate as the tests add it to the Windows store). Needs python3 and
# openssl (scripts/install-deps.sh).
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
source "$ROOT/scripts/service-lib.sh"
DIR="${WEBHOOK_HTTPS_DIR:-$ROOT/build/win/webhook-https}"
PIDFILE="$DIR/receiver.pid"
RECEIVER="$ROOT/tools/webhook_receiver/https_receiver.py"
LISTENERS=(trusted untrusted)
PLAIN_LISTENERS=(plain=ok failing=error refusing=robot_error rejecting=bad_request redirecting=redirect hanging=hang)
CERT_DAYS=2

# Whether a process is the receiver of our own folder.
is_our_receiver() {
  local cmdline
  cmdline="$(tr '\0' ' ' 2>/dev/null <"/proc/$1/cmdline")" || return 1
  [[ "$cmdline" == *python3*" $RECEIVER $DIR "* ]]
}

# The pid of the receiver this script started, if it is still there.
running_pid() { pid_of_ours "$PIDFILE" is_our_receiver; }

make_certificate() {
  openssl req -x509 -newkey rsa:2048 -nodes -days "$CERT_DAYS" -subj /CN=localhost \
    -addext "subjectAltName=DNS:localhost,IP:127.0.0.1" \
    -keyout "$DIR/$1.key" -out "$DIR/$1.pem" >/dev/null 2>&1
}

start() {
  local pid
  if pid="$(running_pid)"; then
    echo "webhook-https: already running (pid $pid)"
    return 0
  fi
  command -v python3 >/dev/null || { echo "webhook-https: python3 is not installed" >&2; return 1; }
  command -v openssl >/dev/null || { echo "webhook-https: openssl is not installed" >&2; return 1; }
  mkdir -p "$DIR"
  for name in "${LISTENERS[@]}"; do
    make_certificate "$name"
  done
  local names=("${LISTENERS[@]}")
  for listener in "${PLAIN_LISTENERS[@]}"; do names+=("${listener%%=*}"); done
  for name in "${names[@]}"; do rm -f "$DIR/$name.port" "$DIR/$name.posts"; done
  openssl x509 -in "$DIR/trusted.pem" -outform DER -out "$DIR/trusted.der"

  python3 "$RECEIVER" "$DIR" "${LISTENERS[@]/%/=tls}" "${PLAIN_LISTENERS[@]}" </dev/null >"$DIR/receiver.log" 2>&1 &
  pid=$!
  echo "$pid" >"$PIDFILE"
  for _ in $(seq 1 100); do
    if ! kill -0 "$pid" 2>/dev/null || [[ "$(ps -o stat= -p "$pid" 2>/dev/null)" == Z* ]]; then
      echo "webhook-https: the receiver exited at start:" >&2
      tail -n 5 "$DIR/receiver.log" >&2 || true
      rm -f "$PIDFILE"
      return 1
    fi
    local ready=1
    for name in "${names[@]}"; do
      if [ ! -s "$DIR/$name.port" ] || ! port_accepts "$(cat "$DIR/$name.port")"; then ready=0; fi
    done
    if [ "$ready" = 1 ]; then
      echo "webhook-https: running (pid $pid), https://localhost:$(cat "$DIR/trusted.port")/ (trusted)," \
        "https://localhost:$(cat "$DIR/untrusted.port")/ (untrusted), http://127.0.0.1:$(cat "$DIR/plain.port")/" \
        "(plain; failing, refusing, rejecting, redirecting and hanging beside it), in $DIR"
      return 0
    fi
    sleep 0.1
  done
  echo "webhook-https: the receiver did not listen within 10 s" >&2
  stop >/dev/null
  return 1
}

stop() {
  local pid
  if ! pid="$(running_pid)"; then
    rm -f "$PIDFILE"
    echo "webhook-https: stopped"
    return 0
  fi
  end_ours "$pid" is_our_receiver
  rm -f "$PIDFILE" "$DIR"/*.port
  echo "webhook-https: stopped"
}

service_main webhook-https "$@"
