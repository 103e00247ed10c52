#!/usr/bin/env bash
# Runs a command on a private X server with the accessibility bus, inside the
# session bus it is started in (dbus-run-session -- lib/session.sh CMD ...),
# and stops both afterwards. Exits with the command's status.
set -uo pipefail
displayfile=$(mktemp)
Xvfb -displayfd 5 -screen 0 1280x900x24 -nolisten tcp 5>"$displayfile" 2>/dev/null &
xvfb=$!
for _ in $(seq 100); do [ -s "$displayfile" ] && break; sleep 0.05; done
export DISPLAY=":$(head -n1 "$displayfile")"
rm -f "$displayfile"
/usr/libexec/at-spi-bus-launcher --launch-immediately &
bus=$!
# Programs started before the accessibility bus answers never join it.
for _ in $(seq 100); do
    dbus-send --session --print-reply --dest=org.a11y.Bus /org/a11y/bus org.a11y.Bus.GetAddress \
        >/dev/null 2>&1 && break
    sleep 0.1
done
"$@"
rc=$?
kill "$bus" "$xvfb" 2>/dev/null
wait 2>/dev/null
exit $rc
