#!/usr/bin/python3
"""Hosts and joins a game through the File menu of the real program, as a
player would, and reads the windows through the accessibility bus.

Kim starts a solo game and hosts from File > Host a Game...; the program closes
and starts again as the host. Ann starts a program that waits (one launch
parameter), opens File > Join a Game..., picks Kim's game from the list of games
heard on the network and joins; her program closes and starts again, seated at
Kim's table. Then Kim is asked before leaving the game he hosts, and when his
program ends, Ann's closes the ordinary way and keeps its files.

Meant to run under run.sh (Xvfb, a session bus, the accessibility bus, and a
network of its own holding only this machine). Usage:
    check.py <vorlith binary> [--installed] [--shot <join dialog.png>]
With --installed the binary is run where it is (its folder must be read-only
for this user, so the files land in the user's data folder); otherwise a copy
in a fresh folder runs per player.
"""

import argparse
import os
import shutil
import subprocess
import sys
import tempfile
import time

import pyatspi

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "lib"))
from bus import applications, check, find, find_window, results, screenshot, summary, wait_for, windows_of  # noqa: E402

MAIN_TITLE = "Vorlith by Brakmo Software"
HOST_TITLE = "Vorlith - Host a Game"
JOIN_TITLE = "Vorlith - Join a Game"
LEAVE_QUESTION = "You host this game: leaving it ends the game for everybody who joined it. Leave anyway?"

def main_window_pids():
    pids = set()
    for app in applications():
        try:
            if any(w is not None and w.name == MAIN_TITLE for w in app):
                pids.add(app.get_process_id())
        except Exception:
            continue
    return pids


def named(root, role, name):
    return find(root, lambda o: o.getRole() == role and o.name == name)


def press(root, name):
    button = named(root, pyatspi.ROLE_PUSH_BUTTON, name)
    if not button:
        return False
    button.queryAction().doAction(0)
    return True


def menu_item(window, name):
    return named(window, pyatspi.ROLE_MENU_ITEM, name)


def set_text(edit, text):
    edit.queryEditableText().setTextContents(text)


def text_of(edit):
    t = edit.queryText()
    return t.getText(0, t.characterCount)


def label_shown(window, text):
    return find(window, lambda o: o.getRole() == pyatspi.ROLE_LABEL and o.name == text
                and o.getState().contains(pyatspi.STATE_SHOWING))


def chat_has(window, text):
    chat = find(window, lambda o: o.getRole() in (pyatspi.ROLE_TEXT, pyatspi.ROLE_DOCUMENT_TEXT,
                                                    pyatspi.ROLE_PARAGRAPH) and text in safe_text(o))
    return chat is not None


def safe_text(o):
    try:
        return text_of(o)
    except Exception:
        return ""


# --------------------------------------------------------------------------
# Players

class Player:
    """One person at this machine: a home of their own, and the programs
    they start (the one started here, then the one it starts itself)."""

    def __init__(self, name, binary, installed):
        self.name = name
        self.home = tempfile.mkdtemp(prefix=f"vorlith-{name.lower()}-")
        if installed:
            self.binary = binary
            self.folder = None
        else:
            self.folder = os.path.join(self.home, "program")
            os.mkdir(self.folder)
            self.binary = os.path.join(self.folder, "vorlith")
            shutil.copy(binary, self.binary)
        self.env = dict(os.environ)
        self.env.update({
            "HOME": self.home,
            "XDG_DATA_HOME": os.path.join(self.home, ".local", "share"),
            "XDG_CONFIG_HOME": os.path.join(self.home, ".config"),
            "QT_LINUX_ACCESSIBILITY_ALWAYS_ON": "1",
            "QT_ACCESSIBILITY": "1",
            # Ask only this machine, whatever network the check runs on.
            "VORLITH_LAN_TARGETS": "127.0.0.1",
        })
        self.log = open(os.path.join(self.home, "program.log"), "w")
        self.proc = None
        self.pids = []

    def data_folder(self):
        if self.folder:
            return self.folder
        return os.path.join(self.home, ".local", "share", "Brakmo", "Glyphora")

    def start(self, args):
        self.proc = subprocess.Popen([self.binary] + args, cwd=self.home, env=self.env,
                                     stdout=self.log, stderr=self.log)
        self.pids.append(self.proc.pid)
        return wait_for(lambda: find_window(MAIN_TITLE, self.proc.pid), timeout=30)

    def hand_over(self, dialog, button, what):
        """Presses the dialog's button: this program must close the ordinary
        way and a new one open. Returns the new one's pid and main window."""
        known = main_window_pids()
        press(dialog, button)
        check(f"{button} closes {what}", wait_for(lambda: self.proc.poll() is not None)
              and self.proc.returncode == 0, str(self.proc.poll()))
        fresh = wait_for(lambda: next(iter(main_window_pids() - known), None), timeout=30)
        window = find_window(MAIN_TITLE, fresh) if fresh else None
        if fresh:
            self.pids.append(fresh)
        check(f"... and {self.name}'s program starts again", window)
        return fresh, window

    def stop(self):
        for pid in self.pids:
            kill(pid)


def kill(pid):
    try:
        os.kill(pid, 15)
    except (OSError, TypeError):
        pass


def alive(pid):
    try:
        os.kill(pid, 0)
        return True
    except OSError:
        return False


def open_from_file_menu(window, item, title, pid):
    entry = menu_item(window, item)
    if not entry:
        return None
    entry.queryAction().doAction(0)
    return wait_for(lambda: find_window(title, pid))


# --------------------------------------------------------------------------

def run(binary, installed, shot):
    kim = Player("Kim", binary, installed)
    ann = Player("Ann", binary, installed)
    try:
        main = kim.start([])
        check("Kim's solo game opens", main)
        if not main:
            return
        dialog = open_from_file_menu(main, "Host a Game…", HOST_TITLE, kim.proc.pid)
        check("File > Host a Game… opens the Host dialog", dialog)
        if not dialog:
            return
        set_text(named(dialog, pyatspi.ROLE_TEXT, "Your name"), "Kim")
        kim_host, host_main = kim.hand_over(dialog, "Host", "Kim's solo game the ordinary way")
        if not host_main:
            return
        check("the new program hosts with Kim seated", wait_for(lambda: label_shown(host_main, "Kim")))
        check("Kim's name was remembered", wait_for(lambda: "Playername=Kim" in read(
            os.path.join(kim.data_folder(), "brakmolobby.ini"))))

        # Ann: a program that waits (one parameter starts nothing), then Join.
        ann_main = ann.start(["Ann"])
        check("Ann's program opens and waits", ann_main)
        if not ann_main:
            return
        join = open_from_file_menu(ann_main, "Join a Game…", JOIN_TITLE, ann.proc.pid)
        check("File > Join a Game… opens the Join dialog", join)
        if not join:
            return
        games = named(join, pyatspi.ROLE_LIST, "Games on your network")
        wanted = "Kim at 127.0.0.1, 1 of 6 seats taken, waiting to start"
        heard = wait_for(lambda: named(games, pyatspi.ROLE_LIST_ITEM, wanted), timeout=5)
        check("Kim's game is listed within a second or so", heard,
              ", ".join(c.name for c in games if c is not None) if games else "no list")
        address = named(join, pyatspi.ROLE_TEXT, "Host address")
        check("... and its address is filled in", address and wait_for(lambda: text_of(address) == "127.0.0.1"),
              text_of(address) if address else "no edit")
        status = find(join, lambda o: o.description == "Search status")
        check("the search says what it found", status and wait_for(lambda: status.name == "1 game found."),
              status.name if status else "no status")
        set_text(named(join, pyatspi.ROLE_TEXT, "Your name"), "Ann")
        if shot:
            time.sleep(0.3)  # let the last repaint reach the screen
            check("screenshot of the Join dialog", screenshot(JOIN_TITLE, shot))
        ann_joined, ann_main = ann.hand_over(join, "Join", "Ann's waiting program")
        if not ann_main:
            return
        check("Ann sits at Kim's table", wait_for(lambda: label_shown(host_main, "Ann")))
        check("Ann sees Kim", wait_for(lambda: label_shown(ann_main, "Kim")))

        # Kim would end Ann's game by leaving: he is asked, and says No.
        join = open_from_file_menu(host_main, "Join a Game…", JOIN_TITLE, kim_host)
        check("the host opens Join a Game…", join)
        if join:
            set_text(named(join, pyatspi.ROLE_TEXT, "Host address"), "127.0.0.1")
            press(join, "Join")
            question = wait_for(lambda: next((w for w in windows_of(kim_host)
                                              if find(w, lambda o: o.name == LEAVE_QUESTION)), None))
            check("leaving a hosted game with a guest asks first", question)
            if question:
                press(question, "No")
            time.sleep(1)
            check("No keeps the game", alive(kim_host) and alive(ann_joined) and label_shown(host_main, "Ann"))
            join = find_window(JOIN_TITLE, kim_host)
            if join:
                press(join, "Cancel")

        # The host's program ends: Ann's closes the ordinary way and saves.
        kill(kim_host)
        check("Ann's program closes when the host's ends", wait_for(lambda: not alive(ann_joined), timeout=20))
        folder = ann.data_folder()
        settings = read(os.path.join(folder, "brakmolobby.ini"))
        check("Ann's settings are in her data folder", "[Vorlith]" in settings and "Playername=Ann" in settings,
              folder)
        check("Ann's tally is in her data folder", os.path.exists(os.path.join(folder, "Vorlithtally.tld")),
              ", ".join(os.listdir(folder)) if os.path.isdir(folder) else "no folder")
        if installed:
            stray = [f for f in os.listdir(os.path.dirname(binary)) if "vorlith" in f.lower() and f != "vorlith"
                     or f == "brakmolobby.ini"]
            check("nothing was written beside the installed program", not stray, ", ".join(stray))
    finally:
        kim.stop()
        ann.stop()
        if all(ok for _, ok in results):
            for player in (kim, ann):
                shutil.rmtree(player.home, ignore_errors=True)


def read(path):
    try:
        with open(path, encoding="latin-1") as f:
            return f.read()
    except OSError:
        return ""


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("binary")
    parser.add_argument("--installed", action="store_true")
    parser.add_argument("--shot")
    args = parser.parse_args()
    binary = os.path.abspath(args.binary)
    run(binary, args.installed, os.path.abspath(args.shot) if args.shot else None)
    return summary()


if __name__ == "__main__":
    sys.exit(main())
