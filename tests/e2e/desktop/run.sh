#!/usr/bin/env bash
# Runs check.py in a network of its own that holds only this machine (so the
# game's fixed ports are free and nothing leaves the machine), under a private
# X server, session bus and accessibility bus. Needs root for the network
# (unshare); RUN_AS=<user> runs the programs as that user.
# Usage: tests/e2e/desktop/run.sh [build/vorlith] [check.py options: --installed, --shot FILE]
set -euo pipefail
here=$(dirname "$(realpath "$0")")
binary=$(realpath "${1:-build/vorlith}")
shift || true
args=()
while (($#)); do
    case $1 in
        --shot) args+=(--shot "$(realpath -m "$2")"); shift 2 ;;
        *) args+=("$1"); shift ;;
    esac
done
as=()
[ -n "${RUN_AS:-}" ] && as=(runuser -u "$RUN_AS" --)

exec unshare --net -- bash -s "$here" "$binary" "${as[*]}" "${args[@]}" <<'INNER'
set -uo pipefail
here=$1 binary=$2 as=$3
shift 3
ip link set lo up
exec $as dbus-run-session -- "$here/../lib/session.sh" /usr/bin/python3 "$here/check.py" "$binary" "$@"
INNER
