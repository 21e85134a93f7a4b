#!/usr/bin/env bash
# Runs a command on a private X server with a real window manager: Xvfb (through xvfb-run -a)
# with openbox started first, so that windows get frames, focus and placement as on a desktop.
# Waits until openbox manages the screen, runs the command, then stops openbox; xvfb-run stops
# the server. The command's exit status is the script's.
#
# Usage: tools/with-wm.sh [--screen WxHxD] COMMAND [ARGS...]
set -euo pipefail

screen="1280x1024x24"
if [[ "${1:-}" == "--screen" ]]; then
  screen="$2"
  shift 2
fi
(($#)) || { echo "usage: $0 [--screen WxHxD] COMMAND [ARGS...]" >&2; exit 2; }

if [[ -z "${TOKIMORI_WM_INNER:-}" ]]; then
  for tool in xvfb-run openbox xprop; do
    command -v "$tool" >/dev/null || { echo "$tool is missing (tools/install-deps.sh)" >&2; exit 1; }
  done
  # -a picks a free display; the wait for the server is xvfb-run's own. A server that never
  # answers (status 75 from the inner part) is given two more tries on a new display.
  for try in 1 2 3; do
    status=0
    env TOKIMORI_WM_INNER=1 xvfb-run -a -s "-screen 0 $screen -nolisten tcp" "$0" "$@" ||
      status=$?
    ((status == 75)) || exit "$status"
    echo "with-wm.sh: try $try: no X server answered" >&2
  done
  exit "$status"
fi
unset TOKIMORI_WM_INNER

# The server may still be coming up when xvfb-run hands over (seen now and then with one test's
# server just gone before the next): wait until the display answers.
for _ in $(seq 1 200); do
  xprop -root >/dev/null 2>&1 && break
  sleep 0.05
done
xprop -root >/dev/null 2>&1 || { echo "the X server on $DISPLAY does not answer" >&2; exit 75; }

# Openbox reads the system's default configuration, never the user's own settings.
config=$(mktemp -d)
XDG_CONFIG_HOME="$config" XDG_CACHE_HOME="$config" XDG_DATA_HOME="$config" \
  openbox --sm-disable >"$config/openbox.log" 2>&1 &
wm=$!
cleanup() {
  kill "$wm" 2>/dev/null || true
  wait "$wm" 2>/dev/null || true
  rm -rf "$config"
}
trap cleanup EXIT

# A window manager that follows the desktop conventions names itself through
# _NET_SUPPORTING_WM_CHECK on the root window.
for _ in $(seq 1 200); do
  if xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'; then
    break
  fi
  kill -0 "$wm" 2>/dev/null || { cat "$config/openbox.log" >&2; exit 75; }
  sleep 0.05
done
xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' ||
  { echo "openbox did not start" >&2; cat "$config/openbox.log" >&2; exit 75; }

export QT_QPA_PLATFORM=xcb
# The private desktop has no session bus: nothing is to start one for it (D-Bus would otherwise
# try to launch one through the X server) or reach the user's own.
export DBUS_SESSION_BUS_ADDRESS=disabled:
status=0
"$@" || status=$?
exit "$status"
