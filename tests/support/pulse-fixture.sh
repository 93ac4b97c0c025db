#!/usr/bin/env bash
# A private PulseAudio server for the audio tests, started and stopped around them by ctest.
#
#   pulse-fixture.sh start <folder>   starts it; clients reach it at unix:<folder>/pulse/native
#   pulse-fixture.sh stop <folder>    stops the server started there (by its process id)
#
# The server has one output, a null sink, whose monitor is the default input: what the tests
# play is what they record. It keeps its runtime files, configuration and log in <folder>
# (never in the real home), starts no other modules, and lets clients in without a cookie
# (the tests run with a temporary configuration home each). It runs as root too. Audio goes
# over the socket, not shared memory: under load, this server's shared-memory block exchange
# has aborted on its own assertion ("non-registered memfd"), taking every later test with it.
set -euo pipefail

action=${1:-}
dir=${2:-}
if [ -z "$action" ] || [ -z "$dir" ]; then
  echo "usage: $0 start|stop <folder>" >&2
  exit 2
fi
server="unix:$dir/pulse/native"

stop_server() {
  [ -f "$dir/pid" ] || return 0
  local pid
  pid=$(cat "$dir/pid")
  rm -f "$dir/pid"
  # Only the server this script started: the id must still belong to a pulseaudio process.
  if [ -n "$pid" ] && [ "$(cat "/proc/$pid/comm" 2>/dev/null)" = "pulseaudio" ]; then
    kill "$pid" 2>/dev/null || true
    for _ in $(seq 50); do
      kill -0 "$pid" 2>/dev/null || return 0
      sleep 0.1
    done
    kill -KILL "$pid" 2>/dev/null || true
  fi
}

case "$action" in
start)
  if [ -e "$dir" ] && [ ! -O "$dir" ]; then
    echo "$dir belongs to another user" >&2
    exit 1
  fi
  stop_server # left over from an interrupted run
  rm -rf "$dir"
  mkdir -p -m 700 "$dir" "$dir/config"
  # setsid: the server leaves ctest's process group; its output goes to the log, so ctest
  # does not wait for it to close its pipes.
  HOME="$dir" XDG_CONFIG_HOME="$dir/config" XDG_RUNTIME_DIR="$dir" \
    setsid pulseaudio -n --daemonize=no --exit-idle-time=-1 --disallow-exit \
    --use-pid-file=no --realtime=no --high-priority=no --disable-shm=yes \
    -L "module-null-sink sink_name=vortan_null" \
    -L "module-native-protocol-unix auth-anonymous=1" \
    --log-target="file:$dir/pa.log" </dev/null >>"$dir/pa.out" 2>&1 &
  echo $! >"$dir/pid"
  for _ in $(seq 100); do
    if PULSE_SERVER="$server" pactl info >/dev/null 2>&1; then
      PULSE_SERVER="$server" pactl set-default-sink vortan_null
      PULSE_SERVER="$server" pactl set-default-source vortan_null.monitor
      echo "PulseAudio for the tests at $server (process $(cat "$dir/pid"))"
      exit 0
    fi
    kill -0 "$(cat "$dir/pid")" 2>/dev/null || break
    sleep 0.1
  done
  echo "PulseAudio did not start; its log:" >&2
  cat "$dir/pa.log" "$dir/pa.out" >&2 2>/dev/null || true
  stop_server
  exit 1
  ;;
stop)
  stop_server
  ;;
*)
  echo "usage: $0 start|stop <folder>" >&2
  exit 2
  ;;
esac
