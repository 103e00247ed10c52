#!/usr/bin/env bash
# Runs check.py under a private X server, session bus and accessibility bus.
# Usage: tests/e2e/download/run.sh [build/vorlith] [screenshot.png]
set -euo pipefail
here=$(dirname "$(realpath "$0")")
binary=$(realpath "${1:-build/vorlith}")
shot=${2:+$(realpath -m "$2")}

exec dbus-run-session -- bash -s "$here" "$binary" "$shot" <<'INNER'
set -uo pipefail
here=$1 binary=$2 shot=$3
displayfile=$(mktemp)
Xvfb -displayfd 5 -screen 0 1280x900x24 -nolisten tcp 5>"$displayfile" 2>/dev/null &
xvfb=$!
for _ in $(seq 100); do [ -s "$displayfile" ] && break; sleep 0.05; done
export DISPLAY=":$(head -n1 "$displayfile")"
rm -f "$displayfile"
/usr/libexec/at-spi-bus-launcher --launch-immediately &
bus=$!
sleep 1
/usr/bin/python3 "$here/check.py" "$binary" ${shot:+"$shot"}
rc=$?
kill "$bus" "$xvfb" 2>/dev/null
wait 2>/dev/null
exit $rc
INNER
