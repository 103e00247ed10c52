"""A table server with two real programs at its public table: the server is
started on free ports (with VORLITH_E2E_NETNS=1, in a network namespace of
its own reached over a virtual Ethernet pair, bound to its address there), a
public and a private table are made over its API with curl, two programs join
the public one with --may-start --join NAME HOST:PORT from the table object,
the first seated player starts the game from START GAME without the options
dialog and the table's own rounds and time apply, the game runs to its winner
and START GAME comes back for both. Raw connections try what the table does
not allow: a start before logging in, from a spy and in the middle of a game,
and a kick. The status page, read by chromium --headless, lists the public
table and not the private one."""

import json
import sys

from lib import *

API_PORT = free_run(1)
TABLE_PORT = free_run(4)

# In a namespace of our own (run.sh with VORLITH_E2E_NETNS=1) the server runs
# in another one across a virtual Ethernet pair, bound to its address there:
# the players dial that address, as they would a server on the internet.
APART = os.environ.get("VORLITH_E2E_IN_NETNS") == "1"
SERVER_ADDRESS = "10.8.0.2" if APART else "127.0.0.1"
UNBOUND_ADDRESS = "10.8.0.3"  # the server's machine has it, the tables do not listen there
BASE = "http://%s:%d" % (SERVER_ADDRESS, API_PORT)


def ip(*args):
    subprocess.run(["ip"] + list(args), check=True)


# Named for this run, and removed at the end: `ip netns add` leaves its file
# behind in /run/netns even when our mount namespace goes.
FAR = "vorlith-server-%d" % os.getpid()
if APART:
    ip("netns", "add", FAR)
    ip("link", "add", "vhere", "type", "veth", "peer", "name", "vfar", "netns", FAR)
    ip("addr", "add", "10.8.0.1/24", "dev", "vhere")
    ip("link", "set", "vhere", "up")
    ip("-n", FAR, "link", "set", "lo", "up")
    ip("-n", FAR, "addr", "add", SERVER_ADDRESS + "/24", "dev", "vfar")
    ip("-n", FAR, "addr", "add", UNBOUND_ADDRESS + "/24", "dev", "vfar")
    ip("-n", FAR, "link", "set", "vfar", "up")


def request(method, path, body=None):
    """An API request made with curl: the status and the body."""
    command = ["curl", "-s", "-m", "5", "-X", method, "-o", "-", "-w", "\n%{http_code}", BASE + path]
    if body is not None:
        command += ["-H", "Content-Type: application/json", "--data-binary", json.dumps(body)]
    answer = subprocess.run(command, capture_output=True, text=True)
    text, _, code = answer.stdout.rpartition("\n")
    if answer.returncode != 0 or not code.isdigit():
        return None, ""
    return int(code), text


def browser_text(url):
    """The page as Debian's chromium reads it, headless, after any script."""
    try:
        answer = subprocess.run(["chromium", "--headless", "--no-sandbox", "--disable-gpu", "--dump-dom", url],
                                capture_output=True, text=True, timeout=90)
        return answer.stdout
    except (OSError, subprocess.TimeoutExpired):
        return ""


def reaches(address, port, namespace=None):
    """Whether a connection to address:port is taken, from here or from
    inside \a namespace."""
    probe = ("import socket,sys\ntry:\n socket.create_connection((%r,%d),timeout=3).close()\n"
             "except OSError:\n sys.exit(1)" % (address, port))
    command = ([sys.executable, "-c", probe] if namespace is None
               else ["ip", "netns", "exec", namespace, sys.executable, "-c", probe])
    return subprocess.run(command).returncode == 0


def table(table_id):
    status, text = request("GET", "/api/tables/%s" % table_id)
    return json.loads(text) if status == 200 else {}


class Raw:
    """A connection that speaks the wire protocol by hand."""

    def __init__(self, port):
        self.sock = socket.create_connection((SERVER_ADDRESS, port), timeout=5)
        self.sock.settimeout(0.05)
        self.got = b""
        self.slot = None

    def say(self, line):
        self.sock.sendall(line.encode("latin-1") + TERMINATOR)

    def read(self, settle=0.5):
        end = time.time() + settle
        while time.time() < end:
            try:
                chunk = self.sock.recv(65536)
                if not chunk:
                    break
                self.got += chunk
            except socket.timeout:
                pass
        return self.got

    def login(self, name):
        """Answers the server's question for the login; returns the slot."""
        def asked():
            self.read(0.1)
            marker = b"CMD_sendlogininfo+"
            at = self.got.find(marker)
            if at < 0:
                return None
            digits = self.got[at + len(marker):].split(b"+")[0].split(TERMINATOR)[0]
            return int(digits) if digits.isdigit() else None
        self.slot = wait_for(asked, timeout=5)
        if self.slot is not None:
            self.say("CMD_logininfo+%d+1.0.3+%s\xff" % (self.slot, name))
        return self.slot

    def heard_start(self, settle=1.5):
        """Whether a game start went out to everybody within \\a settle."""
        self.got = b""
        self.read(settle)
        return b"CMD_startgame+" in self.got

    def close(self):
        self.sock.close()


server_log = open(os.path.join(tempfile.mkdtemp(prefix="vorlith-e2e-server-"), "stderr.txt"), "w")
folders.append(os.path.dirname(server_log.name))
server = subprocess.Popen((["ip", "netns", "exec", FAR] if APART else [])
                          + [SERVER_BINARY, "--config", "/dev/null", "--bind", SERVER_ADDRESS, "--api-port", str(API_PORT),
                             "--ports", "%d-%d" % (TABLE_PORT, TABLE_PORT + 3)],
                          stdout=server_log, stderr=subprocess.STDOUT)
kim = ann = None
raws = []
try:
    check(wait_for(lambda: request("GET", "/healthz")[0] == 200, timeout=10), "the server answers on its API port")
    status, text = request("POST", "/api/tables", {"name": "Open Table", "rounds": 1, "time": 30, "computers": 0,
                                                   "strength": "normal", "private": False})
    public = json.loads(text) if status == 201 else {}
    check(status == 201 and public.get("port", 0) >= TABLE_PORT, "a public table is made: %s %s" % (status, text))
    status, text = request("POST", "/api/tables", {"name": "Friends Only", "rounds": 2, "time": 60,
                                                   "computers": 0, "strength": "easy", "private": True})
    private = json.loads(text) if status == 201 else {}
    check(status == 201 and len(private.get("invite", "")) >= 6, "a private table with an invite: %s" % text)
    status, text = request("GET", "/api/invites/%s" % private.get("invite", "none"))
    check(status == 200 and json.loads(text).get("id") == private.get("id"), "the invite finds the private table")
    status, text = request("GET", "/api/tables")
    names = [t.get("name") for t in json.loads(text)] if status == 200 else []
    check(names == ["Open Table"], "the list holds the public table only: %s" % names)
    port = public.get("port", TABLE_PORT)
    check(public.get("host") == SERVER_ADDRESS, "the table object names the address to dial: %s" % public.get("host"))
    address = "%s:%d" % (public.get("host", SERVER_ADDRESS), port)
    if APART:
        check(reaches(SERVER_ADDRESS, port) and reaches("127.0.0.1", port, FAR)
              and not reaches(UNBOUND_ADDRESS, port),
              "the table listens on its bound address and on loopback, nowhere else")

    # A start from a connection that has not logged in.
    early = Raw(port)
    raws.append(early)
    early.say("CMD_startgame+Nobody+1+30+")
    time.sleep(1)
    check(table(public.get("id")).get("state") == "waiting", "a start before logging in changes nothing")
    early.close()

    kim = Program("--may-start", "--join", "Kim", address)
    kim_window = kim.window()
    kim_app = kim.app()
    check(wait_for(lambda: text_of(kim_app, "Seat 1") == "Kim", timeout=15), "Kim sits in seat 1 at the table")
    ann = Program("--may-start", "--join", "Ann", address)
    ann_window = ann.window()
    ann_app = ann.app()
    check(wait_for(lambda: text_of(kim_app, "Seat 2") == "Ann"), "Ann sits in seat 2")
    check(wait_for(lambda: table(public.get("id")).get("seated") == ["Kim", "Ann"]),
          "the table object lists both: %s" % table(public.get("id")).get("seated"))

    def moved():
        xdo("windowmove", "--sync", ann_window, 800, 3)
        time.sleep(0.3)
        return "Position: 8" in subprocess.run(["xdotool", "getwindowgeometry", ann_window],
                                               capture_output=True, text=True).stdout
    check(wait_for(moved, timeout=5, step=0.2), "the two windows stand side by side")
    for app in (kim_app, ann_app):
        done = first(app, name="Done", role="push button")
        if done:
            click_node(done)
    check(wait_for(lambda: first(kim_app, name="Done", role="push button") is None), "Done closes the instructions")
    check(wait_for(lambda: first(ann_app, name="Start Game", role="push button") is not None),
          "a seated player who does not host has START GAME")

    # Seats 3 to 6 taken by hand, then a spy tries to start.
    # One after the other: the server closes a fourth connection from one
    # address while three wait to log in.
    fillers, slots = [], []
    for i in range(4):
        fillers.append(Raw(port))
        raws.append(fillers[-1])
        slots.append(fillers[-1].login("Filler%d" % i))
    check(slots == [3, 4, 5, 6], "four more connections fill seats 3 to 6: %s" % slots)
    spy = Raw(port)
    raws.append(spy)
    spy_slot = spy.login("Peeker")
    check(spy_slot is not None and spy_slot > 6, "a seventh connection is a spy (slot %s)" % spy_slot)
    spy.say("CMD_startgame+Peeker+1+30+")
    check(not spy.heard_start(), "a start from a spy changes nothing")
    spy.close()
    for f in fillers:
        f.close()
    check(wait_for(lambda: table(public.get("id")).get("seated") == ["Kim", "Ann"], timeout=10),
          "the raw players have left: %s" % table(public.get("id")).get("seated"))

    click_node(first(kim_app, name="Start Game", role="push button"))
    for app in (kim_app, ann_app):
        check(wait_for(lambda: text_of(app, "Status") == "Find Words!"),
              "both boards open: Find Words! (%s)" % text_of(app, "Status"))
    check(kim.window("Vorlith - Game Start", timeout=0.5) is None, "START GAME starts without the options dialog")
    check(text_of(kim_app, "Round") == "Round: 1 of 1" and text_of(kim_app, "Time per round") == "Time: 30secs",
          "the table's own options: %s, %s" % (text_of(kim_app, "Round"), text_of(kim_app, "Time per round")))
    check(first(ann_app, name="Start Game", role="push button") is None
          and first(kim_app, name="Start Game", role="push button") is None, "START GAME hides while a game runs")
    check(table(public.get("id")).get("state") == "playing", "the table object says playing")

    # In the middle of the game: a seated connection tries to start and to kick.
    late = Raw(port)
    raws.append(late)
    late_slot = late.login("Latecomer")
    check(late_slot == 3, "a latecomer sits in seat 3 (%s)" % late_slot)
    late.say("CMD_startgame+Latecomer+1+30+")
    check(not late.heard_start(), "a start in the middle of a game changes nothing")
    late.say("CMD_kickhim+1+2+")
    late.say("CMD_kickhim+%d+2+" % (late_slot or 3))
    time.sleep(1)
    check(ann.process.poll() is None and text_of(kim_app, "Seat 2") == "Ann", "a kick is refused: Ann stays")

    # Only Kim scores: a tie would go on to a tie-break round.
    rows = board_rows(kim_app)
    dictionary = load_words()
    words = words_on(rows, dictionary, 3, 1)
    nonsense = non_word_on(rows, dictionary)
    check(len(words) == 1, "a word on the board: %s" % words)
    focus(kim_window)
    type_text(kim_window, words[0] if words else "")
    keys(kim_window, "Return")
    focus(ann_window)
    type_text(ann_window, nonsense)
    keys(ann_window, "Return")
    check(wait_for(lambda: text_of(kim_app, "Score of seat 1") not in (None, "", "0"), timeout=5),
          "Kim's word scores: %s" % text_of(kim_app, "Score of seat 1"))
    check(wait_for(lambda: text_of(ann_app, "Score of seat 2") in ("0", ""), timeout=2),
          "Ann's non-word %s scores nothing" % nonsense)

    # Kim's program dies in the middle of the round. Started again with the
    # same name, it gets seat 1 and Kim's total back; meanwhile the table
    # object lists Kim under held.
    kim_score = text_of(kim_app, "Score of seat 1")
    kim.process.kill()
    kim.process.wait(5)
    check(wait_for(lambda: text_of(ann_app, "Seat 1") == "<Waiting>", timeout=10),
          "Ann sees Kim's seat wait: %s" % text_of(ann_app, "Seat 1"))
    held = table(public.get("id")).get("held", [])
    check([h.get("name") for h in held] == ["Kim"] and 0 < held[0].get("seconds", 0) <= 180,
          "the table object lists Kim as held: %s" % held)
    kim = Program("--may-start", "--join", "Kim", address)
    kim_window = kim.window()
    kim_app = kim.app()
    check(wait_for(lambda: text_of(kim_app, "Seat 1") == "Kim", timeout=15),
          "Kim comes back to seat 1: %s" % text_of(kim_app, "Seat 1"))
    done = first(kim_app, name="Done", role="push button")
    if done:
        click_node(done)
    check(wait_for(lambda: text_of(kim_app, "Score of seat 1") == kim_score, timeout=5),
          "with Kim's total: %s (was %s)" % (text_of(kim_app, "Score of seat 1"), kim_score))
    check(wait_for(lambda: text_of(ann_app, "Seat 1") == "Kim"), "Ann sees Kim back in seat 1")
    check(table(public.get("id")).get("held") == [], "no seat is held any more")

    # Kim's program came back during the round: as for any late joiner, its
    # clock does not run, so Ann's tells the round's end.
    check(wait_for(lambda: text_of(ann_app, "Status") == "Time Up!", timeout=40), "the clock runs out: Time Up!")
    check(wait_for(lambda: text_of(kim_app, "Winner") == "You have Won the Game!", timeout=40),
          "the winner banner: You have Won the Game! (%s)" % text_of(kim_app, "Winner"))
    check(wait_for(lambda: text_of(ann_app, "Winner") == "Kim has Won the Game!"), "Kim has Won the Game! for Ann")
    check(wait_for(lambda: first(kim_app, name="Start Game", role="push button") is not None
                   and first(ann_app, name="Start Game", role="push button") is not None),
          "START GAME is back for both seated players")
    check(wait_for(lambda: table(public.get("id")).get("state") == "waiting"), "the table waits again")
    late.close()

    status, page = request("GET", "/")
    check(status == 200 and "Open Table" in page and "Friends Only" not in page,
          "the status page lists the public table and not the private one")
    page = browser_text(BASE + "/")
    check("Open Table" in page and "Kim" in page and "Friends Only" not in page,
          "chromium shows the status page with the public table and its players, not the private one")

    exit_from_menu(kim_window)
    check(wait_for(lambda: kim.process.poll() is not None, timeout=10), "Kim's program exits from File > Exit")
    check(ann.process.poll() is None, "Ann's game goes on: nobody hosts it but the server")
    exit_from_menu(ann_window)
    check(wait_for(lambda: ann.process.poll() is not None, timeout=10), "and Ann's exits too")
finally:
    for r in raws:
        try:
            r.close()
        except OSError:
            pass
    for p in (kim, ann):
        if p:
            p.stop()
    server.terminate()
    try:
        server.wait(5)
    except subprocess.TimeoutExpired:
        server.kill()
    server_log.close()
    if APART:
        subprocess.run(["ip", "netns", "del", FAR])
finish()
