#!/usr/bin/env bash
# Runs a command on a headless Weston compositor of its own, with Qt's Wayland platform.
# Exits 77 (skipped) when Weston or Qt's Wayland plugin is missing or the compositor does
# not start. Usage: under-weston.sh COMMAND [ARGUMENT]...
set -uo pipefail
command -v weston >/dev/null || { echo "weston is not installed"; exit 77; }
runtime=$(mktemp -d)
trap 'kill "$weston_pid" 2>/dev/null; wait "$weston_pid" 2>/dev/null; rm -rf "$runtime"' EXIT
chmod 700 "$runtime"
export XDG_RUNTIME_DIR=$runtime
weston --backend=headless-backend.so --socket=vortan-wayland --idle-time=0 \
  --log="$runtime/weston.log" &
weston_pid=$!
for _ in $(seq 100); do
  [ -S "$runtime/vortan-wayland" ] && break
  kill -0 "$weston_pid" 2>/dev/null || break
  sleep 0.1
done
if [ ! -S "$runtime/vortan-wayland" ]; then
  echo "the compositor did not start:"; cat "$runtime/weston.log"
  exit 77
fi
export WAYLAND_DISPLAY=vortan-wayland QT_QPA_PLATFORM=wayland
# libwayland-client and the graphics driver it loads keep a few small blocks to the end,
# which the leak checker of a sanitizer build would take for the program's; the program's
# own leaks are checked by its other window tests, on the offscreen platform.
if [ -n "${ASAN_OPTIONS:-}" ]; then
  export ASAN_OPTIONS="$ASAN_OPTIONS:detect_leaks=0"
fi
"$@"
