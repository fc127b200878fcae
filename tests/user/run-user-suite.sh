#!/usr/bin/env bash
# Runs the user-level suite: a private X server (Xvfb on a free display),
# the openbox window manager on it, then the suite, which starts the real
# program there and drives it with xdotool.
# Usage: run-user-suite.sh SUITE PROGRAM SCREENSHOT_FOLDER [SUITE ARGUMENTS...]
# WAYLINE_USER_SCREEN gives another screen size (default 1024x768), e.g. to
# look at where windows go on a wide screen.
set -euo pipefail
suite=$1
program=$2
shots=$3
shift 3

for tool in Xvfb openbox xdotool xprop; do
  if ! command -v "$tool" >/dev/null; then
    echo "run-user-suite: $tool is missing (scripts/install-deps.sh installs it)" >&2
    exit 1
  fi
done

work=$(mktemp -d)
xvfb_pid=""
wm_pid=""
cleanup() {
  [ -n "$wm_pid" ] && kill "$wm_pid" 2>/dev/null || true
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

# Xvfb picks a free display itself and writes its number to the file.
Xvfb -displayfd 3 -screen 0 "${WAYLINE_USER_SCREEN:-1024x768}x24" -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
xvfb_pid=$!
for _ in $(seq 1 100); do
  [ -s "$work/display" ] && break
  kill -0 "$xvfb_pid" 2>/dev/null || { cat "$work/xvfb.log" >&2; exit 1; }
  sleep 0.1
done
[ -s "$work/display" ] || { echo "run-user-suite: Xvfb did not start" >&2; exit 1; }
export DISPLAY=":$(head -n1 "$work/display")"

# openbox's own settings folder, so that the user's do not count.
HOME="$work" XDG_CONFIG_HOME="$work/config" openbox >"$work/openbox.log" 2>&1 &
wm_pid=$!
for _ in $(seq 1 100); do
  xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && break
  sleep 0.1
done
xprop -root _NET_SUPPORTING_WM_CHECK | grep -q 'window id' ||
  { echo "run-user-suite: openbox did not start" >&2; cat "$work/openbox.log" >&2; exit 1; }

rm -rf "$shots"
export QT_QPA_PLATFORM=xcb
export WAYLINE_PROGRAM="$program"
export WAYLINE_SHOTS="$shots"
export XDG_RUNTIME_DIR="$work"
"$suite" "$@"
