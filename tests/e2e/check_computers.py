"""A solo game with two Normal computer players, asked for on the command
line: they take seats 2 and 3, a joining program sees them as ordinary seated
players, they play a round whose words the host judged (each a word of the
list that the board spells), the game runs to its winner, and the review lists
words the board spells with the computer players' words marked. Pictures go
to docs/ when E2E_SHOTS=1."""

import sys
from collections import Counter

from lib import *

if not port_is_free(HOST_PORT) or not port_is_free(PRESENCE_PORT):
    print("the game's ports %d and %d must be free" % (HOST_PORT, PRESENCE_PORT))
    sys.exit(2)


def list_rows(app, name):
    node = first(app, name=name, role="list")
    return [node.getChildAtIndex(i).name for i in range(node.childCount)] if node else None


def labelled_by(node):
    """The names of the labels a screen reader reads with \a node."""
    return [relation.getTarget(i).name for relation in node.getRelationSet()
            if relation.getRelationType() == pyatspi.RELATION_LABELLED_BY
            for i in range(relation.getNTargets())]


def spells(rows, word):
    return not (Counter(word) - Counter(letter for row in rows for letter in row))


you = Program("--computer-players", "2", "--strength", "normal")
ann = None
try:
    you_window = you.window()
    you_app = you.app()
    check(wait_for(lambda: text_of(you_app, "Seat 1") == "You"), "the solo player sits in seat 1")
    check(wait_for(lambda: (text_of(you_app, "Seat 2"), text_of(you_app, "Seat 3")) == ("Robot 1", "Robot 2")),
          "two computer players take seats 2 and 3: %s, %s" % (text_of(you_app, "Seat 2"), text_of(you_app, "Seat 3")))
    ann = Program("Ann", "127.0.0.1", "join")
    ann_window = ann.window()
    ann_app = ann.app()
    seen = lambda: [text_of(ann_app, "Seat %d" % n) for n in range(1, 5)]
    check(wait_for(lambda: seen() == ["You", "Robot 1", "Robot 2", "Ann"]),
          "a joining program sees them as seated players: %s" % seen())
    xdo("windowmove", "--sync", ann_window, 800, 3)
    for app in (you_app, ann_app):
        done = first(app, name="Done", role="push button")
        if done:
            click_node(done)
    # The download offer of a solo start is not needed here.
    offer = you.window("Download The Brakmo Lobby", timeout=2)
    if offer:
        xdo("windowclose", offer)

    click_node(first(you_app, name="Start Game", role="push button"))
    dialog = you.window("Vorlith - Game Start")
    check(dialog is not None, "START GAME opens the game options")
    focus(dialog)
    dialog_app = wait_for(lambda: first(you_app, name="Vorlith - Game Start"))
    spins = find(dialog_app, role="spin button") if dialog_app else []
    keys(dialog, *["Down"] * 12)
    keys(dialog, "Tab", *["Down"] * 20)
    time.sleep(0.3)
    values = [s.queryValue().currentValue for s in spins]
    check(values == [1, 30, 2], "one round of 30 seconds, the two computer players at the table: %s" % values)
    # A combo box reads as its choice, with its label beside it.
    strength = first(dialog_app, role="combo box") if dialog_app else None
    check(strength is not None and strength.name == "Normal" and labelled_by(strength) == ["Strength:"],
          "their strength reads Strength: Normal")
    shot(dialog, "options-computers.png")
    click_node(first(dialog_app, name="Start Game", role="push button"))

    check(wait_for(lambda: text_of(you_app, "Status") == "Find Words!"), "the round opens")
    rows = board_rows(you_app)
    check(rows == board_rows(ann_app), "everybody has the same board")
    check(wait_for(lambda: text_of(you_app, "Score of seat 2") not in (None, "0")
                   and text_of(you_app, "Score of seat 3") not in (None, "0"), timeout=25),
          "both computer players score while the round runs: %s, %s"
          % (text_of(you_app, "Score of seat 2"), text_of(you_app, "Score of seat 3")))
    shot(you_window, "computer-players.png")

    check(wait_for(lambda: text_of(you_app, "Results of seat 2") == "Robot 1", timeout=40), "the results show")
    dictionary = load_words()
    robot_words = {}
    for seat in (2, 3):
        entries = list_rows(you_app, "Words of seat %d" % seat) or []
        words = [e.split(":")[0] for e in entries]
        robot_words[seat] = words
        good = all(w in dictionary and spells(rows, w) and e == "%s:%d" % (w, len(w) ** 2)
                   for w, e in zip(words, entries))
        check(words and good, "seat %d's words are words of the list the board spells, scored by length: %s"
              % (seat, entries))
        check(list_rows(ann_app, "Words of seat %d" % seat) == entries, "and Ann's results show the same")

    click_node(first(you_app, name="Board Words", role="push button"))
    check(wait_for(lambda: first(you_app, name="Words on this board", role="list") is not None),
          "Board Words opens the words on this board")
    review = list_rows(you_app, "Words on this board") or []
    words = [r.split("  ")[0] for r in review]
    # The board's words by a plain scan of the list, apart from the program.
    held = sorted((w for w in dictionary if spells(rows, w)), key=lambda w: (-len(w), w))
    check(len(words) > 20 and all(w in dictionary and spells(rows, w) for w in words),
          "the review lists %d words of the list the board spells" % len(words))
    check(words[:20] == held[:20], "the board's best words, longest first: %s" % words[:5])
    summary = text_of(you_app, "What the board held") or ""
    check(summary.startswith("%d words, best possible score %d" % (len(held), sum(len(w) ** 2 for w in held))),
          "with their number and the best possible score: " + summary)
    marked = [r for r in review if "found by" in r]
    check(all(any(r.startswith(w + "  ") and "Robot %d" % (seat - 1) in r for r in marked)
              for seat in (2, 3) for w in robot_words[seat]),
          "the computer players' words are marked with their names: %s" % marked[:4])
    shot(you_window, "review.png")
    keys(you_window, "Escape")
    check(wait_for(lambda: first(you_app, name="Words on this board", role="list") is None), "Escape closes it")

    banner = lambda: text_of(you_app, "Winner") or ""
    check(wait_for(lambda: banner().startswith("Robot ") and banner().endswith(" has Won the Game!"), timeout=80),
          "the game runs to its winner: " + banner())
    check(text_of(ann_app, "Winner") == banner(), "Ann sees the same winner")

    exit_from_menu(you_window)
    check(wait_for(lambda: you.process.poll() is not None, timeout=10), "the host's program exits from File > Exit")
    check(wait_for(lambda: ann.process.poll() is not None, timeout=10), "and the joining program ends with it")
finally:
    you.stop()
    if ann:
        ann.stop()
finish()
