#!/usr/bin/env bash
# Checks the real program from outside, as a player and a screen reader meet
# it: a private X server (Xvfb), a session bus with the accessibility bus,
# xdotool for mouse and keys, pyatspi for reading.
#
#   tests/e2e/run.sh                      # every check
#   tests/e2e/run.sh check_board.py       # one of them
#
# Needs a built program (build/vorlith, or VORLITH_BINARY) and the packages in
# tests/e2e/README.md. The programs run on free ports (VORLITH_HOST_PORT and
# VORLITH_PRESENCE_PORT, picked by the scripts unless set).
set -euo pipefail
ulimit -c unlimited 2>/dev/null || true
# VORLITH_E2E_NETNS=1 (as root): everything runs in a network namespace of
# its own, where a check may make more (the server's check puts the server
# across a virtual Ethernet pair).
if [ "${VORLITH_E2E_NETNS:-}" = 1 ] && [ -z "${VORLITH_E2E_IN_NETNS:-}" ]; then
    exec env VORLITH_E2E_IN_NETNS=1 unshare --net --mount --propagation private -- \
        bash -c 'ip link set lo up && exec "$0" "$@"' "$0" "$@"
fi
here=$(cd "$(dirname "$0")" && pwd)
checks=("$@")
((${#checks[@]})) || checks=(check_board.py check_game.py check_computers.py check_server.py)

# The X server picks a free display itself and names it on descriptor 5.
displayfile=$(mktemp)
Xvfb -displayfd 5 -screen 0 1600x1200x24 -nolisten tcp 5>"$displayfile" 2>/dev/null &
xvfb=$!
trap 'kill $xvfb 2>/dev/null || true' EXIT
for _ in $(seq 100); do [ -s "$displayfile" ] && break; sleep 0.05; done
export DISPLAY=":$(head -n1 "$displayfile")"
rm -f "$displayfile"

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
