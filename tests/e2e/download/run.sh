#!/usr/bin/env bash
# Runs check.py under a private X server, session bus and accessibility bus.
# Usage: tests/e2e/download/run.sh [build/vorlith] [screenshot.png]
set -euo pipefail
here=$(dirname "$(realpath "$0")")
binary=$(realpath "${1:-build/vorlith}")
shot=${2:+$(realpath -m "$2")}

exec dbus-run-session -- "$here/../lib/session.sh" /usr/bin/python3 "$here/check.py" "$binary" ${shot:+"$shot"}
