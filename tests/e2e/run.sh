#!/usr/bin/env bash
# Checks the real program from outside, as a player and a screen reader meet
# it: a private X server (Xvfb), a session bus with the accessibility bus,
# xdotool for mouse and keys, pyatspi for reading.
#
#   tests/e2e/run.sh                      # every check
#   tests/e2e/run.sh check_board.py       # one of them
#
# Needs a built program (build/vorlith, or VORLITH_BINARY), the packages in
# tests/e2e/README.md, and the game's ports free (7772 and 9001, or
# VORLITH_HOST_PORT / VORLITH_PRESENCE_PORT where the program honours them).
set -euo pipefail
ulimit -c unlimited 2>/dev/null || true
here=$(cd "$(dirname "$0")" && pwd)
checks=("$@")
((${#checks[@]})) || checks=(check_board.py check_game.py)

for n in $(seq 90 140); do
    [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] || { display=":$n"; break; }
done
Xvfb "$display" -screen 0 1600x1200x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
trap 'kill $xvfb 2>/dev/null || true' EXIT
export DISPLAY=$display
for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done

export QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1
dbus-run-session -- bash -c '
    /usr/libexec/at-spi-bus-launcher --launch-immediately &
    launcher=$!
    sleep 1
    rc=0
    for check in "$@"; do
        echo "== $check"
        /usr/bin/python3 "'"$here"'/$check" || rc=1
    done
    kill $launcher 2>/dev/null || true
    exit $rc
' _ "${checks[@]}"
