"""Helpers for checking the real program from outside: a stand-in host that
reads the bytes the program sends, xdotool for a player's mouse and keys, the
accessibility bus for what a screen reader reads, and screenshots.

Run through run.sh, which provides the X server, the session bus and the
accessibility bus."""

import os
import shutil
import socket
import struct
import subprocess
import sys
import tempfile
import time
import zlib

import pyatspi
from gi.repository import Atspi

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
BINARY = os.environ.get("VORLITH_BINARY", os.path.join(ROOT, "build", "vorlith"))


def _free_port():
    s = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
    s.bind(("127.0.0.1", 0))
    port = s.getsockname()[1]
    s.close()
    return port


# The program takes its ports from these; free ones unless given.
HOST_PORT = int(os.environ.get("VORLITH_HOST_PORT") or _free_port())
PRESENCE_PORT = int(os.environ.get("VORLITH_PRESENCE_PORT") or _free_port())
os.environ["VORLITH_HOST_PORT"] = str(HOST_PORT)
os.environ["VORLITH_PRESENCE_PORT"] = str(PRESENCE_PORT)
TERMINATOR = b"\xff"

failures = []
folders = []  # the programs' folders, removed when every check passed


def check(condition, what):
    """Records one observation; the script's exit code counts the failures."""
    print(("ok   " if condition else "FAIL ") + what, flush=True)
    if not condition:
        failures.append(what)


def finish():
    print("%d failure(s)" % len(failures))
    if not failures:
        for folder in folders:
            shutil.rmtree(folder, ignore_errors=True)
    sys.exit(1 if failures else 0)


def wait_for(predicate, timeout=10.0, step=0.05):
    end = time.time() + timeout
    while time.time() < end:
        value = predicate()
        if value:
            return value
        time.sleep(step)
    return predicate()


# ---- the stand-in host ------------------------------------------------------

class FakeHost:
    """Listens where the program connects and speaks for the host."""

    def __init__(self, port=HOST_PORT):
        self.server = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
        self.server.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
        self.server.bind(("127.0.0.1", port))
        self.server.listen(1)
        self.peer = None

    def accept(self, timeout=20.0):
        self.server.settimeout(timeout)
        self.peer, _ = self.server.accept()
        self.peer.settimeout(0.05)

    def say(self, *lines):
        for line in lines:
            self.peer.sendall(line.encode("latin-1") + TERMINATOR)

    def hear(self, settle=0.6):
        """Everything the program sent within the next moment."""
        got = b""
        end = time.time() + settle
        while time.time() < end:
            try:
                chunk = self.peer.recv(65536)
                if not chunk:
                    break
                got += chunk
            except socket.timeout:
                pass
        return got

    def close(self):
        if self.peer:
            self.peer.close()
        self.server.close()


def port_is_free(port):
    s = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
    s.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    try:
        s.bind(("0.0.0.0", port))
        return True
    except OSError:
        return False
    finally:
        s.close()


# ---- the program ------------------------------------------------------------

class Program:
    """A copy of the program in a folder of its own (its settings and tally
    land there), started with launch parameters."""

    def __init__(self, *params, env=None):
        self.dir = tempfile.mkdtemp(prefix="vorlith-e2e-")
        folders.append(self.dir)
        self.path = os.path.join(self.dir, "vorlith")
        shutil.copy(BINARY, self.path)
        e = dict(os.environ)
        e.update({"QT_LINUX_ACCESSIBILITY_ALWAYS_ON": "1", "QT_QPA_PLATFORM": "xcb",
                  "HOME": self.dir, "XDG_DATA_HOME": os.path.join(self.dir, "data")})
        e.update(env or {})
        self.log = open(os.path.join(self.dir, "stderr.txt"), "w")
        command = [self.path] + list(params)
        if os.environ.get("E2E_GDB") == "1":  # a backtrace in stderr.txt if it crashes
            command = ["gdb", "-q", "-batch", "-ex", "run", "-ex", "bt", "--args"] + command
        self.process = subprocess.Popen(command, cwd=self.dir, env=e, stdout=self.log, stderr=subprocess.STDOUT)
        self.pid = self.process.pid
        if command[0] == "gdb":
            child = wait_for(lambda: subprocess.run(["pgrep", "-P", str(self.process.pid)], capture_output=True,
                                                    text=True).stdout.split(), 20)
            self.pid = int(child[0])

    def window(self, title="Vorlith by Brakmo Software", timeout=20.0):
        def find():
            out = subprocess.run(["xdotool", "search", "--all", "--onlyvisible", "--pid", str(self.pid),
                                  "--name", "^" + title + "$"],
                                 capture_output=True, text=True).stdout.split()
            return out[0] if out else None
        return wait_for(find, timeout)

    def app(self, timeout=20.0):
        """The program's root on the accessibility bus."""
        def find():
            desktop = pyatspi.Registry.getDesktop(0)
            for i in range(desktop.childCount):
                a = desktop.getChildAtIndex(i)
                try:
                    if a is not None and a.get_process_id() == self.pid:
                        # Nothing is kept on this side: every question goes to
                        # the program, so a changed text is read as it is now.
                        a.set_cache_mask(Atspi.Cache.NONE)
                        a.clear_cache()
                        return a
                except Exception:
                    pass
            return None
        return wait_for(find, timeout, 0.2)

    def stop(self):
        if self.process.poll() is None:
            self.process.terminate()
            try:
                self.process.wait(5)
            except subprocess.TimeoutExpired:
                self.process.kill()
        self.log.close()


# ---- what a screen reader reads --------------------------------------------

def walk(node, depth=0, limit=40):
    if node is None or depth > limit:
        return
    yield node
    try:
        count = node.childCount
    except Exception:
        return  # gone while we looked
    for i in range(count):
        try:
            child = node.getChildAtIndex(i)
        except Exception:
            continue
        yield from walk(child, depth + 1, limit)


def find(app, name=None, description=None, role=None, showing=True):
    """Every accessible of \\a app matching the given name, description and role."""
    found = []
    for node in walk(app):
        try:
            if name is not None and node.name != name:
                continue
            if description is not None and node.description != description:
                continue
            if role is not None and node.getRoleName() != role:
                continue
            if showing and not node.getState().contains(pyatspi.STATE_SHOWING):
                continue
            found.append(node)
        except Exception:
            continue
    return found


def first(app, **what):
    nodes = find(app, **what)
    return nodes[0] if nodes else None


def text_of(app, description):
    node = first(app, description=description)
    return node.name if node else None


def extents(node):
    e = node.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
    return e.x, e.y, e.width, e.height


# ---- a player's hands -------------------------------------------------------

def xdo(*args):
    subprocess.run(["xdotool"] + [str(a) for a in args], check=True)


def click(x, y, button=1):
    xdo("mousemove", "--sync", x, y)
    xdo("click", button)
    time.sleep(0.08)


def click_node(node, button=1):
    x, y, w, h = extents(node)
    click(x + w // 2, y + h // 2, button)


def focus(window):
    xdo("windowfocus", "--sync", window)
    time.sleep(0.2)


def keys(window, *names):
    for name in names:
        xdo("key", "--window", window, "--clearmodifiers", name)
        time.sleep(0.04)


def window_exists(window):
    return subprocess.run(["xdotool", "getwindowname", str(window)],
                          stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL).returncode == 0


def exit_from_menu(window, attempts=3):
    """File > Exit with the keys. On a busy machine the menu may open after
    the "x" was sent, so the keys are tried again (menu closed first) while
    the window stays."""
    for attempt in range(attempts):
        try:
            focus(window)
            if attempt:
                keys(window, "Escape")
            keys(window, "alt+f")
            time.sleep(0.3 + 0.3 * attempt)
            keys(window, "x")
        except subprocess.CalledProcessError:
            return  # the window is already gone
        if wait_for(lambda: not window_exists(window), timeout=3):
            return


def type_text(window, text):
    for ch in text:
        keys(window, ch.lower() if ch.isalpha() else ch)


# ---- pictures ---------------------------------------------------------------

SHOTS = os.environ.get("E2E_SHOTS") == "1"
DOCS = os.path.join(ROOT, "docs")


def shot(window, name):
    """With E2E_SHOTS=1, the window's picture as docs/<name>."""
    if SHOTS:
        os.makedirs(DOCS, exist_ok=True)
        screenshot(window, os.path.join(DOCS, name))
        print("     picture docs/%s" % name)


def screenshot(window, path, crop=None):
    """Writes the window's picture as a PNG (XWD from the X server, no
    outside image tools)."""
    # Parts of a window that another covers read black: bring it up first.
    xdo("windowraise", window)
    time.sleep(0.3)
    raw = subprocess.run(["xwd", "-silent", "-id", str(window)], capture_output=True, check=True).stdout
    header_size, = struct.unpack(">I", raw[:4])
    fields = struct.unpack(">25I", raw[:100])
    width, height = fields[4], fields[5]
    byte_order, bits_per_pixel, bytes_per_line = fields[7], fields[11], fields[12]
    ncolors = fields[19]
    data = raw[header_size + ncolors * 12:]
    if bits_per_pixel != 32:
        raise RuntimeError("unexpected XWD depth %d" % bits_per_pixel)
    x0, y0, w, h = crop if crop else (0, 0, width, height)
    rows = []
    for y in range(y0, y0 + h):
        line = data[y * bytes_per_line + x0 * 4:y * bytes_per_line + (x0 + w) * 4]
        out = bytearray(b"\x00")
        for i in range(0, len(line), 4):
            px = line[i:i + 4]
            b, g, r = (px[0], px[1], px[2]) if byte_order == 0 else (px[3], px[2], px[1])
            out += bytes((r, g, b))
        rows.append(bytes(out))

    def chunk(kind, payload):
        body = kind + payload
        return struct.pack(">I", len(payload)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)

    png = b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", w, h, 8, 2, 0, 0, 0))
    png += chunk(b"IDAT", zlib.compress(b"".join(rows), 9)) + chunk(b"IEND", b"")
    with open(path, "wb") as f:
        f.write(png)


# ---- the word list, to find words on a board -------------------------------

def load_words():
    words = set()
    with open(os.path.join(ROOT, "assets", "dict", "english.rec"), "rb") as f:
        data = f.read()
    for i in range(0, len(data), 15):
        record = data[i:i + 15]
        words.add(record[1:].split(b" ")[0].split(b"\x1e")[0].decode("latin-1"))
    return words


def board_rows(app):
    """The board's six rows as a screen reader reads them, as lists of letters."""
    board = first(app, name="Letter board")
    rows = []
    for i in range(board.childCount):
        text = board.getChildAtIndex(i).name.split(": ", 1)[1]
        rows.append([cell.split(" ")[0] for cell in text.split(", ")])
    return rows


def words_on(rows, words, length=3, count=3):
    """Words of \\a length the board can spell, each cell used once."""
    from collections import Counter
    have = Counter(letter for row in rows for letter in row)
    found = []
    for w in sorted(words):
        if len(w) == length and not (Counter(w) - have):
            found.append(w)
            if len(found) == count:
                break
    return found


def non_word_on(rows, words, length=3):
    """Letters the board can spell that make no word of the list."""
    import itertools
    letters = [letter for row in rows for letter in row]
    for combo in itertools.permutations(range(len(letters)), length):
        w = "".join(letters[i] for i in combo)
        if w not in words:
            return w
    return None


# ---- a table server ---------------------------------------------------------

SERVER_BINARY = os.environ.get("VORLITH_SERVER_BINARY", os.path.join(ROOT, "build", "vorlith-server"))


def free_run(count):
    """The first of \\a count free ports in a row, somewhere high."""
    import random
    for _ in range(200):
        start = random.randint(20000, 60000)
        if all(port_is_free(p) for p in range(start, start + count)):
            return start
    raise RuntimeError("no free run of ports")


class TableServer:
    """A vorlith-server on 127.0.0.1 with its API on \\a api_port and its
    tables on the \\a tables ports from \\a first_port; stopped and started
    again on the same ports."""

    def __init__(self, api_port, first_port, tables=4, *options):
        self.api_port, self.first_port, self.tables = api_port, first_port, tables
        self.options = list(options)
        self.dir = tempfile.mkdtemp(prefix="vorlith-e2e-server-")
        folders.append(self.dir)
        self.log = open(os.path.join(self.dir, "stderr.txt"), "a")
        self.process = None
        self.base = "http://127.0.0.1:%d" % api_port

    def start(self):
        self.process = subprocess.Popen(
            [SERVER_BINARY, "--config", "/dev/null", "--bind", "127.0.0.1", "--api-port", str(self.api_port),
             "--ports", "%d-%d" % (self.first_port, self.first_port + self.tables - 1)] + self.options,
            stdout=self.log, stderr=subprocess.STDOUT)
        return wait_for(lambda: self.request("GET", "/healthz")[0] == 200, timeout=10)

    def stop(self):
        if self.process and self.process.poll() is None:
            self.process.terminate()
            try:
                self.process.wait(5)
            except subprocess.TimeoutExpired:
                self.process.kill()
                self.process.wait(5)

    def request(self, method, path, body=None):
        """(status, text) of one API request; (None, "") when nobody answers."""
        import json
        import urllib.error
        import urllib.request
        data = json.dumps(body).encode() if body is not None else None
        req = urllib.request.Request(self.base + path, data=data, method=method,
                                     headers={"Content-Type": "application/json"} if data else {})
        try:
            with urllib.request.urlopen(req, timeout=5) as answer:
                return answer.status, answer.read().decode()
        except urllib.error.HTTPError as e:
            return e.code, e.read().decode()
        except OSError:
            return None, ""

    def table(self, table_id):
        """The table object, or {} when there is none."""
        import json
        status, text = self.request("GET", "/api/tables/%s" % table_id)
        return json.loads(text) if status == 200 else {}

    def tables_list(self):
        import json
        status, text = self.request("GET", "/api/tables")
        return json.loads(text) if status == 200 else []


# ---- processes, labels and lists --------------------------------------------

def processes_of(path):
    """Process ids running the executable at \\a path, zombies left out."""
    found = []
    for entry in os.listdir("/proc"):
        if not entry.isdigit():
            continue
        try:
            if os.readlink("/proc/%s/exe" % entry) != path:
                continue
            with open("/proc/%s/stat" % entry) as f:
                if f.read().rsplit(")", 1)[1].split()[0] == "Z":
                    continue
        except OSError:
            continue
        found.append(int(entry))
    return found


def command_line(pid):
    """The arguments \\a pid was started with (the program first)."""
    try:
        with open("/proc/%d/cmdline" % pid, "rb") as f:
            return [a.decode() for a in f.read().split(b"\0")[:-1]]
    except OSError:
        return []


def text_in(app, name):
    """The text in the showing text field (or spin box) named \\a name."""
    node = first(app, name=name, role="text") or first(app, name=name, role="spin button")
    if node is None:
        return None
    try:
        return node.queryText().getText(0, -1)
    except Exception:
        return None


def table_cells(app, name):
    """The rows of the showing table named \\a name, as lists of cell texts."""
    node = first(app, name=name, role="table")
    if node is None:
        return None
    try:
        t = node.queryTable()
        return [[t.getAccessibleAt(r, c).name for c in range(t.nColumns)] for r in range(t.nRows)]
    except Exception:
        return None


def type_line(window, text):
    """Types \\a text into the window that has the focus, capitals and
    blanks included."""
    focus(window)
    xdo("type", "--delay", "40", text)


class RawPlayer:
    """A participant that speaks the wire protocol by hand: it logs in as
    \\a name at the table on \\a port and may start a game."""

    def __init__(self, port, name, timeout=5.0):
        self.sock = socket.create_connection(("127.0.0.1", port), timeout=timeout)
        self.sock.settimeout(0.05)
        self.got = b""
        marker = b"CMD_sendlogininfo+"

        def asked():
            try:
                self.got += self.sock.recv(65536)
            except socket.timeout:
                pass
            at = self.got.find(marker)
            digits = self.got[at + len(marker):].split(b"+")[0].split(TERMINATOR)[0] if at >= 0 else b""
            return int(digits) if digits.isdigit() else None
        self.slot = wait_for(asked, timeout)
        if self.slot is not None:
            self.say("CMD_logininfo+%d+1.0.3+%s" % (self.slot, name))

    def say(self, line):
        self.sock.sendall(line.encode("latin-1") + TERMINATOR)

    def close(self):
        self.sock.close()
