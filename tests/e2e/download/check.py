#!/usr/bin/python3
"""Checks the download offer of the real program from outside.

Runs the program (a copy in a fresh folder, so the installer lands there)
without launch parameters, reads and presses the offer window through the
accessibility bus as a screen reader would, and plays the maker's web server
itself on a free local port. Meant to run under run.sh (Xvfb, a session bus and
the accessibility bus). Usage: check.py <vorlith binary> [<screenshot.png>]
"""

import os
import shutil
import socket
import subprocess
import sys
import tempfile
import threading
import time

import pyatspi

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "lib"))
from bus import check, find, find_window, screenshot, summary, wait_for, windows_of  # noqa: E402

OFFER_TITLE = "Download The Brakmo Lobby"
EXPECTED_ACCEPT = b"Accept: image/gif, image/x-xbitmap, image/jpeg, image/pjpeg, */*\r\n"
LOBBY_BOX = ("Please close the game and open the Brakmo Lobby using the icon on your desktop "
             "or using the your Window's start-up menu.")

# --------------------------------------------------------------------------
# The web server: answers each request as the current mode says and records
# every request's bytes exactly as they arrived.

def installer_script(marker, padding):
    body = (f"#!/bin/sh\nprintf '%s\\n' \"$@\" > '{marker}'\nexit 0\n").encode()
    line = b"# " + b"x" * 77 + b"\n"
    return body + line * (padding // len(line))


class WebServer:
    def __init__(self):
        self.mode = "404"
        self.requests = []
        self.installer = b""
        self.sock = socket.socket()
        self.sock.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
        self.sock.bind(("127.0.0.1", 0))
        self.sock.listen(8)
        self.port = self.sock.getsockname()[1]
        self.release = threading.Event()
        threading.Thread(target=self._accept, daemon=True).start()

    def _accept(self):
        while True:
            conn, _ = self.sock.accept()
            threading.Thread(target=self._serve, args=(conn,), daemon=True).start()

    def _serve(self, conn):
        data = b""
        try:
            while b"\r\n\r\n" not in data:
                chunk = conn.recv(4096)
                if not chunk:
                    return
                data += chunk
            conn.settimeout(0.3)
            try:  # anything sent after the empty line would be a fault too
                more = conn.recv(4096)
                data += more
            except socket.timeout:
                pass
            conn.settimeout(None)
            self.requests.append(data)
            path = data.split(b" ")[1]
            self._answer(conn, path)
        except OSError:
            pass
        finally:
            conn.close()

    def _answer(self, conn, path):
        mode = self.mode
        if mode == "404":
            conn.sendall(b"HTTP/1.0 404 Not Found\r\nContent-Length: 9\r\n\r\nNot Found")
        elif mode == "truncated":
            conn.sendall(b"HTTP/1.0 200 OK\r\nContent-Length: 100000\r\n\r\n" + b"#" * 3000)
        elif mode == "hold":
            conn.sendall(b"HTTP/1.0 200 OK\r\nContent-Length: 100000\r\n\r\n" + b"#" * 1234)
            self.release.wait(30)
        elif mode == "relocate" and path == b"/lobby/brakmosetup.exe":
            conn.sendall(b"HTTP/1.0 302 Found\r\nLocation: http://127.0.0.1:%d/mirror/lobby-setup-2.bin\r\n"
                         b"Content-Length: 14\r\n\r\nmoved for now." % self.port)
        elif mode == "relocate":
            body = self.installer
            conn.sendall(b"HTTP/1.0 200 OK\r\nContent-Type: application/octet-stream\r\n"
                         b"Content-Length: %d\r\n\r\n" % len(body))
            # Slowly, so the progress can be watched.
            step = 8 * 1024
            for i in range(0, len(body), step):
                conn.sendall(body[i:i + step])
                time.sleep(0.12)


# --------------------------------------------------------------------------
# The program and its windows on the accessibility bus.

class Program:
    def __init__(self, binary, server, lobby_program):
        self.folder = tempfile.mkdtemp(prefix="vorlith-e2e-")
        self.binary = os.path.join(self.folder, "vorlith")
        shutil.copy(binary, self.binary)
        env = dict(os.environ)
        env.update({
            "QT_LINUX_ACCESSIBILITY_ALWAYS_ON": "1",
            "QT_ACCESSIBILITY": "1",
            "VORLITH_LOBBY_SERVER": server,
            "VORLITH_LOBBY_PROGRAM": lobby_program,
            "VORLITH_HOST_PORT": str(free_port()),
            "VORLITH_PRESENCE_PORT": str(free_port()),
        })
        self.log = open(os.path.join(self.folder, "program.log"), "w")
        self.proc = subprocess.Popen([self.binary], cwd=self.folder, env=env, stdout=self.log, stderr=self.log)
        self.offer = wait_for(lambda: find_window(OFFER_TITLE, self.proc.pid), timeout=20)
        if not self.offer:
            raise SystemExit("the offer window did not appear; log: " + self.log.name)

    def installer(self):
        return os.path.join(self.folder, "brakmosetup.exe")

    def ended(self, timeout=10):
        try:
            self.proc.wait(timeout)
            return True
        except subprocess.TimeoutExpired:
            return False

    def stop(self):
        if self.proc.poll() is None:
            self.proc.terminate()
            self.proc.wait(10)

    # the offer window's parts
    def upper(self):
        return find(self.offer, lambda o: o.description == "Download status").name

    def lower(self):
        return find(self.offer, lambda o: o.description == "Download step").name

    def button(self, name):
        return find(self.offer, lambda o: o.getRole() == pyatspi.ROLE_PUSH_BUTTON and o.name == name)

    def press(self, name):
        b = self.button(name)
        b.queryAction().doAction(0)

    def enabled(self, name):
        return self.button(name).getState().contains(pyatspi.STATE_ENABLED)

    def progress(self):
        bar = find(self.offer, lambda o: o.getRole() == pyatspi.ROLE_PROGRESS_BAR)
        if not bar or not bar.getState().contains(pyatspi.STATE_SHOWING):
            return None
        return bar.queryValue().currentValue


def free_port():
    s = socket.socket()
    s.bind(("127.0.0.1", 0))
    port = s.getsockname()[1]
    s.close()
    return port


def find_box_text(pid, text):
    return next((w for w in windows_of(pid)
                 if find(w, lambda o: o.getRole() == pyatspi.ROLE_LABEL and o.name == text)), None)


# --------------------------------------------------------------------------

def failures_and_stops(binary, server):
    """One program: Stop first, a 404, a truncated body, Stop mid-download,
    Play with Others without the lobby program, then Enter for Play Solo Game."""
    p = Program(binary, "127.0.0.1:%d" % server.port, "/nonexistent/BrakmoLobby")
    marker = os.path.join(p.folder, "installer-ran")
    try:
        check("offer: Play Solo Game, Download and Play with Others are buttons with names",
              p.button("Play Solo Game") and p.button("Download And Install The Brakmo Lobby Now")
              and p.button("Play with Others") and p.button("Stop Download"))
        check("offer: both status lines start empty", p.upper() == "" and p.lower() == "")

        p.press("Stop Download")
        check("stop before any download",
              wait_for(lambda: p.upper() == "Download has been aborted." and p.lower() == "Download Aborted"),
              f"{p.upper()!r} / {p.lower()!r}")

        for mode, name in (("404", "a 404"), ("truncated", "a truncated body")):
            server.mode = mode
            before = len(server.requests)
            p.press("Download And Install The Brakmo Lobby Now")
            # The line read "Download Aborted" before: first see this request arrive.
            ok = wait_for(lambda: len(server.requests) > before, timeout=15) and wait_for(
                lambda: p.upper() == "Download Aborted" and p.enabled("Download And Install The Brakmo Lobby Now"),
                timeout=15)
            check(f"{name} ends in Download Aborted with nothing started",
                  ok and not os.path.exists(marker) and len(server.requests) == before + 1
                  and p.lower() != "Installing" and not p.enabled("Stop Download"),
                  f"{p.upper()!r} / {p.lower()!r}")

        server.mode = "hold"
        server.release.clear()
        p.press("Download And Install The Brakmo Lobby Now")
        check("a download shows the bytes received", wait_for(lambda: p.upper() == "1234 bytes"), p.upper())
        check("with a length the progress bar shows", wait_for(lambda: p.progress() is not None))
        p.press("Stop Download")
        ok = wait_for(lambda: p.upper() == "Download Aborted" and p.lower() == "Download Aborted"
                      and p.enabled("Download And Install The Brakmo Lobby Now") and not p.enabled("Stop Download"))
        check("stop during a download", ok and not os.path.exists(marker), f"{p.upper()!r} / {p.lower()!r}")
        server.release.set()

        p.press("Play with Others")
        box = wait_for(lambda: find_box_text(p.proc.pid, LOBBY_BOX))
        check("Play with Others without the lobby program shows the message", box)
        if box:
            find(box, lambda o: o.getRole() == pyatspi.ROLE_PUSH_BUTTON and o.name == "OK").queryAction().doAction(0)
            wait_for(lambda: not find_box_text(p.proc.pid, LOBBY_BOX))
        check("... and the game goes on", p.proc.poll() is None)

        # Enter presses Play Solo Game: the focus starts there.
        subprocess.run(["xdotool", "search", "--name", "^" + OFFER_TITLE + "$", "windowfocus", "--sync"],
                       capture_output=True)
        focused = wait_for(lambda: p.button("Play Solo Game").getState().contains(pyatspi.STATE_FOCUSED))
        check("the focus is on Play Solo Game", focused,
              ", ".join(o.name for o in [find(p.offer, lambda o: o.getState().contains(pyatspi.STATE_FOCUSED))] if o))
        subprocess.run(["xdotool", "key", "Return"])
        gone = wait_for(lambda: not find_window(OFFER_TITLE, p.proc.pid) or not p.offer.getState().contains(
            pyatspi.STATE_SHOWING))
        check("Enter presses Play Solo Game: the offer closes, the game goes on", gone and p.proc.poll() is None)
    finally:
        p.stop()


def unreachable(binary):
    p = Program(binary, "127.0.0.1:%d" % free_port(), "/nonexistent/BrakmoLobby")
    try:
        p.press("Download And Install The Brakmo Lobby Now")
        ok = wait_for(lambda: p.upper() == "Download Aborted", timeout=15)
        check("an unreachable server ends in Download Aborted with nothing started",
              ok and p.lower() != "Installing" and p.proc.poll() is None, p.upper())
    finally:
        p.stop()


def completed_download(binary, server, shot):
    server.mode = "relocate"
    p = Program(binary, "127.0.0.1:%d" % server.port, "/nonexistent/BrakmoLobby")
    marker = os.path.join(p.folder, "installer-ran")
    server.installer = installer_script(marker, 320 * 1024)
    before = len(server.requests)
    try:
        p.press("Download And Install The Brakmo Lobby Now")
        seen = set()
        bars = set()

        def watch():
            text = p.upper()
            if text.endswith(" bytes") and not text.startswith("Received"):
                seen.add(text)
                value = p.progress()
                if value is not None:
                    bars.add(value)
            return len(seen) >= 20  # about half of the file

        wait_for(watch, timeout=30)
        check("progress while a slow body arrives", len(seen) >= 20 and len(bars) >= 10,
              f"{len(seen)} byte counts, {len(bars)} bar values")
        check("the lower line names the file", p.lower() == "Downloading: brakmosetup.exe", p.lower())
        if shot:
            check("screenshot taken mid-download", screenshot(OFFER_TITLE, shot))
        check("a completed download ends the program", p.ended(30))
        check("the installer ran with its three parameters",
              wait_for(lambda: os.path.exists(marker) and open(marker).read() == "/SP-\n/silent\n/noicons\n"),
              open(marker).read() if os.path.exists(marker) else "no marker")
        check("the file keeps the first address's name",
              os.path.exists(p.installer()) and open(p.installer(), "rb").read() == server.installer
              and not os.path.exists(os.path.join(p.folder, "lobby-setup-2.bin")))
        check("the installer was made executable", os.access(p.installer(), os.X_OK))
        requests = server.requests[before:]
        host = b"Host: 127.0.0.1:%d\r\n" % server.port
        first = (b"GET /lobby/brakmosetup.exe HTTP/1.0\r\n" + EXPECTED_ACCEPT
                 + b"User-Agent: Mozilla/3.0 (compatible)\r\n" + host + b"\r\n")
        second = first.replace(b"/lobby/brakmosetup.exe", b"/mirror/lobby-setup-2.bin")
        check("the exact request bytes", len(requests) == 2 and requests[0] == first, repr(requests[:1]))
        check("the relocation is followed", len(requests) == 2 and requests[1] == second, repr(requests[1:]))
    finally:
        p.stop()


def play_with_others(binary):
    folder = tempfile.mkdtemp(prefix="vorlith-lobby-")
    lobby = os.path.join(folder, "BrakmoLobby")
    marker = os.path.join(folder, "lobby-ran")
    with open(lobby, "w") as f:
        f.write(f"#!/bin/sh\ntouch '{marker}'\n")
    os.chmod(lobby, 0o755)
    p = Program(binary, "127.0.0.1:%d" % free_port(), lobby)
    try:
        p.press("Play with Others")
        check("Play with Others starts the lobby program and ends the game",
              p.ended(15) and wait_for(lambda: os.path.exists(marker)))
    finally:
        p.stop()


def main():
    binary = os.path.abspath(sys.argv[1])
    shot = os.path.abspath(sys.argv[2]) if len(sys.argv) > 2 else None
    server = WebServer()
    failures_and_stops(binary, server)
    unreachable(binary)
    completed_download(binary, server, shot)
    play_with_others(binary)
    return summary()


if __name__ == "__main__":
    sys.exit(main())
