# shellcheck shell=bash
# Sourced by the scripts that start a local service for the tests (rtmp-server.sh, webhook-https.sh).

# The pid in the pid file $1 when the check $2 (a function given the pid) says that process is still the
# service that was started: a recycled pid that now belongs to another program is not ours.
pid_of_ours() {
  local pid
  [ -f "$1" ] || return 1
  pid="$(cat "$1" 2>/dev/null)"
  [[ "$pid" =~ ^[0-9]+$ ]] || return 1
  "$2" "$pid" || return 1
  echo "$pid"
}

port_accepts() {
  timeout 1 bash -c "exec 3<>/dev/tcp/127.0.0.1/$1" 2>/dev/null
}

# Ends the process $1: TERM, then KILL should it still be there after 5 s, each only while the check $2
# says the pid is still the service's.
end_ours() {
  kill -TERM "$1" 2>/dev/null || true
  for _ in $(seq 1 50); do
    "$2" "$1" || return 0
    sleep 0.1
  done
  if "$2" "$1"; then kill -KILL "$1" 2>/dev/null || true; fi
}

# The script's own command line, start|stop|status, for a service named $1 that defines start, stop and
# running_pid.
service_main() {
  local name="$1" pid
  case "${2:-}" in
    start) start ;;
    stop) stop ;;
    status)
      if pid="$(running_pid)"; then
        echo "$name: running (pid $pid)"
        return 0
      fi
      echo "$name: stopped"
      return 3
      ;;
    *) echo "usage: $0 start|stop|status" >&2; exit 2 ;;
  esac
}
