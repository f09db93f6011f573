"""Drives the real Horavel program in its own X display, as a person would.

Each journey gets a fresh home and settings folder, its own Xvfb display with a window
manager, and reads what the window shows through the accessibility bus (AT-SPI). Clicks
and keys go through the X server (xdotool) at the places the accessibility tree gives.
Nothing here calls into the program's code.

A journey script calls `run(name, journey)`, which starts the script again inside
`dbus-run-session`: a private session bus, on which the accessibility bus starts on demand.
Exit code 0 when the journey passed, 1 when it failed; a failure leaves a screenshot and
the accessibility tree as text beside the journey's other pictures.
"""

import argparse
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import time
import traceback

import pyatspi
from gi.repository import Atspi

# Every wait in a journey ends: generous for a loaded two-core machine, yet far below the
# test's own time limit.
DEFAULT_WAIT = 15.0
POLL = 0.1


class JourneyFailed(AssertionError):
    pass


def wait_for(what, probe, timeout=DEFAULT_WAIT):
    """Polls probe() until it returns something truthy and returns that; fails after timeout."""
    deadline = time.monotonic() + timeout
    last_error = None
    while True:
        try:
            found = probe()
            if found:
                return found
        except Exception as error:  # a node can vanish between two D-Bus calls
            last_error = error
        if time.monotonic() >= deadline:
            detail = f" (last error: {last_error})" if last_error else ""
            raise JourneyFailed(f"timed out after {timeout:.0f} s waiting for {what}{detail}")
        time.sleep(POLL)


# ---- The accessibility tree ----------------------------------------------------------


def children(acc):
    result = []
    for i in range(acc.childCount):
        child = acc.getChildAtIndex(i)
        if child is not None:
            result.append(child)
    return result


def descendants(acc, depth=0):
    """Every accessible below acc, depth first. The depth bound guards against cycles."""
    if depth > 40:
        return
    for child in children(acc):
        yield child
        yield from descendants(child, depth + 1)


def role(acc):
    return acc.getRoleName()


def find_all(root, role_name=None, name=None):
    """The accessibles below root with the role and the name given (None: any)."""
    found = []
    for acc in descendants(root):
        try:
            if role_name is not None and role(acc) != role_name:
                continue
            if name is not None and acc.name != name:
                continue
        except Exception:  # gone while we looked
            continue
        found.append(acc)
    return found


def find(root, role_name=None, name=None):
    matches = find_all(root, role_name, name)
    return matches[0] if matches else None


def text_of(acc):
    """The text a text field shows."""
    return acc.queryText().getText(0, -1)


def is_showing(acc):
    states = acc.getState()
    return states.contains(pyatspi.STATE_SHOWING) and states.contains(pyatspi.STATE_VISIBLE)


def center(acc):
    extents = acc.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
    return extents.x + extents.width // 2, extents.y + extents.height // 2


def dump(acc, depth=0, out=None):
    """The accessibility tree as text, for the artifacts of a failed journey."""
    out = [] if out is None else out
    try:
        line = f"{'  ' * depth}{role(acc)} {acc.name!r}"
        try:
            line += f" text={text_of(acc)!r}"
        except Exception:
            pass
        out.append(line)
        if depth < 30:
            for child in children(acc):
                dump(child, depth + 1, out)
    except Exception as error:
        out.append(f"{'  ' * depth}<gone: {error}>")
    return out


# ---- The display ---------------------------------------------------------------------


class Display:
    """Xvfb on a free display number, with openbox: it gives the window focus, a title bar
    and a close box, as a person's desktop does."""

    def __init__(self, env, size="1024x700x24"):
        read_end, write_end = os.pipe()
        self.xvfb = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write_end), "-screen", "0", size, "-nolisten", "tcp"],
            pass_fds=(write_end,),
            stdout=subprocess.DEVNULL,
            stderr=subprocess.DEVNULL,
        )
        os.close(write_end)
        self.wm = None
        self.pointer = None
        try:
            self.name = f":{self._read_display_number(read_end)}"
            env["DISPLAY"] = self.name
            self.env = env
            self.wm = subprocess.Popen(
                ["openbox", "--sm-disable"],
                env=env,
                stdout=subprocess.DEVNULL,
                stderr=subprocess.DEVNULL,
            )
            wait_for("the window manager", self._wm_running, timeout=10)
        except BaseException:
            self.close()
            raise

    def _read_display_number(self, fd):
        deadline = time.monotonic() + 10
        data = b""
        os.set_blocking(fd, False)
        while not data.endswith(b"\n"):
            if time.monotonic() > deadline or self.xvfb.poll() is not None:
                raise JourneyFailed("Xvfb did not start")
            try:
                chunk = os.read(fd, 16)
                data += chunk
            except BlockingIOError:
                time.sleep(0.05)
        os.close(fd)
        return int(data.strip())

    def _wm_running(self):
        probe = subprocess.run(
            ["xprop", "-root", "_NET_SUPPORTING_WM_CHECK"],
            env=self.env,
            capture_output=True,
            text=True,
            timeout=5,
        )
        return "window id" in probe.stdout

    def xdotool(self, *args):
        subprocess.run(["xdotool", *map(str, args)], env=self.env, check=True, timeout=20)

    def move_pointer(self, x, y):
        # xdotool's --sync waits for the pointer to move, and a move to where it already
        # rests never comes: it would hang until its own timeout.
        if (x, y) != self.pointer:
            self.xdotool("mousemove", "--sync", x, y)
            self.pointer = (x, y)

    def screenshot(self, path):
        subprocess.run(
            ["import", "-window", "root", path], env=self.env, check=True, timeout=20
        )

    def close(self):
        for process in (self.wm, self.xvfb):
            if process is not None and process.poll() is None:
                process.terminate()
                try:
                    process.wait(timeout=5)
                except subprocess.TimeoutExpired:
                    process.kill()


# ---- The program ---------------------------------------------------------------------


class Program:
    """One run of the real binary, found on the accessibility bus by its process id."""

    def __init__(self, journey, args):
        self.journey = journey
        self.process = subprocess.Popen(
            [journey.binary, *args],
            env=journey.env,
            cwd=journey.home,
            stdout=journey.log,
            stderr=subprocess.STDOUT,
        )
        self.app = wait_for("the program on the accessibility bus", self._find_app)
        self._window = None

    @property
    def window(self):
        """The main window. A message at start-up comes before it shows."""
        if self._window is None:
            self._window = wait_for("the main window",
                                    lambda: self.top_level("Horavel", "frame"))
        return self._window

    def _find_app(self):
        desktop = pyatspi.Registry.getDesktop(0)
        for app in children(desktop):
            if app.get_process_id() == self.process.pid:
                # Read every property afresh: the journey asserts on what shows now.
                app.set_cache_mask(Atspi.Cache.NONE)
                return app
        if self.process.poll() is not None:
            raise JourneyFailed(f"the program ended at start, code {self.process.returncode}")
        return None

    def top_level(self, name=None, role_name=None):
        for window in children(self.app):
            if (name is None or window.name == name) and (
                role_name is None or role(window) == role_name
            ):
                return window
        return None

    # Controls of the main window, by role and accessible name.
    def control(self, role_name, name, within=None):
        root = within or self.window
        return wait_for(f"{role_name} {name!r}", lambda: find(root, role_name, name))

    def button(self, name, within=None):
        return self.control("push button", name, within)

    def press(self, name, within=None):
        """Clicks a button found by its accessible name. A click, not the button's accessible
        action: Qt answers that action only once a modal dialog it opens has closed."""
        button = self.button(name, within)
        wait_for(f"button {name!r} to be enabled", lambda: button.getState().contains(
            pyatspi.STATE_ENABLED))
        self.click(button)

    def field(self, name, within=None):
        return self.control("text", name, within)

    def field_text(self, name, within=None):
        return text_of(self.field(name, within))

    def tree(self):
        return self.control("tree", "Tasks")

    def tree_items(self):
        """The captions of the tree's rows, top to bottom as shown (expanded rows only)."""
        return [item.name for item in find_all(self.tree(), "table cell")]

    def tree_item(self, caption, timeout=DEFAULT_WAIT):
        return wait_for(
            f"a tree row {caption!r} (rows: {self._rows_text()})",
            lambda: find(self.tree(), "table cell", caption),
            timeout,
        )

    def _rows_text(self):
        try:
            return ", ".join(repr(name) for name in self.tree_items())
        except Exception:
            return "?"

    def expect_tree(self, expected, timeout=DEFAULT_WAIT):
        """Waits until the tree's rows read exactly `expected`."""
        wait_for(
            f"the tree to read {expected} (it reads [{self._rows_text()}])",
            lambda: self.tree_items() == expected,
            timeout,
        )

    def expect_field(self, name, expected, timeout=DEFAULT_WAIT):
        wait_for(
            f"the field {name!r} to read {expected!r}",
            lambda: self.field_text(name) == expected,
            timeout,
        )

    def click(self, acc, button=1):
        """A click where the control shows on the screen."""
        self.journey.display.move_pointer(*center(acc))
        self.journey.display.xdotool("click", button)

    def select(self, caption):
        """Clicks a row, unless it is selected already: a click on the selected row is the
        slow click that starts renaming it."""
        row = self.tree_item(caption)
        if not row.getState().contains(pyatspi.STATE_SELECTED):
            self.click(row)
        wait_for(
            f"tree row {caption!r} to be selected",
            lambda: self.tree_item(caption).getState().contains(pyatspi.STATE_SELECTED),
        )

    def expand(self, caption):
        """Opens a row with a click on the arrow left of it, if it is closed."""
        row = self.tree_item(caption)
        if row.getState().contains(pyatspi.STATE_EXPANDED):
            return
        box = row.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
        self.journey.display.move_pointer(box.x - 10, box.y + box.height // 2)
        self.journey.display.xdotool("click", 1)
        wait_for(f"tree row {caption!r} to open",
                 lambda: self.tree_item(caption).getState().contains(pyatspi.STATE_EXPANDED))

    def drag(self, source, target):
        """Drags with the left button from one control's middle to another's, in small
        steps with pauses, as a hand moves: the toolkit starts a drag only after the pointer
        has travelled a little with the button held."""
        display = self.journey.display
        (sx, sy), (tx, ty) = center(source), center(target)
        display.move_pointer(sx, sy)
        display.xdotool("mousedown", 1)
        path = [(sx + 3 * i, sy) for i in range(1, 7)]
        path += [(sx + (tx - sx) * i // 12, sy + (ty - sy) * i // 12) for i in range(1, 13)]
        for px, py in path:
            time.sleep(0.04)
            display.move_pointer(px, py)
        time.sleep(0.3)
        display.xdotool("mouseup", 1)

    def select_row(self, index):
        """Selects the index-th row the tree shows, counting from 0 at the top."""
        self.select(wait_for(f"row {index} of the tree",
                             lambda: find_all(self.tree(), "table cell")[index]).name)

    def dialog(self, title, timeout=DEFAULT_WAIT):
        """A window of the program titled `title` (message boxes and file dialogs)."""
        return wait_for(
            f"a window titled {title!r}",
            lambda: next(
                (w for w in children(self.app) if w.name == title and role(w) != "frame"),
                None,
            ),
            timeout,
        )

    def message(self, title, timeout=DEFAULT_WAIT):
        """The text of the message box titled `title`, once it shows."""
        box = self.dialog(title, timeout)
        labels = wait_for(
            f"the text of the message box {title!r}",
            lambda: [l.name for l in find_all(box, "label") if l.name],
        )
        return box, "\n".join(labels)

    def keys(self, *keys):
        self.journey.display.xdotool("key", "--delay", 40, *keys)

    def type(self, text):
        self.journey.display.xdotool("type", "--delay", 30, text)

    def wait_gone(self, window, what, timeout=DEFAULT_WAIT):
        def gone():
            try:
                return window not in children(self.app)
            except Exception:
                return True

        wait_for(f"{what} to close", gone, timeout)

    def running(self):
        return self.process.poll() is None

    def wait_exit(self, timeout=DEFAULT_WAIT):
        try:
            return self.process.wait(timeout=timeout)
        except subprocess.TimeoutExpired:
            raise JourneyFailed(f"the program did not end within {timeout:.0f} s")

    def menu(self, *path):
        """Chooses an entry through the menu bar with clicks: menu("File", "Exit")."""
        bar = wait_for("the menu bar", lambda: find(self.window, "menu bar"))
        item = wait_for(f"the menu {path[0]!r}",
                        lambda: next(i for i in children(bar) if i.name == path[0]))
        for name in path[1:]:
            self.click(item)
            item = wait_for(f"the menu entry {name!r} to show", lambda: next(
                entry for entry in find_all(item, "menu item", name) if is_showing(entry)))
        self.click(item)

    def close_box(self):
        """Clicks the close box at the right end of the window manager's title bar."""
        box = self.window.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
        self.journey.display.move_pointer(box.x + box.width - 10, box.y - 11)
        self.journey.display.xdotool("click", 1)

    def resize(self, width, height):
        """Resizes the main window through the window manager, as a drag of its edge would."""
        self.journey.display.xdotool("search", "--sync", "--onlyvisible", "--pid",
                                     self.process.pid, "--name", "^Horavel$",
                                     "windowsize", width, height)
        wait_for("the window to take its new size", lambda: self.window.queryComponent()
                 .getExtents(pyatspi.DESKTOP_COORDS).width == width)

    def stop(self):
        if self.process.poll() is None:
            self.process.terminate()
            try:
                self.process.wait(timeout=5)
            except subprocess.TimeoutExpired:
                self.process.kill()
                self.process.wait(timeout=5)


# ---- The journey ---------------------------------------------------------------------


class Journey:
    """A person's session: a fresh home, a display, screenshots of the key moments."""

    def __init__(self, name, binary, artifacts, root):
        self.name = name
        self.began = time.monotonic()
        self.binary = os.path.abspath(binary)
        self.artifacts = artifacts
        shutil.rmtree(artifacts, ignore_errors=True)
        os.makedirs(artifacts)
        self.shots = 0
        self.root = root
        self.home = os.path.join(root, "home")
        self.config = os.path.join(self.home, ".config")
        for folder in (self.home, self.config):
            os.makedirs(folder, mode=0o700)
        self.env = self._environment(os.environ["XDG_RUNTIME_DIR"])
        self.log = open(os.path.join(artifacts, "program.log"), "w")
        self.programs = []
        self.display = Display(self.env)
        try:
            # Bring the accessibility bus and its registry up before the program starts: a
            # program that starts while they are still being launched may never show on them.
            wait_for("the accessibility registry",
                     lambda: pyatspi.Registry.getDesktop(0).childCount >= 0)
        except BaseException:
            self.close()
            raise

    def _environment(self, runtime):
        env = {
            key: value
            for key, value in os.environ.items()
            if not key.startswith(("QT_", "XDG_", "DESKTOP_SESSION", "GNOME_", "KDE_"))
            and key not in ("DISPLAY", "WAYLAND_DISPLAY", "HOME")
        }
        env.update(
            HOME=self.home,
            XDG_CONFIG_HOME=self.config,
            XDG_DATA_HOME=os.path.join(self.home, ".local", "share"),
            XDG_CACHE_HOME=os.path.join(self.home, ".cache"),
            XDG_RUNTIME_DIR=runtime,
            LANG="C.UTF-8",
            LC_ALL="C.UTF-8",
            QT_QPA_PLATFORM="xcb",
            # Qt exposes its accessibility tree only when asked; a screen reader asks.
            QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1",
            QT_ACCESSIBILITY="1",
        )
        return env

    def path(self, *parts):
        """A path in the journey's home."""
        return os.path.join(self.home, *parts)

    @property
    def settings_file(self):
        return os.path.join(self.config, "horavel", "horavel.conf")

    def write_settings(self, values):
        """Sets keys of the settings file's [general] section, keeping the others."""
        lines = []
        if os.path.exists(self.settings_file):
            with open(self.settings_file, encoding="utf-8") as existing:
                lines = existing.read().splitlines()
        if "[general]" not in lines:
            lines.append("[general]")
        section = lines.index("[general]")
        for key, value in values.items():
            entry = f"{key}={value}"
            for i in range(section + 1, len(lines)):
                if lines[i].startswith("["):
                    lines.insert(i, entry)
                    break
                if lines[i].split("=", 1)[0] == key:
                    lines[i] = entry
                    break
            else:
                lines.append(entry)
        os.makedirs(os.path.dirname(self.settings_file), exist_ok=True)
        with open(self.settings_file, "w", encoding="utf-8") as out:
            out.write("\n".join(lines) + "\n")

    def read_settings(self):
        values = {}
        if os.path.exists(self.settings_file):
            with open(self.settings_file, encoding="utf-8") as stored:
                for line in stored:
                    if "=" in line:
                        key, value = line.rstrip("\n").split("=", 1)
                        values[key] = value
        return values

    def start(self, *args):
        program = Program(self, list(args))
        self.programs.append(program)
        return program

    def screenshot(self, name):
        self.shots += 1
        path = os.path.join(self.artifacts, f"{self.shots:02d}-{name}.png")
        self.display.screenshot(path)
        return path

    def step(self, text):
        print(f"[{self.name} {time.monotonic() - self.began:5.1f} s] {text}", flush=True)

    def save_dump(self):
        for index, program in enumerate(self.programs):
            if program.running():
                path = os.path.join(self.artifacts, f"accessible-tree-{index}.txt")
                with open(path, "w") as out:
                    for window in children(program.app):
                        out.write("\n".join(dump(window)) + "\n")

    def close(self):
        for program in self.programs:
            program.stop()
        self.display.close()
        self.log.close()


def expect(condition, message):
    if not condition:
        raise JourneyFailed(message)


def expect_equal(actual, expected, what):
    if actual != expected:
        raise JourneyFailed(f"{what}: expected {expected!r}, got {actual!r}")


def run(name, journey_function):
    """Parses the command line, runs the journey in a session of its own, and exits with
    its result."""
    parser = argparse.ArgumentParser()
    parser.add_argument("--program", required=True)
    parser.add_argument("--artifacts", required=True)
    parser.add_argument("--time-limit", type=int, default=90)
    parser.add_argument("--keep-home", action="store_true")
    options = parser.parse_args()
    root = os.environ.get("HORAVEL_E2E_ROOT")
    if root is None:
        sys.exit(run_in_own_session(name, options))
    sys.exit(walk(name, journey_function, options, root))


def run_in_own_session(name, options):
    """Starts this script again on a session bus of its own, with a runtime folder of its
    own. The accessibility bus is started on that session bus and puts its socket in the
    runtime folder; two journeys that shared one would take each other's bus."""
    root = tempfile.mkdtemp(prefix=f"horavel-e2e-{name}-")
    runtime = os.path.join(root, "runtime")
    os.makedirs(runtime, mode=0o700)
    env = {key: value for key, value in os.environ.items()
           if key not in ("DBUS_SESSION_BUS_ADDRESS", "AT_SPI_BUS_ADDRESS", "DISPLAY")}
    env.update(HORAVEL_E2E_ROOT=root, XDG_RUNTIME_DIR=runtime, PYTHONDONTWRITEBYTECODE="1")
    script = os.path.abspath(sys.argv[0])
    command = ["dbus-run-session", "--", sys.executable, script, *sys.argv[1:]]
    # Its own process group: whatever ends this journey (its time limit, ctest's) ends every
    # process of its session with it, display and program included.
    session = subprocess.Popen(command, env=env, start_new_session=True)

    def end_session(*_):
        raise JourneyFailed("the journey was stopped from outside")

    signal.signal(signal.SIGTERM, end_session)
    try:
        return session.wait(timeout=options.time_limit + 20)
    except (subprocess.TimeoutExpired, JourneyFailed) as reason:
        print(f"[{name}] FAILED: {reason}", flush=True)
        return 1
    finally:
        stop_group(session)
        if not options.keep_home:
            shutil.rmtree(root, ignore_errors=True)


def stop_group(leader):
    """Ends every process left in the leader's group: asked first, then forced."""
    for signal_number in (signal.SIGTERM, signal.SIGKILL):
        deadline = time.monotonic() + 5
        try:
            os.killpg(leader.pid, signal_number)
            while time.monotonic() < deadline:
                leader.poll()
                os.killpg(leader.pid, 0)  # raises once the group is empty
                time.sleep(0.1)
        except ProcessLookupError:
            return


def walk(name, journey_function, options, root):
    def out_of_time(*_):
        raise JourneyFailed(f"the journey took longer than {options.time_limit} s")

    def stopped(*_):
        raise JourneyFailed("the journey was stopped from outside")

    signal.signal(signal.SIGALRM, out_of_time)
    signal.signal(signal.SIGTERM, stopped)
    signal.alarm(options.time_limit)
    Atspi.set_timeout(5000, 15000)  # a D-Bus call that hangs fails instead of waiting forever
    started = time.monotonic()
    journey = None
    code = 1
    try:
        journey = Journey(name, options.program, options.artifacts, root)
        journey_function(journey)
        code = 0
    except Exception:
        traceback.print_exc()
        if journey is not None:
            for attempt in (journey.screenshot, lambda _: journey.save_dump()):
                try:
                    attempt("failure")
                except Exception:
                    pass
    finally:
        signal.alarm(0)
        if journey is not None:
            journey.close()
    result = "passed" if code == 0 else "FAILED"
    print(f"[{name}] {result} in {time.monotonic() - started:.1f} s; "
          f"artifacts in {options.artifacts}", flush=True)
    return code
