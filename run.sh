#!/usr/bin/env bash
# Builds Vorlith and starts it. Without arguments it starts a solo game;
# arguments are passed on: NAME HOST true (host) or NAME HOST join.
set -euo pipefail
cd "$(dirname "$0")"
tools/deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVORLITH_TESTS=OFF -DVORLITH_BENCH=OFF >/dev/null
cmake --build build --target vorlith
exec build/vorlith "$@"
