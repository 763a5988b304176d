#!/usr/bin/env bash
# A private pcscd for tests, benchmarks and demos, beside (never instead of)
# a system one: its own reader configuration (vsmartcard's vpcd driver on a
# free port, two readers: PORT and PORT+1), its own socket in DIR, run in the
# foreground and stopped by its process id.
#
#   scripts/pcsc-daemon.sh start DIR [--port N] [--auto-exit]
#       Starts it and prints the settings for its clients as shell
#       assignments (PCSCLITE_CSOCK_NAME, FPKEY_VPCD_PORT, FPKEY_PCSC_READER).
#       --auto-exit: the daemon also ends after 60 s without clients, should
#       nobody stop it. Exit status 77, with the reason, where no private
#       pcscd can run (packages missing, no mount namespace).
#   scripts/pcsc-daemon.sh stop DIR
#   scripts/pcsc-daemon.sh run DIR [--port N] -- COMMAND...
#       Starts it, runs COMMAND with the settings exported, and stops it
#       however COMMAND ends; exits with COMMAND's status.
#
# Debian's pcscd (1.9) always listens on /run/pcscd/pcscd.comm; the private
# one runs in a mount namespace of its own in which DIR is mounted there, so
# its socket shows up as DIR/pcscd.comm for everybody else, and its clients
# find it through PCSCLITE_CSOCK_NAME.
set -euo pipefail

vpcd_driver=/usr/lib/pcsc/drivers/serial/libifdvpcd.so
reader_name="fpkey vpcd"

usage() {
  sed -n '2,18p' "$0" >&2
  exit 2
}

unavailable() {
  echo "pcsc-daemon: $*" >&2
  exit 77
}

# The command that gives the daemon a mount namespace of its own, or nothing.
namespace_command() {
  if [[ $(id -u) -eq 0 ]] && unshare --mount --propagation private true 2>/dev/null; then
    echo "unshare --mount --propagation private"
  elif unshare --user --map-root-user --mount --propagation private true 2>/dev/null; then
    echo "unshare --user --map-root-user --mount --propagation private"
  fi
}

port_is_taken() {
  (exec 3<>"/dev/tcp/127.0.0.1/$1") 2>/dev/null
}

# A port P with P and P+1 free (the driver's two readers).
free_port() {
  local port
  for _ in $(seq 50); do
    port=$((20000 + RANDOM % 40000))
    if ! port_is_taken "$port" && ! port_is_taken $((port + 1)); then
      echo "$port"
      return
    fi
  done
  echo "pcsc-daemon: no free port pair found" >&2
  exit 1
}

is_alive() {
  local state
  state=$(awk '{print $3}' "/proc/$1/stat" 2>/dev/null) || return 1
  [[ $state != Z ]]
}

# Still our pcscd (not ended, not a process id handed on to another program).
is_running() {
  [[ $(cat "/proc/$1/comm" 2>/dev/null) == pcscd ]] && is_alive "$1"
}

stop() {
  local dir=$1 pid
  [[ -f $dir/daemon.pid ]] || return 0
  pid=$(<"$dir/daemon.pid")
  is_running "$pid" && kill -TERM "$pid" 2>/dev/null
  for _ in $(seq 50); do
    is_running "$pid" || break
    sleep 0.1
  done
  if is_running "$pid"; then
    kill -KILL "$pid" 2>/dev/null || true
  fi
  rm -f "$dir/daemon.pid"
}

# Starts the daemon once; fails (1) when its reader could not take the port.
launch() {
  local dir=$1 port=$2 auto_exit=$3 namespace=$4 pid
  cat >"$dir/reader.conf" <<EOF
FRIENDLYNAME "$reader_name"
DEVICENAME   /dev/null:$port
LIBPATH      $vpcd_driver
CHANNELID    $port
EOF
  rm -f "$dir/pcscd.comm" "$dir/pcscd.pid"
  mkdir -p /run/pcscd 2>/dev/null || true
  # Each exec keeps the process id: the one recorded is pcscd's own.
  # shellcheck disable=SC2086,SC2016
  # The daemon must not inherit the start lock (fd 9), or it would hold it
  # for as long as it runs.
  setsid $namespace sh -c 'mount --bind "$1" /run/pcscd && exec pcscd --foreground $2 --config "$1/reader.conf"' \
    sh "$dir" "$auto_exit" >"$dir/pcscd.log" 2>&1 </dev/null 9>&- &
  pid=$!
  echo "$pid" >"$dir/daemon.pid"
  for _ in $(seq 100); do
    [[ -S $dir/pcscd.comm ]] && break
    if ! is_alive "$pid"; then
      echo "pcsc-daemon: pcscd ended at once:" >&2
      cat "$dir/pcscd.log" >&2
      rm -f "$dir/daemon.pid"
      exit 1
    fi
    sleep 0.05
  done
  [[ -S $dir/pcscd.comm ]] || { stop "$dir"; echo "pcsc-daemon: pcscd made no socket" >&2; exit 1; }
  # The configured readers are set up before the socket appears.
  if grep -q "init failed" "$dir/pcscd.log"; then
    stop "$dir"
    return 1
  fi
}

start() {
  local dir=$1 port="" auto_exit="" namespace
  shift
  while [[ $# -gt 0 ]]; do
    case $1 in
      --port) port=$2; shift 2 ;;
      --auto-exit) auto_exit=--auto-exit; shift ;;
      *) usage ;;
    esac
  done
  command -v pcscd >/dev/null || PATH=$PATH:/usr/sbin
  command -v pcscd >/dev/null || unavailable "pcscd is not installed (scripts/install-deps.sh pcsc)"
  [[ -e $vpcd_driver ]] || unavailable "the vpcd reader driver is not installed (scripts/install-deps.sh pcsc)"
  namespace=$(namespace_command)
  [[ -n $namespace ]] || unavailable "a private pcscd needs a mount namespace of its own (root, or user namespaces)"
  mkdir -p "$dir"
  dir=$(cd "$dir" && pwd)
  stop "$dir"
  local attempts=1
  [[ -n $port ]] || attempts=5
  # Daemons started side by side (ctest -j) would otherwise pick the same
  # free port: the loser's reader cannot bind it and pcscd comes up without
  # a reader. One start at a time, until the chosen port is bound.
  exec 9>"${TMPDIR:-/tmp}/fpkey-pcsc-daemon-$(id -u).lock"
  flock 9
  for _ in $(seq "$attempts"); do
    local chosen=${port:-$(free_port)}
    if launch "$dir" "$chosen" "$auto_exit" "$namespace"; then
      echo "PCSCLITE_CSOCK_NAME=$dir/pcscd.comm"
      echo "FPKEY_VPCD_PORT=$chosen"
      echo "FPKEY_PCSC_READER='$reader_name 00 00'"
      exec 9>&-
      return
    fi
  done
  exec 9>&-
  echo "pcsc-daemon: the vpcd reader could not take its port:" >&2
  cat "$dir/pcscd.log" >&2
  exit 1
}

run() {
  local dir
  mkdir -p "$1"
  dir=$(cd "$1" && pwd)
  shift
  local options=()
  while [[ $# -gt 0 && $1 != -- ]]; do options+=("$1"); shift; done
  [[ $# -gt 1 ]] || usage
  shift
  trap 'stop "$dir"' EXIT
  trap 'exit 130' INT TERM
  # Not in a subshell: the daemon stays this shell's child.
  start "$dir" "${options[@]}" >"$dir/settings"
  set -a
  # shellcheck disable=SC1091
  source "$dir/settings"
  set +a
  echo "pcsc-daemon: pcscd $(<"$dir/daemon.pid") serves $PCSCLITE_CSOCK_NAME, vpcd on port $FPKEY_VPCD_PORT" >&2
  local status=0
  "$@" || status=$?
  exit "$status"
}

[[ $# -ge 2 ]] || usage
command=$1
shift
case $command in
  start) start "$@" ;;
  stop) stop "$(cd "$1" 2>/dev/null && pwd || echo "$1")" ;;
  run) run "$@" ;;
  *) usage ;;
esac
