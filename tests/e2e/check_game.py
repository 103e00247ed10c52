"""A whole game between a hosting program and a joining program on this
machine, started from the hosting player's START GAME and the options dialog:
words clicked and typed are judged, the clock runs out, the results show
every seat's words, the winner banner shows, and the tally file holds the game
after exit. Pictures of each step go to docs/ when E2E_SHOTS=1."""

import os
import subprocess
import sys

from lib import *

if not port_is_free(HOST_PORT) or not port_is_free(PRESENCE_PORT):
    print("the game's ports %d and %d must be free" % (HOST_PORT, PRESENCE_PORT))
    sys.exit(2)


def click_word(app, word, submit):
    """Clicks the tiles of \\a word, each the first free one by column, then row."""
    board = first(app, name="Letter board")
    bx, by, _, _ = extents(board)
    rows = board_rows(app)
    used = set()
    for letter in word:
        spot = next((c, r) for c in range(6) for r in range(6) if rows[r][c] == letter and (c, r) not in used)
        used.add(spot)
        click(bx + spot[0] * 65 + 32, by + spot[1] * 65 + 32)
    if submit:
        click(bx + 200, by + 200, button=3)


def list_rows(app, name):
    node = first(app, name=name)
    return [node.getChildAtIndex(i).name for i in range(node.childCount)] if node else None


kim = Program("Kim", "127.0.0.1", "true")
ann = None
try:
    kim_window = kim.window()
    kim_app = kim.app()
    check(wait_for(lambda: text_of(kim_app, "Seat 1") == "Kim"), "the hosting player sits in seat 1")
    ann = Program("Ann", "127.0.0.1", "join")
    ann_window = ann.window()
    ann_app = ann.app()
    check(wait_for(lambda: text_of(kim_app, "Seat 2") == "Ann"), "the joining player sits in seat 2")
    check(wait_for(lambda: text_of(ann_app, "Seat 1") == "Kim"), "and sees the host in seat 1")

    # Side by side, so that every click lands on the window it is meant for.
    # The window takes its stored place once seated; it is moved after that.
    def moved():
        xdo("windowmove", "--sync", ann_window, 800, 3)
        time.sleep(0.3)
        return "Position: 8" in subprocess.run(["xdotool", "getwindowgeometry", ann_window],
                                               capture_output=True, text=True).stdout
    check(wait_for(moved, timeout=5, step=0.2), "the two windows stand side by side")
    check(first(ann_app, name="Start Game", role="push button") is None, "only the hosting player has START GAME")
    # The quick instructions come up at a first start; Done puts them away.
    for app in (kim_app, ann_app):
        done = first(app, name="Done", role="push button")
        if done:
            click_node(done)
    check(wait_for(lambda: first(kim_app, name="Done", role="push button") is None), "Done closes the instructions")
    shot(kim_window, "before-game.png")

    click_node(first(kim_app, name="Start Game", role="push button"))
    dialog = kim.window("Vorlith - Game Start")
    check(dialog is not None, "START GAME opens the game options")
    # The dialog is worked with the keys alone: rounds has the focus first,
    # Tab goes on to the creation time, the computer players, their strength
    # and START.
    focus(dialog)
    dialog_app = wait_for(lambda: first(kim_app, name="Vorlith - Game Start"))
    check(dialog_app is not None, "a screen reader finds the dialog")
    # A first start loads the stored defaults (10 rounds, 30 seconds): down
    # to one round, which the arrows do not pass.
    keys(dialog, *["Down"] * 12)
    keys(dialog, "Tab", *["Down"] * 3)
    time.sleep(0.3)
    values = [s.queryValue().currentValue for s in find(dialog_app, role="spin button")] if dialog_app else []
    check(values == [1, 30, 0], "one round of 30 seconds chosen, no computer players: %s" % values)
    shot(dialog, "options-dialog.png")
    keys(dialog, "Tab", "Tab", "Tab", "space")
    check(wait_for(lambda: kim.window("Vorlith - Game Start", timeout=0.1) is None, timeout=5),
          "START in the dialog closes it")

    for app in (kim_app, ann_app):
        check(wait_for(lambda: text_of(app, "Status") == "Find Words!"),
              "both boards open: Find Words! (%s)" % text_of(app, "Status"))
    check(text_of(kim_app, "Round") == "Round: 1 of 1" and text_of(kim_app, "Time per round") == "Time: 30secs",
          "Round: 1 of 1, Time: 30secs")
    rows = board_rows(kim_app)
    check(rows == board_rows(ann_app), "everybody has the same board")
    dictionary = load_words()
    words = words_on(rows, dictionary, 3, 3)
    nonsense = non_word_on(rows, dictionary)
    check(len(words) == 3, "three words of three letters on the board: %s" % words)

    click_word(kim_app, words[0], submit=False)
    check(wait_for(lambda: text_of(kim_app, "Word under construction") == words[0]), "Kim clicks " + words[0])
    shot(kim_window, "round.png")
    click_word(kim_app, "", submit=True)
    click_word(kim_app, words[1], submit=False)
    click_node(first(kim_app, name="Submit", role="push button"))

    focus(ann_window)
    for word in (words[2], nonsense):
        type_text(ann_window, word)
        keys(ann_window, "Return")
    type_text(ann_window, words[2])
    keys(ann_window, "Return")

    check(wait_for(lambda: list_rows(kim_app, "Your words") == ["9 : " + words[0], "9 : " + words[1]]),
          "Kim's words are judged: %s" % list_rows(kim_app, "Your words"))
    ann_rows = wait_for(lambda: (list_rows(ann_app, "Your words") or [None])[-1:] == [words[2] + " : Repeat"]
                        and list_rows(ann_app, "Your words"))
    check(ann_rows == ["9 : " + words[2], nonsense + " : Not Valid", words[2] + " : Repeat"],
          "Ann's typed words are judged, a non-word and a repeat refused: %s" % ann_rows)
    check(text_of(ann_app, "Score of seat 2") == "9" and text_of(ann_app, "Score of seat 1") == "18",
          "both see the scores 18 and 9")

    check(wait_for(lambda: text_of(kim_app, "Status") == "Time Up!", timeout=35), "the clock runs out: Time Up!")
    check(wait_for(lambda: text_of(kim_app, "Results of seat 1") == "Kim", timeout=10), "the results show")
    check(list_rows(kim_app, "Words of seat 1") == [words[0] + ":9", words[1] + ":9"]
          and list_rows(kim_app, "Words of seat 2") == [words[2] + ":9"], "with every seat's words")
    check(text_of(ann_app, "Results of seat 3") == "<Waiting>", "an empty seat reads <Waiting>")
    shot(kim_window, "results.png")

    check(wait_for(lambda: text_of(kim_app, "Winner") == "You have Won the Game!", timeout=25),
          "the winner banner: You have Won the Game!")
    check(wait_for(lambda: text_of(ann_app, "Winner") == "Kim has Won the Game!"), "Kim has Won the Game! for Ann")
    check(first(kim_app, name="Start Game", role="push button") is not None, "START GAME is back for the host")
    shot(kim_window, "winner.png")

    exit_from_menu(kim_window)
    check(wait_for(lambda: kim.process.poll() is not None, timeout=10), "the host's program exits from File > Exit")
    check(wait_for(lambda: ann.process.poll() is not None, timeout=10), "and the joining program ends with it")
    tally = os.path.join(kim.dir, "Vorlithtally.tld")
    check(os.path.exists(tally), "the tally file is written at exit")
    tool = os.path.join(ROOT, "build", "lzrw1kh")
    if os.path.exists(tally) and os.path.exists(tool):
        text_path = os.path.join(kim.dir, "tally.txt")
        subprocess.run([tool, "d", tally, text_path], check=True, capture_output=True)
        text = open(text_path, "rb").read().decode("latin-1")
        print("     tally text: %r" % text[:120])
        check(words[0] in text, "the tally holds the game and the longest word " + words[0])
finally:
    kim.stop()
    if ann:
        ann.stop()
finish()
