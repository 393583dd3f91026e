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
