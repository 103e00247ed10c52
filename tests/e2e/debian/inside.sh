#!/bin/bash
# Runs inside the fresh Debian 12 root (see run.sh): installs the package
# the way its README says, then checks it. Prints PASS/FAIL lines and exits
# non-zero when any check failed.
. "$(dirname "$0")/common.sh"

check "vorlith --version prints 1.0.3" bash -c '[ "$(vorlith --version)" = "vorlith 1.0.3" ]'
check "vorlith --help prints the usage and exits 0" bash -c 'vorlith --help | grep -q "^Usage: vorlith \[options\]"'
check "an unknown option exits 2" bash -c 'vorlith --bogus 2>/dev/null; [ $? -eq 2 ]'
check "the launcher entry and icons are in place" test -f /usr/share/applications/org.example.vorlith.desktop \
    -a -f /usr/share/icons/hicolor/scalable/apps/org.example.vorlith.svg \
    -a -f /usr/share/icons/hicolor/256x256/apps/org.example.vorlith.png

# The validators, and what the checks from outside need.
apt-get install -y -qq --no-install-recommends desktop-file-utils appstream pulseaudio-utils python3 \
    xvfb xdotool x11-apps netpbm at-spi2-core python3-pyatspi dbus-x11 iproute2 >/tmp/tools.log 2>&1 \
    || { tail -20 /tmp/tools.log; exit 1; }
check "desktop-file-validate passes" desktop-file-validate /usr/share/applications/org.example.vorlith.desktop
check "appstreamcli validate --no-net passes" \
    appstreamcli validate --no-net /usr/share/metainfo/org.example.vorlith.metainfo.xml

useradd -m player
# Sounds: the sound server the package brought (PulseAudio on a bare
# system) with a silent output that can be recorded; the program plays
# "entered" when it takes its seat.
run=/tmp/run-player
install -d -o player -m 700 "$run"
as_player() { runuser -u player -- env HOME=/home/player XDG_RUNTIME_DIR="$run" "$@"; }
as_player pulseaudio --daemonize=yes --exit-idle-time=-1 -n --disable-shm=yes \
    -L "module-null-sink sink_name=check" -L module-native-protocol-unix --log-target=stderr 2>/tmp/pulse.log
for _ in $(seq 50); do as_player pactl info >/dev/null 2>&1 && break; sleep 0.1; done
as_player pactl set-default-sink check
as_player parec -d check.monitor --raw --format=s16le --rate=44100 --channels=2 >/tmp/heard.raw &
recorder=$!
as_player timeout 6 env QT_QPA_PLATFORM=offscreen vorlith >/tmp/solo.log 2>&1
sleep 0.5
kill $recorder
peak=$(python3 -c "
import array
data = open('/tmp/heard.raw', 'rb').read()
samples = array.array('h', data[: len(data) // 2 * 2])
print(max((abs(x) for x in samples), default=0))")
check "the solo game's sound reached the sound server (peak $peak)" test "$peak" -gt 1000 \
    || { tail -5 /tmp/solo.log /tmp/pulse.log; }
as_player pulseaudio --kill 2>/dev/null
rm -rf /home/player/.local

# Hosting and joining through the menu, as the user, with the installed
# (read-only) program: settings, tally and the remembered name land in the
# user's data folder.
check "host from the dialog, join from a second program through the list of local games" \
    env RUN_AS=player /opt/e2e/desktop/run.sh /usr/bin/vorlith --installed
check "nothing was written beside the installed program" \
    bash -c '[ -z "$(find /usr/bin -newer /tmp/apt.log -name "*.ini" -o -newer /tmp/apt.log -name "*.tld")" ]'

exit $failed
