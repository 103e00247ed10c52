#!/usr/bin/env python3
"""Two players meet through their lobbies at a real table server.

Runs in a network namespace of its own (it starts one with unshare, so it
needs root), on a private X server with the accessibility bus, which it gets
by running itself through run.sh there:

    sudo tests/e2e/check_lobby.py          # about two and a half minutes

Kim and Ann are two users: each lobby lies in a folder of its own with the
game beside it (so each has its own settings file), with a home, a runtime
folder (the one-lobby-per-user rule) and a configuration folder of its own.

- Kim makes a public table with Create Table…; Ann's lobby lists it within
  3 seconds and she joins it; both games run as
  `vorlith --may-start --join NAME HOST:PORT` with the table's address;
  Kim starts the game, it runs to its winner, both leave, and both lobbies
  show themselves again with the list fresh.
- Kim makes a private table and reads its invite code in the dialog; Ann
  joins it with Join with Code….
- Kim's game is killed in the middle of a game: his lobby offers
  "Rejoin <table>", the server holds his seat, and Rejoin gives him his seat
  and total back.
- The server stops: both lobbies say they cannot reach it, naming its
  address, and list its tables again once it is back, untouched.

With E2E_SHOTS=1 the picture docs/lobby.png is made from Ann's lobby with
real tables listed.
"""

import os
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
if os.environ.get("VORLITH_LOBBY_NS") != "1":
    command = ["unshare", "--net", "--", os.path.join(HERE, "run.sh"), os.path.basename(__file__)]
    if os.geteuid() != 0:
        command = ["sudo", "--preserve-env"] + command
    os.execvpe(command[0], command, dict(os.environ, VORLITH_LOBBY_NS="1"))

import json
import signal

from lib import *

LOBBY_BINARY = os.environ.get("VORLITH_LOBBY_BINARY", os.path.join(ROOT, "build", "vorlith-lobby"))
LOBBY_TITLE = "Vorlith Lobby"

subprocess.run(["ip", "link", "set", "lo", "up"], check=True)
checked = []


def check(condition, what):
    """One line per observation, PASS or FAIL; lib's finish() counts the
    failures."""
    checked.append(what)
    print(("PASS " if condition else "FAIL ") + what, flush=True)
    if not condition:
        failures.append(what)
    return condition


def environment(pid):
    """The environment \\a pid was started with."""
    try:
        with open("/proc/%d/environ" % pid, "rb") as f:
            return dict(e.decode().split("=", 1) for e in f.read().split(b"\0") if b"=" in e)
    except OSError:
        return {}


class Lobby(Program):
    """The lobby of one user, with the game beside it in a folder of its own."""

    def __init__(self, name, server):
        self.name = name
        self.dir = tempfile.mkdtemp(prefix="vorlith-e2e-lobby-%s-" % name.lower())
        folders.append(self.dir)
        self.path = os.path.join(self.dir, "vorlith-lobby")
        shutil.copy(LOBBY_BINARY, self.path)
        self.game_path = os.path.join(self.dir, "vorlith")
        shutil.copy(BINARY, self.game_path)
        e = dict(os.environ)
        # The ports the other checks choose for the game are no business of
        # the lobby's: it finds its presence port itself and hands it on.
        for key in ("VORLITH_HOST_PORT", "VORLITH_PRESENCE_PORT", "VORLITH_TABLE_SERVER"):
            e.pop(key, None)
        for folder, key in (("home", "HOME"), ("run", "XDG_RUNTIME_DIR"), ("config", "XDG_CONFIG_HOME"),
                            ("data", "XDG_DATA_HOME")):
            os.makedirs(os.path.join(self.dir, folder), mode=0o700)
            e[key] = os.path.join(self.dir, folder)
        e.update({"QT_LINUX_ACCESSIBILITY_ALWAYS_ON": "1", "QT_QPA_PLATFORM": "xcb",
                  "QT_LOGGING_RULES": "vorlith.lobby*.info=true"})
        self.log = open(os.path.join(self.dir, "stderr.txt"), "w")
        self.process = subprocess.Popen([self.path, "--server", server, "--name", name], cwd=self.dir, env=e,
                                        stdout=self.log, stderr=subprocess.STDOUT)
        self.pid = self.process.pid
        self.games_seen = set()

    def main_window(self, timeout=20.0):
        return self.window(".*" + LOBBY_TITLE, timeout)

    def title(self):
        window = self.main_window(0)
        if not window:
            return None
        return subprocess.run(["xdotool", "getwindowname", window], capture_output=True, text=True).stdout.strip()

    def new_game(self, timeout=15.0):
        """The game program this lobby started last, once it runs."""
        def started():
            fresh = [p for p in processes_of(self.game_path) if p not in self.games_seen]
            return fresh[0] if fresh else None
        pid = wait_for(started, timeout, 0.1)
        if pid:
            self.games_seen.add(pid)
            return Game(pid)
        return None


class Game(Program):
    """A game program somebody else started."""

    def __init__(self, pid):
        self.pid = pid
        self.process = None
        self.path = os.readlink("/proc/%d/exe" % pid)

    def running(self):
        return self.pid in processes_of(self.path)

    def kill(self):
        try:
            os.kill(self.pid, signal.SIGKILL)
        except ProcessLookupError:
            pass

    def stop(self):
        if self.running():
            os.kill(self.pid, signal.SIGTERM)
            if not wait_for(lambda: not self.running(), timeout=5):
                self.kill()


def button(app, name):
    return first(app, name=name, role="push button")


def press(app, name):
    node = wait_for(lambda: button(app, name), timeout=10)
    if node:
        click_node(node)
    return node is not None


def row_of(app, table_name):
    rows = table_cells(app, "Public tables") or []
    return next((r for r in rows if r and r[0] == table_name), None)


def close_instructions(app):
    done = first(app, name="Done", role="push button")
    if done:
        click_node(done)


def focused_keys(window, *names):
    """Keys to \\a window once it has the keyboard."""
    focus(window)
    for name in names:
        xdo("key", "--clearmodifiers", name)
        time.sleep(0.04)


def dialog_window(lobby, title):
    return lobby.window(title, timeout=10)


def create_table(lobby, app, name, private):
    """Create Table… worked with the keys: name, 1 round of 30 seconds, no
    computer players, public or private. Answers when Create was clicked, or
    None when the dialog did not do its part."""
    if not press(app, "Create Table…"):
        return None
    window = dialog_window(lobby, "Create Table")
    if not window:
        return None
    focused_keys(window, "ctrl+a")
    type_line(window, name)
    focused_keys(window, "Tab", "ctrl+a", "1", "Tab", "ctrl+a", "3", "0", "Tab", "ctrl+a", "0")
    if private:
        focused_keys(window, "Tab", "Tab", "space")
    filled = wait_for(lambda: text_in(app, "Table name") == name and text_in(app, "Rounds") == "1"
                      and text_in(app, "Creation time in seconds") == "30 s", timeout=3)
    check(filled, "the Create Table dialog is filled in with the keys: %s, %s, %s" % (
        text_in(app, "Table name"), text_in(app, "Rounds"), text_in(app, "Creation time in seconds")))
    if private:
        box = first(app, name="Private table", role="check box")
        check(box is not None and box.getState().contains(pyatspi.STATE_CHECKED), "the table is to be private")
    create = button(app, "Create")
    if create is None:
        return None
    clicked = time.time()
    click_node(create)
    return clicked if wait_for(lambda: not window_exists(window), timeout=5) else None


def show_again(lobby, app, what):
    """After a game: the lobby's window is up, says no game runs, and its
    list is current."""
    check(wait_for(lambda: lobby.title() == LOBBY_TITLE, timeout=10),
          "%s's lobby shows itself again after %s (title %s)" % (lobby.name, what, lobby.title()))
    window = lobby.main_window(1)
    check(window is not None and first(app, description="Game under way") is None
          and first(app, name="Public tables", role="table") is not None,
          "%s's lobby: mapped, the list showing, no game under way" % lobby.name)


def picture_of_tables(server, lobby, app):
    """docs/lobby.png: the lobby listing real tables, waiting and playing,
    with people and computer players at them."""
    made = {}
    for name, rounds, computers in (("Beginners welcome", 5, 0), ("Night owls", 5, 1), ("Quick words", 3, 2)):
        status, text = server.request("POST", "/api/tables", {"name": name, "rounds": rounds, "time": 60,
                                                              "computers": computers, "strength": "normal",
                                                              "private": False})
        made[name] = json.loads(text) if status == 201 else {}
    # One after the other: the server takes only so many unnamed
    # connections from one address at a time.
    for port, names, starter in ((made["Night owls"].get("port"), ["Bo"], "Bo"),
                                 (made["Quick words"].get("port"), ["Lea", "Max", "Noor", "Tom"], "Lea")):
        for name in names:
            raws.append(RawPlayer(port, name))
            wait_for(lambda: name in server.table(made_id(made, port)).get("seated", []), timeout=5)
        raws[-len(names)].say("CMD_startgame+%s+%d+60+" % (starter, 5 if starter == "Bo" else 3))
    shown = wait_for(lambda: len(table_cells(app, "Public tables") or []) == 4
                     and (row_of(app, "Night owls") or [""] * 5)[3].startswith("round")
                     and (row_of(app, "Quick words") or [""] * 5)[2] == "0", timeout=15)
    check(shown, "the lobby lists the tables for the picture: %s" % table_cells(app, "Public tables"))
    shot(lobby.main_window(), "lobby.png")


def made_id(made, port):
    return next((t.get("id") for t in made.values() if t.get("port") == port), None)


raws = []
# Every table here is made from one address: more than a stranger may.
server = TableServer(free_run(1), free_run(6), 6, "--max-tables-per-address", "10",
                     "--max-creations-per-minute", "10")
kim = ann = None
games = []
try:
    check(server.start(), "the table server answers on its API port %d" % server.api_port)
    address = "127.0.0.1:%d" % server.api_port
    # Kim's lobby first: it takes the presence port 9001, Ann's another.
    kim = Lobby("Kim", address)
    kim.main_window()
    ann = Lobby("Ann", address)
    kim_app, ann_app = kim.app(), ann.app()
    check(kim.main_window() and ann.main_window() and kim_app and ann_app,
          "two lobbies of two users are up, each on the accessibility bus")
    check(kim.process.poll() is None and ann.process.poll() is None,
          "neither lobby took the other for its own (one lobby per user)")
    check(wait_for(lambda: text_in(kim_app, "Your name") == "Kim" and text_in(ann_app, "Your name") == "Ann"),
          "each lobby has its name from --name")
    check(wait_for(lambda: (text_of(ann_app, "Server status") or "").startswith("No public tables at " + address)),
          "Ann's lobby lists the server's tables: %s" % text_of(ann_app, "Server status"))
    xdo("windowmove", "--sync", ann.main_window(), 800, 0)

    # ---- a public table, a whole game --------------------------------------
    created_at = create_table(kim, kim_app, "Owls Nest", private=False)
    check(created_at, "Kim makes a public table with Create Table…")
    created_at = created_at or time.time()
    seen = wait_for(lambda: row_of(ann_app, "Owls Nest"), timeout=10, step=0.05)
    seen_after = time.time() - created_at
    check(seen and seen_after <= 3.0, "Ann's lobby lists it within 3 s (%.2f s): %s" % (seen_after, seen))
    public = next((t for t in server.tables_list() if t.get("name") == "Owls Nest"), {})
    check(public.get("rounds") == 1 and public.get("time") == 30 and public.get("computers") == 0,
          "the server made it as asked: %s" % public)
    table_address = "%s:%s" % (public.get("host"), public.get("port"))

    kim_game = kim.new_game()
    games.append(kim_game)
    check(kim_game and command_line(kim_game.pid) == [kim.game_path, "--may-start", "--join", "Kim", table_address],
          "Kim's lobby starts his game at the table: %s" % (command_line(kim_game.pid) if kim_game else None))
    check(wait_for(lambda: (text_of(kim_app, "Game under way") or "") == "In a game at Owls Nest"),
          "Kim's lobby says: %s" % text_of(kim_app, "Game under way"))

    # Ann picks the row and presses Join.
    click_node(first(ann_app, name="Owls Nest", role="table cell"))
    check(press(ann_app, "Join"), "Ann selects the table and presses Join")
    ann_game = ann.new_game()
    games.append(ann_game)
    check(ann_game and command_line(ann_game.pid) == [ann.game_path, "--may-start", "--join", "Ann", table_address],
          "Ann's lobby starts her game at the table: %s" % (command_line(ann_game.pid) if ann_game else None))

    check(wait_for(lambda: (text_of(ann_app, "Game under way") or "") == "In a game at Owls Nest"),
          "Ann's lobby says: %s" % text_of(ann_app, "Game under way"))
    # Kim's lobby was first and has the game's own presence port; Ann's
    # found it taken and tells her game where it listens instead.
    kim_port = environment(kim_game.pid).get("VORLITH_PRESENCE_PORT") if kim_game else "?"
    ann_port = environment(ann_game.pid).get("VORLITH_PRESENCE_PORT") if ann_game else None
    check(kim_port is None and ann_port and ann_port != "9001",
          "the games report to their own lobbies: Kim's to 9001, Ann's to %s" % ann_port)

    kim_window, ann_window = kim_game.window(), ann_game.window()
    kim_game_app, ann_game_app = kim_game.app(), ann_game.app()
    check(wait_for(lambda: text_of(kim_game_app, "Seat 1") == "Kim" and text_of(kim_game_app, "Seat 2") == "Ann",
                   timeout=15), "Kim and Ann sit at the table")
    xdo("windowmove", "--sync", ann_window, 800, 3)
    for app in (kim_game_app, ann_game_app):
        close_instructions(app)
    check(wait_for(lambda: button(kim_game_app, "Start Game")), "Kim has START GAME")
    click_node(button(kim_game_app, "Start Game"))
    check(wait_for(lambda: text_of(kim_game_app, "Status") == "Find Words!"
                   and text_of(ann_game_app, "Status") == "Find Words!"), "both boards open")
    check(text_of(kim_game_app, "Round") == "Round: 1 of 1" and text_of(kim_game_app, "Time per round") == "Time: 30secs",
          "with the table's options: %s, %s" % (text_of(kim_game_app, "Round"), text_of(kim_game_app, "Time per round")))
    dictionary = load_words()
    words = words_on(board_rows(kim_game_app), dictionary, 3, 1)
    focus(kim_window)
    type_text(kim_window, words[0] if words else "")
    keys(kim_window, "Return")
    check(wait_for(lambda: text_of(kim_game_app, "Score of seat 1") not in (None, "", "0"), timeout=5),
          "Kim's word %s scores %s" % (words, text_of(kim_game_app, "Score of seat 1")))
    check(wait_for(lambda: text_of(ann_game_app, "Winner") == "Kim has Won the Game!", timeout=60),
          "the game runs to its winner: %s" % text_of(ann_game_app, "Winner"))
    check(wait_for(lambda: server.table(public.get("id")).get("state") == "waiting"), "the table waits again")
    # While the games ran the lobbies did not look: Ann's row is as it was.
    exit_from_menu(kim_window)
    exit_from_menu(ann_window)
    check(wait_for(lambda: not kim_game.running() and not ann_game.running(), timeout=10), "both leave the game")
    for lobby, app in ((kim, kim_app), (ann, ann_app)):
        show_again(lobby, app, "the game")
        fresh = wait_for(lambda: (row_of(app, "Owls Nest") or [None, None])[1] == "nobody", timeout=5)
        check(fresh, "%s's list is fresh: %s" % (lobby.name, row_of(app, "Owls Nest")))
    check(button(kim_app, "Rejoin Owls Nest") is None, "no Rejoin after a game that ended well")

    # ---- a private table, joined by its code --------------------------------
    check(create_table(kim, kim_app, "Fox Den", private=True), "Kim makes a private table")
    invite_window = dialog_window(kim, "Private Table")
    code = wait_for(lambda: text_in(kim_app, "Invite code"))
    check(invite_window and code and len(code) >= 6, "the dialog shows its invite code: %s" % code)
    check(button(kim_app, "Copy") is not None, "with a Copy button")
    private = server.request("GET", "/api/invites/%s" % code)
    private = json.loads(private[1]) if private[0] == 200 else {}
    check(private.get("name") == "Fox Den", "the code is the server's: %s" % private.get("name"))
    check(row_of(ann_app, "Fox Den") is None and wait_for(lambda: row_of(ann_app, "Owls Nest")),
          "Ann's list does not show the private table")
    check(press(kim_app, "Join Table"), "Kim joins it from the dialog")
    private_address = "%s:%s" % (private.get("host"), private.get("port"))
    kim_game = kim.new_game()
    games.append(kim_game)
    check(kim_game and command_line(kim_game.pid)[1:] == ["--may-start", "--join", "Kim", private_address],
          "Kim's game goes to the private table")
    kim_window = kim_game.window()  # up before Ann types: a new window takes the keyboard

    check(press(ann_app, "Join with Code…"), "Ann presses Join with Code…")
    code_window = dialog_window(ann, "Join with Code")
    check(code_window is not None, "the Join with Code dialog opens")
    type_line(code_window, code.lower())
    field = "The invite code of the private table:"
    check(wait_for(lambda: text_in(ann_app, field) == code.lower(), timeout=3),
          "she types the code: %s" % text_in(ann_app, field))
    press(ann_app, "OK")
    ann_game = ann.new_game()
    games.append(ann_game)
    check(ann_game and command_line(ann_game.pid)[1:] == ["--may-start", "--join", "Ann", private_address],
          "Ann's game goes to the private table by its code: %s" % (command_line(ann_game.pid) if ann_game else None))

    # ---- Kim's game dies in the middle of a game -----------------------------
    ann_window = ann_game.window()
    kim_game_app, ann_game_app = kim_game.app(), ann_game.app()
    check(wait_for(lambda: text_of(kim_game_app, "Seat 1") == "Kim" and text_of(kim_game_app, "Seat 2") == "Ann",
                   timeout=15), "Kim and Ann sit at the private table: %s, %s" % (
        text_of(kim_game_app, "Seat 1"), text_of(kim_game_app, "Seat 2")))
    xdo("windowmove", "--sync", ann_window, 800, 3)
    for app in (kim_game_app, ann_game_app):
        close_instructions(app)
    check(press(kim_game_app, "Start Game"), "Kim presses START GAME")
    check(wait_for(lambda: text_of(kim_game_app, "Status") == "Find Words!"), "the game at the private table runs")
    words = words_on(board_rows(kim_game_app), dictionary, 3, 1)
    focus(kim_window)
    type_text(kim_window, words[0] if words else "")
    keys(kim_window, "Return")
    kim_score = wait_for(lambda: (lambda s: s if s not in (None, "", "0") else None)(
        text_of(kim_game_app, "Score of seat 1")), timeout=5)
    check(kim_score, "Kim scores %s" % kim_score)
    kim_game.kill()
    killed_at = time.time()
    check(wait_for(lambda: not kim_game.running(), timeout=5), "Kim's game is killed (SIGKILL)")
    held = wait_for(lambda: server.table(private.get("id")).get("held"), timeout=5)
    check([h.get("name") for h in held or []] == ["Kim"], "the server holds Kim's seat: %s" % held)
    offer = wait_for(lambda: first(kim_app, name="Rejoin Fox Den", role="push button"), timeout=10)
    check(offer, "Kim's lobby offers Rejoin Fox Den (after %.1f s)" % (time.time() - killed_at))
    show_again(kim, kim_app, "the killed game")
    click_node(offer)
    kim_game = kim.new_game()
    games.append(kim_game)
    check(kim_game and command_line(kim_game.pid)[1:] == ["--may-start", "--join", "Kim", private_address],
          "Rejoin starts Kim's game at the table again")
    kim_window, kim_game_app = kim_game.window(), kim_game.app()
    check(wait_for(lambda: text_of(kim_game_app, "Seat 1") == "Kim", timeout=15),
          "Kim is back in seat 1: %s" % text_of(kim_game_app, "Seat 1"))
    close_instructions(kim_game_app)
    check(wait_for(lambda: text_of(kim_game_app, "Score of seat 1") == kim_score, timeout=5),
          "with his total: %s (was %s)" % (text_of(kim_game_app, "Score of seat 1"), kim_score))
    after = server.table(private.get("id"))
    check(after.get("held") == [] and "Kim" in after.get("seated", []),
          "the server seats Kim again and holds nothing: %s %s" % (after.get("seated"), after.get("held")))
    check(button(kim_app, "Rejoin Fox Den") is None, "the offer is gone once taken")
    check(wait_for(lambda: text_of(ann_game_app, "Winner") == "Kim has Won the Game!", timeout=60),
          "the game at the private table runs to its winner: %s" % text_of(ann_game_app, "Winner"))
    exit_from_menu(kim_window)
    exit_from_menu(ann_window)
    check(wait_for(lambda: not kim_game.running() and not ann_game.running(), timeout=10), "both leave again")
    for lobby, app in ((kim, kim_app), (ann, ann_app)):
        show_again(lobby, app, "the private game")

    # ---- the server goes away and comes back --------------------------------
    server.stop()
    stopped_at = time.time()
    for lobby, app in ((kim, kim_app), (ann, ann_app)):
        said = wait_for(lambda: (text_of(app, "Server status") or "").startswith(
            "Cannot reach the table server %s: " % address), timeout=10)
        check(said, "%s's lobby says the server is gone: %s" % (lobby.name, text_of(app, "Server status")))
    print("     the lobbies noticed within %.1f s" % (time.time() - stopped_at))
    check(server.start(), "the server starts again on the same ports")
    status, text = server.request("POST", "/api/tables", {"name": "Sunday letters", "rounds": 1, "time": 30,
                                                          "computers": 0, "strength": "normal", "private": False})
    check(status == 201, "a table is made at the new server: %s" % status)
    back_at = time.time()
    for lobby, app in ((kim, kim_app), (ann, ann_app)):
        back = wait_for(lambda: row_of(app, "Sunday letters"), timeout=15)
        check(back and (text_of(app, "Server status") or "").startswith("1 public table at %s" % address),
              "%s's lobby lists the server again untouched (%.1f s): %s" % (
                  lobby.name, time.time() - back_at, text_of(app, "Server status")))

    if SHOTS:
        picture_of_tables(server, ann, ann_app)
finally:
    for raw in raws:
        raw.close()
    for game in games:
        if game:
            game.stop()
    for lobby in (kim, ann):
        if lobby:
            lobby.stop()
    server.stop()
    server.log.close()
print("%d of %d checks passed" % (len(checked) - len(failures), len(checked)))
finish()
