"""What the checks from outside share: PASS/FAIL lines, waiting, and finding
a program's windows and parts on the accessibility bus as a screen reader
does."""

import os
import subprocess
import time

import pyatspi

results = []


def check(name, ok, detail=""):
    results.append((name, bool(ok)))
    print(("PASS  " if ok else "FAIL  ") + name + (f"  [{detail}]" if detail and not ok else ""), flush=True)
    return ok


def summary():
    """Prints the count and returns the exit status: 1 when any check failed
    or none ran."""
    failed = [r for r in results if not r[1]]
    print(f"\n{len(results) - len(failed)} of {len(results)} checks passed")
    return 1 if failed or not results else 0


def wait_for(predicate, timeout=15.0, step=0.05):
    end = time.monotonic() + timeout
    while True:
        value = predicate()
        if value or time.monotonic() > end:
            return value
        time.sleep(step)


def find(root, predicate):
    try:
        if predicate(root):
            return root
        for child in root:
            if child is None:
                continue
            hit = find(child, predicate)
            if hit:
                return hit
    except Exception:  # a window may go away while we walk it
        return None
    return None


def applications():
    try:
        return [app for app in pyatspi.Registry.getDesktop(0) if app is not None]
    except Exception:
        return []


def windows_of(pid):
    """The top-level windows of the program with process id pid."""
    for app in applications():
        try:
            if app.get_process_id() != pid:
                continue
            yield from (window for window in app if window is not None)
        except Exception:  # an application may leave the bus while we look
            continue


def find_window(title, pid):
    return next((w for w in windows_of(pid) if w.name == title), None)


def screenshot(window_title, path):
    """The window's own contents (a picture of the whole screen may show new
    windows black)."""
    wid = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", "^" + window_title + "$"],
                         capture_output=True, text=True).stdout.split()
    if not wid:
        return False
    shot = subprocess.run("xwd -id %s -silent | xwdtopnm 2>/dev/null | pnmtopng > '%s'" % (wid[0], path), shell=True)
    return shot.returncode == 0 and os.path.getsize(path) > 0
