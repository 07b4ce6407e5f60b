#!/usr/bin/python3
"""Finds what a program shows through its accessibility tree (AT-SPI) and points
at it with the real pointer (xdotool), the way a user clicks what is on the screen.
Needs Debian's python3 with pyatspi; exits 77 (skip) when it cannot import it.

Usage: a11y.py --pid PID --window WID [options] COMMAND STEP...
The steps are a path in the program PID's window WID, the one with the menu bar.
Each step is looked for among the shown descendants of the one before, nearest
first, as "role:name" with the role as AT-SPI names it ("menu item:Save"),
"role:" for any name ("text:"), or a name alone ("Toolbar").
Commands:
  box STEP...    print its X Y WIDTH HEIGHT in screen pixels
  where STEP...  print the point X Y in screen pixels (see --at)
  click STEP...  click that point
  menu STEP...   click each step in turn, each found under the one before once
                 it shows: opens the menus along the path and picks the last item
  names STEP...  print the names of its children, one a line
Options:
  --timeout S    seconds to wait for what is looked for (default 10); exit 1 then
  --at FX,FY     the point at these fractions of the width and height (default .5,.5)
  --button N     the mouse button that clicks (default 1)
  --rest         after clicking, rest the pointer over the middle of the text area
"""
import argparse
import re
import subprocess
import sys
import time

try:
    import pyatspi
except ImportError:
    print(f"SKIP: {sys.executable} cannot import pyatspi (python3-pyatspi)")
    sys.exit(77)

from wm_ping import ping

STEP = re.compile(r"^([a-z][a-z ]*):(.*)$", re.S)


class NotFound(Exception):
    pass


def parse_step(text):
    match = STEP.match(text)
    return (match.group(1), match.group(2)) if match else (None, text)


def showing(acc):
    return acc.getState().contains(pyatspi.STATE_SHOWING)


def extents(acc):
    box = acc.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
    return box.x, box.y, box.width, box.height


def matches(acc, step):
    role, name = step
    return (role is None or acc.getRoleName() == role) and (not name or acc.name == name)


def find_under(root, step):
    """The nearest shown descendant that matches, with a size on the screen."""
    queue = [c for c in root if c is not None]
    while queue:
        acc = queue.pop(0)
        if not showing(acc):
            continue  # nor is anything inside it
        if matches(acc, step) and min(extents(acc)[2:]) > 0:
            return acc
        queue.extend(c for c in acc if c is not None)
    return None


def main_window(pid):
    desktop = pyatspi.Registry.getDesktop(0)
    desktop.clear_cache()
    for app in desktop:
        if app is None or app.get_process_id() != pid:
            continue
        for window in app:
            if window is not None and showing(window) and any(
                    c is not None and c.getRole() == pyatspi.ROLE_MENU_BAR for c in window):
                return window
    raise NotFound(f"no window with a menu bar of process {pid} in the accessibility tree")


def resolve(root, steps):
    for i, step in enumerate(steps):
        found = find_under(root, parse_step(step))
        if found is None:
            raise NotFound(f"\"{'/'.join(steps[:i + 1])}\" is not shown")
        root = found
    return root


def wait_for(timeout, find, why=None):
    """What find returns once it finds it; the tree is read afresh each time.
    On running out of time, ends the program saying why."""
    end = time.monotonic() + timeout
    while True:
        try:
            return find()
        except Exception as error:  # NotFound, or an object gone with its window
            if time.monotonic() >= end:
                sys.exit(why or str(error))
        time.sleep(0.05)


class Screen:
    """Qt gives positions in device-independent pixels, the X server in its own.
    The main window seen both ways gives the scale and the origin, read afresh
    for each point so that a window placed again meanwhile is followed."""

    def __init__(self, window_id, frame):
        self.window_id = window_id
        self.frame = frame

    def mapping(self):
        info = subprocess.run(["xwininfo", "-id", self.window_id], capture_output=True,
                              text=True, check=True).stdout
        field = {k.strip(): v.strip() for k, v in re.findall(r"^ *([^:\n]+):(.*)$", info, re.M)}
        left, top = int(field["Absolute upper-left X"]), int(field["Absolute upper-left Y"])
        fx, fy, width, _ = extents(self.frame)
        scale = int(field["Width"]) / width if width > 0 else 1.0
        return lambda x, y: (left + round((x - fx) * scale), top + round((y - fy) * scale))

    def box(self, acc):
        to_screen = self.mapping()
        x, y, w, h = extents(acc)
        (left, top), (right, bottom) = to_screen(x, y), to_screen(x + w, y + h)
        return left, top, right - left, bottom - top

    def at(self, acc, fx, fy):
        to_screen = self.mapping()
        x, y, w, h = extents(acc)
        return to_screen(x + w * fx, y + h * fy)


def pointer(*args):
    subprocess.run(["xdotool", "mousemove", *map(str, args[:2]), *args[2:]], check=True)


def rest_point(screen, frame):
    try:
        return screen.at(resolve(frame, ["text:"]), 0.5, 0.5)
    except Exception:
        return None


def walk_menu(args, screen, frame):
    """Clicks each step once shown; a menu's window is known to be on the screen
    once the program has read every event sent before (it answers a ping)."""
    node = frame
    for i, step in enumerate(args.steps):
        under = node
        menu = "/".join(parse_step(s)[1] for s in args.steps[:i])
        why = f"no \"{parse_step(step)[1]}\" showed in the menu \"{menu}\"" if i else None
        node = wait_for(args.timeout, lambda: resolve(under, [step]), why)
        if i and not ping(int(args.window, 0), args.timeout):
            sys.exit("the program stopped answering")
        pointer(*screen.at(node, 0.5, 0.5), "click", str(args.button))


def arguments():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--pid", type=int, required=True)
    parser.add_argument("--window", required=True)
    parser.add_argument("--timeout", type=float, default=10.0)
    parser.add_argument("--at", default="0.5,0.5")
    parser.add_argument("--button", type=int, default=1)
    parser.add_argument("--rest", action="store_true")
    parser.add_argument("command", choices=["box", "where", "click", "menu", "names"])
    parser.add_argument("steps", nargs="+")
    return parser.parse_args()


def main():
    args = arguments()
    fx, fy = (float(f) for f in args.at.split(","))
    frame = wait_for(args.timeout, lambda: main_window(args.pid))
    screen = Screen(args.window, frame)
    rest = rest_point(screen, frame) if args.rest else None
    if args.command == "menu":
        walk_menu(args, screen, frame)
    else:
        found = wait_for(args.timeout, lambda: resolve(frame, args.steps))
        if args.command == "box":
            print(*screen.box(found))
        elif args.command == "where":
            print(*screen.at(found, fx, fy))
        elif args.command == "names":
            print("\n".join(c.name for c in found if c is not None))
        else:
            pointer(*screen.at(found, fx, fy), "click", str(args.button))
    if rest:
        pointer(*rest)


if __name__ == "__main__":
    main()
