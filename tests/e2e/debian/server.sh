#!/bin/bash
# Runs inside the fresh Debian 12 root (see run.sh): installs the table
# server's package as an operator would, then checks what it installed and
# that the installed server serves. Prints PASS/FAIL lines and exits
# non-zero when any check failed.
. "$(dirname "$0")/common.sh"
check "no display library came with it" \
    bash -c '! dpkg-query -W -f="\${Package}\n" | grep -Eq "^(libqt6gui6|libqt6widgets6|libx11-6)$"'
check "vorlith-server --version prints 1.0.3" bash -c '[ "$(vorlith-server --version)" = "vorlith-server 1.0.3" ]'
check "the configuration, unit, licence and manual are in place" \
    test -f /etc/vorlith/server.conf -a -f /usr/lib/systemd/system/vorlith-server.service \
    -a -f /usr/share/doc/vorlith-server/copyright
check "the copyright file names the licence" grep -q "GPL-3.0-or-later" /usr/share/doc/vorlith-server/copyright

apt-get install -y -qq --no-install-recommends systemd curl >/tmp/tools.log 2>&1 || tail -5 /tmp/tools.log
check "systemd-analyze verify accepts the unit" \
    bash -c 'systemd-analyze verify /usr/lib/systemd/system/vorlith-server.service 2>&1 | tee /tmp/verify.log; ! grep -qi "error\|unknown" /tmp/verify.log'

# The installed server with its installed configuration, as the nobody user
# (the unit's DynamicUser has no more rights), on ports of its own.
runuser -u nobody -- vorlith-server --api-port 17780 --ports 17781-17790 >/tmp/server.log 2>&1 &
server=$!
for _ in $(seq 100); do curl -sf http://127.0.0.1:17780/healthz >/dev/null && break; sleep 0.1; done
check "the server answers /healthz" bash -c '[ "$(curl -s http://127.0.0.1:17780/healthz)" = ok ]'
check "a table is made over the API" bash -c \
    "curl -s -XPOST -d '{\"name\":\"Packaged\",\"rounds\":1,\"time\":30,\"computers\":1,\"strength\":\"easy\",\"private\":false}' \
     http://127.0.0.1:17780/api/tables | grep -q '\"port\":1778'"
check "the status page lists it" bash -c 'curl -s http://127.0.0.1:17780/ | grep -q Packaged'
kill "$server"
wait "$server" 2>/dev/null
check "the server logged to standard error" grep -q "serving tables on ports 17781 to 17790" /tmp/server.log

exit $failed
