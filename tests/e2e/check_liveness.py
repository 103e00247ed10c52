#!/usr/bin/env python3
"""No squatters, no ghosts, checked on the real program from outside.

Runs in a network namespace of its own (it starts one with unshare, so it
needs root) with a second one beside it, joined by a virtual Ethernet pair:
the bare participants and the stand-in host live over there, and when one of
their addresses is taken away its packets are dropped without a word, as
when a laptop lid closes. The programs run on the offscreen platform;
no X server is needed, so this script is run directly, not through run.sh:

    sudo tests/e2e/check_liveness.py          # about five minutes

- eight idle connections from one address never keep an honest player out,
  and are all closed within 15 s;
- a seated player whose packets vanish is announced as departed
  (CMD_playerdisconnected) within 90 s;
- a joining program whose host vanishes tells its player within 90 s (its log
  says so; the message box waits on the offscreen screen);
- a player gone mid-game who comes back with the same name (another letter
  case) within 3 minutes has the same seat and total, while a newcomer
  meanwhile and the same name from another address get other seats.
"""

import ctypes
import os
import shutil
import socket
import subprocess
import sys
import tempfile
import time

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
BINARY = os.environ.get("VORLITH_BINARY", os.path.join(ROOT, "build", "vorlith"))
TERMINATOR = b"\xff"
HOST_PORT = 7772
PRESENCE_PORT = 9001  # nobody listens: the presence connection fails quietly

if os.environ.get("VORLITH_LIVENESS_NS") != "1":
    env = dict(os.environ, VORLITH_LIVENESS_NS="1")
    os.execvpe("unshare", ["unshare", "--net", "--mount", "--propagation", "private", "--", sys.executable,
                           os.path.abspath(__file__)] + sys.argv[1:], env)

HERE = "10.9.0.1"  # the programs' side
FAR = ["10.9.0.%d" % n for n in range(2, 10)]  # the far side's addresses


def ip(*args):
    subprocess.run(["ip"] + list(args), check=True)


ip("link", "set", "lo", "up")
ip("netns", "add", "far")
ip("link", "add", "vhere", "type", "veth", "peer", "name", "vfar", "netns", "far")
ip("addr", "add", HERE + "/24", "dev", "vhere")
ip("link", "set", "vhere", "up")
ip("-n", "far", "link", "set", "lo", "up")
ip("-n", "far", "link", "set", "vfar", "up")
for address in FAR:
    ip("-n", "far", "addr", "add", address + "/24", "dev", "vfar")
# Known for good on this side: a vanished peer is never asked for again.
far_mac = subprocess.run(["ip", "-n", "far", "-br", "link", "show", "vfar"], capture_output=True, text=True,
                         check=True).stdout.split()[2]
for address in FAR:
    ip("neigh", "replace", address, "dev", "vhere", "lladdr", far_mac, "nud", "permanent")

CLONE_NEWNET = 0x40000000
_libc = ctypes.CDLL(None, use_errno=True)
_home = os.open("/proc/self/ns/net", os.O_RDONLY)
_far = os.open("/run/netns/far", os.O_RDONLY)


def enter(ns):
    if _libc.setns(ns, CLONE_NEWNET) != 0:
        raise OSError(ctypes.get_errno(), "setns")

failures = []
folders = []


def check(condition, what):
    print(("ok   " if condition else "FAIL ") + what, flush=True)
    if not condition:
        failures.append(what)


def wait_for(predicate, timeout=10.0, step=0.05):
    end = time.time() + timeout
    while time.time() < end:
        value = predicate()
        if value:
            return value
        time.sleep(step)
    return predicate()


def vanish(address):
    """The far side forgets \\a address: what is sent to it is dropped
    there, and nothing comes from it any more, neither FIN nor RST."""
    ip("-n", "far", "addr", "del", address + "/24", "dev", "vfar")


# ---- a bare participant ---------------------------------------------------

class Peer:
    """A participant on the far side, from \\a source."""

    def __init__(self, source, port=HOST_PORT, host=HERE):
        enter(_far)
        try:
            self.sock = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
        finally:
            enter(_home)
        self.sock.bind((source, 0))
        self.sock.settimeout(5)
        self.sock.connect((host, port))
        self.sock.settimeout(0.05)
        self.lines = []
        self.closed = False
        self._carry = b""

    def pump(self):
        while not self.closed:
            try:
                chunk = self.sock.recv(65536)
            except socket.timeout:
                return
            except OSError:
                self.closed = True
                return
            if not chunk:
                self.closed = True
                return
            self._carry += chunk
            while TERMINATOR in self._carry:
                line, self._carry = self._carry.split(TERMINATOR, 1)
                self.lines.append(line.decode("latin-1"))

    def wait_line(self, predicate, timeout=10.0):
        def found():
            self.pump()
            return next((l for l in self.lines if predicate(l)), None)
        return wait_for(found, timeout)

    def wait_closed(self, timeout=10.0):
        return wait_for(lambda: (self.pump(), self.closed)[1], timeout)

    def say(self, line):
        self.sock.sendall(line.encode("latin-1") + TERMINATOR)

    def slot(self, timeout=10.0):
        line = self.wait_line(lambda l: l.startswith("CMD_sendlogininfo+"), timeout)
        return int(line.split("+")[1]) if line else 0

    def login(self, name, timeout=10.0):
        """Logs in as \\a name; answers the seat it was announced in."""
        slot = self.slot(timeout)
        if not slot:
            return 0
        self.say("CMD_logininfo+%d+1.0.3+%s" % (slot, name))
        announced = self.wait_line(lambda l: l.startswith("CMD_newplayerinfo+%d+" % slot), timeout)
        return slot if announced else 0

    def close(self):
        self.sock.close()


# ---- the program ----------------------------------------------------------

class Program:
    def __init__(self, *params, port=HOST_PORT):
        self.dir = tempfile.mkdtemp(prefix="vorlith-liveness-")
        folders.append(self.dir)
        shutil.copy(BINARY, os.path.join(self.dir, "vorlith"))
        env = dict(os.environ, QT_QPA_PLATFORM="offscreen", HOME=self.dir,
                   XDG_DATA_HOME=os.path.join(self.dir, "data"), VORLITH_HOST_PORT=str(port),
                   VORLITH_PRESENCE_PORT=str(PRESENCE_PORT), QT_LOGGING_RULES="vorlith.*.info=true")
        self.logpath = os.path.join(self.dir, "stderr.txt")
        self.log = open(self.logpath, "w")
        self.process = subprocess.Popen([os.path.join(self.dir, "vorlith")] + list(params), cwd=self.dir, env=env,
                                        stdout=self.log, stderr=subprocess.STDOUT)

    def output(self):
        with open(self.logpath, errors="replace") as f:
            return f.read()

    def stop(self):
        if self.process.poll() is None:
            self.process.kill()
            self.process.wait(5)
        self.log.close()


def host_squatters_and_ghosts():
    host = Program("Kim", "127.0.0.1", "true")
    peers = []
    try:
        probe = wait_for(lambda: _try_connect(FAR[7]), 30)
        check(probe is not None, "the hosting program listens")
        if probe is None:
            return
        probe.close()
        time.sleep(2)  # the hosting player's own program takes its seat

        # Eight that never say a word, from one address.
        started = time.time()
        idle = [Peer(FAR[0]) for _ in range(8)]
        peers += idle
        for p in idle:
            p.pump()
        time.sleep(0.5)
        for p in idle:
            p.pump()
        given = [p for p in idle if any(l.startswith("CMD_sendlogininfo+") for l in p.lines)]
        check(len(given) <= 3, "at most three idle connections of one address are given a slot (%d)" % len(given))
        honest = Peer(FAR[2])
        peers.append(honest)
        seat = honest.login("Honest")
        check(seat > 0 and not any(l.startswith("CMD_full") for l in honest.lines),
              "an honest player beside them is seated (slot %d)" % seat)
        all_closed = wait_for(lambda: all(p.wait_closed(0) for p in idle), 16)
        check(all_closed and time.time() - started <= 15.5,
              "the eight idle connections are closed within 15 s (%.1f s)" % (time.time() - started))

        # A seated player whose packets vanish.
        watcher = honest
        ghost = Peer(FAR[1])
        peers.append(ghost)
        ghost_seat = ghost.login("Ghost")
        check(ghost_seat > 0, "the player to vanish is seated in %d" % ghost_seat)
        # Something goes to him every now and then, or nothing at all: either way.
        vanish(FAR[1])
        started = time.time()
        departed = watcher.wait_line(lambda l: l == "CMD_playerdisconnected+%d+Ghost" % ghost_seat, 95)
        check(departed is not None and time.time() - started <= 90,
              "the vanished player is announced as departed within 90 s (%.0f s)" % (time.time() - started))

        # A game runs; a player gone mid-game comes back.
        bob = Peer(FAR[3])
        peers.append(bob)
        bob_seat = bob.login("Bob")
        watcher.say("CMD_startgame+Honest+3+60+")
        check(watcher.wait_line(lambda l: l.startswith("CMD_makeboard")) is not None, "a game runs")
        bob.close()
        check(watcher.wait_line(lambda l: l == "CMD_playerdisconnected+%d+Bob" % bob_seat) is not None,
              "the others see Bob leave")
        eve = Peer(FAR[4])
        peers.append(eve)
        eve_seat = eve.login("Eve")
        check(eve_seat not in (0, bob_seat), "a newcomer meanwhile gets another seat (%d)" % eve_seat)
        other = Peer(FAR[5])
        peers.append(other)
        other_seat = other.login("Bob")
        check(other_seat not in (0, bob_seat), "the same name from another address gets another seat (%d)"
              % other_seat)
        back = Peer(FAR[3])
        peers.append(back)
        first = back.slot()
        back.say("CMD_logininfo+%d+1.0.3+bob" % first)
        again = back.wait_line(lambda l: l == "CMD_sendlogininfo+%d" % bob_seat)
        check(first != bob_seat and again is not None, "Bob, back within 3 minutes, is asked in for seat %d"
              % bob_seat)
        back.say("CMD_logininfo+%d+1.0.3+bob" % bob_seat)
        stats = back.wait_line(lambda l: l.startswith("CMD_gamestats+"))
        check(back.wait_line(lambda l: l == "CMD_newplayerinfo+%d+bob+0" % bob_seat) is not None
              and stats is not None, "he is announced in his seat and caught up with the game")
    finally:
        for p in peers:
            p.close()
        host.stop()


def _try_connect(source):
    try:
        return Peer(source)
    except OSError:
        return None


class FakeHost:
    """A stand-in host on the far side."""

    def __init__(self, address, port):
        enter(_far)
        try:
            self.server = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
        finally:
            enter(_home)
        self.server.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
        self.server.bind((address, port))
        self.server.listen(1)

    def accept(self, timeout=30):
        self.server.settimeout(timeout)
        peer, _ = self.server.accept()
        return peer


def joiner_of_a_vanished_host():
    fake = FakeHost(FAR[6], 7773)
    joiner = Program("Joe", FAR[6], "false", port=7773)
    try:
        peer = fake.accept()
        peer.sendall(b"CMD_sendlogininfo+2" + TERMINATOR)
        peer.settimeout(10)
        login = peer.recv(4096)
        check(login.startswith(b"CMD_logininfo+2+"), "the joining program logs in")
        peer.sendall(b"CMD_newplayerinfo+2+Joe+0" + TERMINATOR)
        vanish(FAR[6])
        started = time.time()
        told = wait_for(lambda: "connection to the host was lost" in joiner.output(), 95, 0.5)
        check(told and time.time() - started <= 90,
              "the joining program tells its player within 90 s (%.0f s)" % (time.time() - started))
        peer.close()
    finally:
        joiner.stop()
        fake.server.close()


try:
    host_squatters_and_ghosts()
    joiner_of_a_vanished_host()
finally:
    # The name of the far side lives in the shared /run/netns.
    subprocess.run(["ip", "netns", "del", "far"])
    print("%d failure(s)" % len(failures))
    if not failures:
        for folder in folders:
            shutil.rmtree(folder, ignore_errors=True)
    else:
        print("the programs' folders: " + " ".join(folders))
sys.exit(1 if failures else 0)
