"""One program joining a stand-in host: what a player's clicks and keys send,
what the program shows for the host's messages, read as a screen reader does."""

import os
import subprocess
import sys
import time

from lib import *

if not port_is_free(HOST_PORT) or not port_is_free(PRESENCE_PORT):
    print("the game's ports %d and %d must be free" % (HOST_PORT, PRESENCE_PORT))
    sys.exit(2)

# C, A, T, E, E, E down the first column; B..Z and more after them.
LETTERS = "CATEEE" + "BDFGHIJKLMNOPQRSUVWXYZBDFGHIJK"
DEAL = "CMD_makeboard" + "".join("+%d+%d" % (i + 1, ord(ch) - 64) for i, ch in enumerate(LETTERS))

# E2E_SCALE=2 runs the program at device pixel ratio 2; with E2E_SHOTS=1 a
# picture of part of the board goes to docs/, to see the tiles stay sharp.
SCALE = os.environ.get("E2E_SCALE", "1")
host = FakeHost()
ann = Program("Ann", "127.0.0.1", "join", env={"QT_SCALE_FACTOR": SCALE})
try:
    host.accept()
    window = ann.window()
    app = ann.app()
    check(window is not None and app is not None, "the window is up and on the accessibility bus")

    host.say("CMD_sendlogininfo+2")
    check(host.hear() == b"CMD_logininfo+2+1.0.3+Ann\xff\xff", "login reply byte for byte")
    host.say("CMD_newplayerinfo+2+Ann+0", "CMD_existingplayers+1+Kim+0",
             "CMD_startgame+Kim+3+60+", DEAL, "CMD_roundstarting+1+60+")
    check(wait_for(lambda: text_of(app, "Status") == "Find Words!"), "the round opens: Find Words!")
    rows = board_rows(app)
    check([r[0] for r in rows] == list("CATEEE"), "the board reads C, A, T, E, E, E down the first column")
    check(rows[0] == list("CBJPWF"), "row 1 reads across the columns: %s" % rows[0])

    board = first(app, name="Letter board")
    bx, by, _, _ = extents(board)
    k = float(SCALE)
    cell = lambda c, r: (int(bx + ((c - 1) * 65 + 32) * k), int(by + ((r - 1) * 65 + 32) * k))
    for r in (1, 2, 3):
        click(*cell(1, r))
    check(wait_for(lambda: text_of(app, "Word under construction") == "CAT"), "clicks build CAT in the word line")
    check("Word under construction: CAT" == board.description, "the board tells a screen reader the word")
    if os.environ.get("E2E_SHOTS") == "1" and SCALE != "1":
        wx, wy = [int(v) for v in subprocess.run(["xdotool", "getwindowgeometry", window], capture_output=True,
                                                 text=True).stdout.split("Position: ")[1].split(" ")[0].split(",")]
        screenshot(window, os.path.join(ROOT, "docs", "board-%sx.png" % SCALE),
                   crop=(bx - wx, by - wy, int(195 * k), int(130 * k)))
    check(board_rows(app)[0][0] == "C" and "C used" in board.getChildAtIndex(0).name, "a used letter reads as used")
    click(*cell(4, 4), button=3)
    check(host.hear() == b"CMD_myword+2+CAT+\xff", "the right button sends exactly CMD_myword+2+CAT+")

    focus(window)
    type_text(window, "eeee")
    keys(window, "Return")
    check(host.hear() == b"CMD_myword+2+EEE+\xff", "typing eeee on a board with three E sends CMD_myword+2+EEE+")

    def every_letter_once(how):
        letters = sorted(l for row in board_rows(app) for l in row)
        type_text(window, "".join(letters))
        shown = text_of(app, "Word under construction") or ""
        keys(window, "1")
        return sorted(shown) == letters and len(shown) == 36

    keys(window, "space")
    check(every_letter_once("Space"), "after Space the same 36 letters can all be typed once")
    before = board_rows(app)
    click_node(first(app, name="Shuffle", role="push button"))
    check(every_letter_once("SHUFFLE"), "after SHUFFLE the same 36 letters can all be typed once")
    check(sorted(sum(before, [])) == sorted(sum(board_rows(app), [])), "the shuffle keeps the letters")
    click(*cell(1, 1))
    click_node(first(app, name="Clear", role="push button"))
    check(wait_for(lambda: text_of(app, "Word under construction") == ""), "CLEAR empties the word line")
    check(host.hear() == b"", "clearing with 1 or CLEAR sends nothing")

    host.say("CMD_hisscore+2+45+9+")
    check(wait_for(lambda: text_of(app, "Score of seat 2") == "45"), "CMD_hisscore+2+45+9+ shows 45")
    check(text_of(app, "Latest points of seat 2") == "+9", "and +9")
    name = extents(first(app, description="Seat 2"))
    score = extents(first(app, description="Score of seat 2"))
    bonus = extents(first(app, description="Latest points of seat 2"))
    check(score[0] == name[0] + name[2] + 4 and bonus[0] == score[0] + score[2] + 4,
          "score 4 pixels after the name, bonus 4 after the score (%s %s %s)" % (name, score, bonus))

    host.say("CMD_hisword+2+9+CAT+", "CMD_notvalid+1+2+QZX+", "CMD_notvalid+2+2+CAT+")
    words = first(app, name="Your words")
    check(wait_for(lambda: words and words.childCount == 3), "three verdicts in the word list")
    check([words.getChildAtIndex(i).name for i in range(3)] == ["9 : CAT", "QZX : Not Valid", "CAT : Repeat"],
          "verdict rows 9 : CAT, QZX : Not Valid, CAT : Repeat")

    host.say("CMD_roundstarting+2+6+")
    check(wait_for(lambda: text_of(app, "Status") == "Time Up!", timeout=9), "a 6-second round reaches Time Up!")
    check(text_of(app, "Time left") == "Time: 0:00", "the clock reads Time: 0:00")
    for r in (1, 2):
        click(*cell(1, r))
    click(*cell(1, 3), button=3)
    focus(window)
    type_text(window, "cat")
    keys(window, "Return")
    check(host.hear(1.0) == b"", "after Time Up! nothing is sent")

    buttons = find(app, role="push button", showing=False)
    unnamed = [b for b in buttons if not b.name]
    check(len(buttons) >= 17 and not unnamed, "every button has a name (%d buttons)" % len(buttons))
finally:
    ann.stop()
    host.close()
finish()
