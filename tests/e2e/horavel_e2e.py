"""Drives the real program in its own Xvfb display and home: reads the window through the
accessibility bus (AT-SPI), clicks and types with xdotool where it shows."""

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

DEFAULT_WAIT = 15.0  # generous for a loaded two-core machine, below the tests' limits


class JourneyFailed(AssertionError):
    pass


def wait_for(what, probe, timeout=DEFAULT_WAIT):
    deadline = time.monotonic() + timeout
    error = None
    while time.monotonic() < deadline:
        try:
            found = probe()
            if found:
                return found
        except Exception as failure:  # a node can vanish between two D-Bus calls
            error = failure
        time.sleep(0.1)
    raise JourneyFailed(f"timed out after {timeout:.0f} s waiting for {what} ({error})")


def expect(condition, message):
    if not condition:
        raise JourneyFailed(message)


def expect_equal(actual, expected, what):
    expect(actual == expected, f"{what}: expected {expected!r}, got {actual!r}")


def children(acc):
    return [c for c in (acc.getChildAtIndex(i) for i in range(acc.childCount)) if c]


def find_all(root, role_name=None, name=None, depth=0):
    found = []
    for acc in children(root) if depth < 40 else []:
        try:
            if (role_name in (None, acc.getRoleName())) and (name in (None, acc.name)):
                found.append(acc)
            found += find_all(acc, role_name, name, depth + 1)
        except Exception:  # gone while we looked
            pass
    return found


def find(root, role_name=None, name=None):
    return next(iter(find_all(root, role_name, name)), None)


# Qt tells the accessibility bus where things are in its own scaled pixels: under
# QT_SCALE_FACTOR a journey sets this to the factor to get the screen's.
scale = 1


class Box:
    def __init__(self, x, y, width, height):
        self.x, self.y, self.width, self.height = x, y, width, height


def extents(acc):
    box = acc.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
    return Box(*(int(value * scale) for value in (box.x, box.y, box.width, box.height)))


def center(acc):
    box = extents(acc)
    return box.x + box.width // 2, box.y + box.height // 2


def has_state(acc, state):
    return acc.getState().contains(state)


class Display:

    def __init__(self, env, size="1024x700x24"):
        read_end, write_end = os.pipe()
        self.xvfb = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write_end), "-screen", "0", size, "-nolisten", "tcp"],
            pass_fds=(write_end,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(write_end)
        self.pointer = None
        with os.fdopen(read_end) as number:
            env["DISPLAY"] = f":{int(number.readline())}"
        self.env = env
        self.wm = subprocess.Popen(["openbox", "--sm-disable"], env=env,
                                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        wait_for("the window manager", lambda: "window id" in subprocess.run(
            ["xprop", "-root", "_NET_SUPPORTING_WM_CHECK"], env=env, capture_output=True,
            text=True, timeout=5).stdout, timeout=30)

    def xdotool(self, *args):
        subprocess.run(["xdotool", *map(str, args)], env=self.env, check=True, timeout=20)

    def read(self, *command):
        """What an X tool run on this display prints."""
        return subprocess.run(command, env=self.env, capture_output=True, text=True, check=True,
                              timeout=20).stdout

    def move_pointer(self, x, y):
        # --sync waits for the pointer to move; a move to where it rests would never come.
        if (x, y) != self.pointer:
            self.xdotool("mousemove", "--sync", x, y)
            self.pointer = (x, y)

    def screenshot(self, path, crop=None):
        extra = ["-crop", crop, "+repage"] if crop else []
        subprocess.run(["import", "-window", "root", *extra, path], env=self.env, check=True,
                       timeout=20)

    def close(self):
        for process in (self.wm, self.xvfb):
            process.kill()


class WestonDisplay:
    """A headless Weston and nothing of X: the program has to come up natively on Wayland.
    Its socket goes in the journey's own runtime folder."""

    def __init__(self, env):
        socket = "horavel-wayland-0"
        self.weston = subprocess.Popen(
            ["weston", "--backend=headless-backend.so", "--use-pixman", "--no-config",
             f"--socket={socket}", "--width=1024", "--height=700", "--idle-time=0"],
            env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        env.pop("DISPLAY", None)
        env.update(WAYLAND_DISPLAY=socket, QT_QPA_PLATFORM="wayland")
        # Under the sanitizers: Qt's Wayland plugin leaves allocations behind when it is
        # unloaded at exit, in frames that carry no module name to suppress them by.
        if "ASAN_OPTIONS" in env:
            env["ASAN_OPTIONS"] += ":detect_leaks=0"
        self.env = env
        wait_for("the Weston socket",
                 lambda: os.path.exists(os.path.join(env["XDG_RUNTIME_DIR"], socket)), timeout=30)

    def screenshot(self, path, crop=None):
        pass  # Weston's headless output takes no pictures without a plug-in of its own

    def close(self):
        self.weston.kill()


class Program:
    def __init__(self, journey, args):
        self.display = journey.display
        self.process = subprocess.Popen([journey.binary, *args], env=journey.env,
                                        cwd=journey.home, stdout=journey.log,
                                        stderr=subprocess.STDOUT)
        self.app = wait_for("the program on the accessibility bus", self._find_app)
        self._window = None

    def _find_app(self):
        for app in children(pyatspi.Registry.getDesktop(0)):
            if app.get_process_id() == self.process.pid:
                app.set_cache_mask(Atspi.Cache.NONE)  # assert on what shows now
                return app
        if self.process.poll() is not None:
            raise JourneyFailed(f"the program ended at start, code {self.process.returncode}")
        return None

    @property
    def window(self):
        """The main window; a message at start-up comes before it shows."""
        if self._window is None:
            self._window = wait_for("the main window", lambda: next(
                (w for w in children(self.app)
                 if w.name == "Horavel" and w.getRoleName() == "frame"), None))
        return self._window

    def control(self, role_name, name, within=None):
        root = within or self.window
        return wait_for(f"{role_name} {name!r}", lambda: find(root, role_name, name))

    def button(self, name, within=None):
        return self.control("push button", name, within)

    def press(self, name, within=None):
        """Clicks a button: Qt answers its accessible action only after a modal dialog closes."""
        button = self.button(name, within)
        wait_for(f"button {name!r} enabled", lambda: has_state(button, pyatspi.STATE_ENABLED))
        self.click(button)

    def field(self, name, within=None):
        return self.control("text", name, within)

    def field_text(self, name):
        return self.field(name).queryText().getText(0, -1)

    def field_seconds(self, name):
        """A time field's h:mm:ss as seconds."""
        return sum(int(part) * unit
                   for part, unit in zip(self.field_text(name).split(":"), (3600, 60, 1)))

    def tree(self):
        return self.control("tree", "Tasks")

    def tree_items(self):
        return [row.name for row in find_all(self.tree(), "table cell")]

    def tree_item(self, caption):
        return self.control("table cell", caption, self.tree())

    def expect_tree(self, expected):
        wait_for(f"the tree to read {expected}", lambda: self.tree_items() == expected)

    def expect_field(self, name, expected):
        wait_for(f"{name!r} to read {expected!r}", lambda: self.field_text(name) == expected)

    def click(self, acc, button=1):
        self.display.move_pointer(*center(acc))
        self.display.xdotool("click", button)

    def select(self, caption):
        """Clicks a row unless it is selected: a click on the selected row starts renaming."""
        row = self.tree_item(caption)
        if not has_state(row, pyatspi.STATE_SELECTED):
            self.click(row)
        wait_for(f"{caption!r} selected",
                 lambda: has_state(self.tree_item(caption), pyatspi.STATE_SELECTED))

    def expand(self, caption):
        row = self.tree_item(caption)
        if not has_state(row, pyatspi.STATE_EXPANDED):
            box = extents(row)
            self.display.move_pointer(box.x - 10, box.y + box.height // 2)
            self.display.xdotool("click", 1)
            wait_for(f"row {caption!r} to open",
                     lambda: has_state(self.tree_item(caption), pyatspi.STATE_EXPANDED))

    def drag(self, start, end, hold=0.3):
        """A left-button drag between two points in small steps, as a hand moves: the
        toolkit starts a drag only after the pointer has travelled a little."""
        (sx, sy), (tx, ty) = start, end
        self.display.move_pointer(sx, sy)
        self.display.xdotool("mousedown", 1)
        path = [(sx + 3 * i, sy) for i in range(1, 7)]
        path += [(sx + (tx - sx) * i // 12, sy + (ty - sy) * i // 12) for i in range(1, 13)]
        for point in path:
            time.sleep(0.04)
            self.display.move_pointer(*point)
        time.sleep(hold)
        self.display.xdotool("mouseup", 1)

    def new_node(self, button, name, rows_before):
        self.press(button)
        self.expect_tree(rows_before + [button])
        time.sleep(0.4)  # the editor opens right after the row; typing before would search
        self.type(name)
        self.keys("Return")
        self.expect_tree(rows_before + [name])

    def dialog(self, title):
        return wait_for(f"a window titled {title!r}", lambda: next(
            (w for w in children(self.app) if w.name == title and w.getRoleName() != "frame"),
            None))

    def message(self, title):
        box = self.dialog(title)
        labels = wait_for(f"the text of {title!r}",
                          lambda: [l.name for l in find_all(box, "label") if l.name])
        return box, "\n".join(labels)

    def keys(self, *keys):
        self.display.xdotool("key", "--delay", 40, *keys)

    def type(self, text):
        self.display.xdotool("type", "--delay", 30, text)

    def open_reports(self):
        """Ctrl+R, and the Reports window once it is the active one."""
        self.keys("ctrl+r")
        return wait_for("the Reports window, active", lambda: next(
            w for w in children(self.app)
            if w.name == "Reports" and has_state(w, pyatspi.STATE_ACTIVE)))

    def wait_gone(self, window, what):
        wait_for(f"{what} to close", lambda: window not in children(self.app))

    def answer_dialog(self, title, path):
        self.dialog(title)
        self.keys("ctrl+a")
        self.type(path)
        self.keys("Return")

    def cancel_dialog(self, title):
        dialog = self.dialog(title)
        self.keys("Escape")
        self.wait_gone(dialog, f"the dialog {title!r}")

    def expect_exit(self):
        wait_for("the program to end", lambda: self.process.poll() is not None)
        expect_equal(self.process.returncode, 0, "the program's exit code")

    def exit_saving_workspace(self, path):
        """File > Exit, the workspace saved as `path` through the save dialog; exit code 0."""
        self.menu("File", "Exit")
        self.answer_dialog("Save Workspace", path)
        self.expect_exit()

    def menu(self, *path):
        bar = wait_for("the menu bar", lambda: find(self.window, "menu bar"))
        item = wait_for(f"the menu {path[0]!r}",
                        lambda: next(i for i in children(bar) if i.name == path[0]))
        for name in path[1:]:
            self.click(item)
            item = wait_for(f"the menu entry {name!r}", lambda: next(
                e for e in find_all(item, "menu item", name)
                if has_state(e, pyatspi.STATE_SHOWING)))
        self.click(item)

    def close_box(self):
        box = extents(self.window)
        self.display.move_pointer(box.x + box.width - 10, box.y - 11)
        self.display.xdotool("click", 1)

    def resize(self, width, height):
        self.display.xdotool("search", "--sync", "--onlyvisible", "--pid", self.process.pid,
                             "--name", "^Horavel$", "windowsize", width, height)
        wait_for("the window's new size", lambda: extents(self.window).width == width)



class Journey:
    screen = "1024x700x24"  # a journey may ask for a larger one before run()
    wayland = False  # a journey may ask for a headless Weston instead of Xvfb before run()

    def __init__(self, name, binary, artifacts, root):
        self.name = name
        self.began = time.monotonic()
        self.binary = os.path.abspath(binary)
        self.artifacts = artifacts
        shutil.rmtree(artifacts, ignore_errors=True)
        os.makedirs(artifacts)
        self.shots = 0
        self.programs = []
        self.home = os.path.join(root, "home")
        self.config = os.path.join(self.home, ".config")
        os.makedirs(self.config, mode=0o700)
        self.env = self._environment(os.environ["XDG_RUNTIME_DIR"])
        self.log = open(os.path.join(artifacts, "program.log"), "w")
        self.display = WestonDisplay(self.env) if Journey.wayland else Display(self.env, Journey.screen)
        # The accessibility bus up first: a program started while it is being launched may
        # never show on it. (Whatever fails here, the session's end stops every process.)
        wait_for("the accessibility registry",
                 lambda: pyatspi.Registry.getDesktop(0).childCount >= 0)

    def _environment(self, runtime):
        env = {key: value for key, value in os.environ.items()
               if not key.startswith(("QT_", "XDG_", "DESKTOP_SESSION", "GNOME_", "KDE_"))
               and key not in ("DISPLAY", "WAYLAND_DISPLAY", "HOME")}
        env.update(HOME=self.home, XDG_CONFIG_HOME=self.config, XDG_RUNTIME_DIR=runtime,
                   XDG_DATA_HOME=os.path.join(self.home, ".local", "share"),
                   XDG_CACHE_HOME=os.path.join(self.home, ".cache"),
                   LANG="C.UTF-8", LC_ALL="C.UTF-8", QT_QPA_PLATFORM="xcb",
                   # Qt shows its accessibility tree only when asked, as a screen reader does.
                   QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1", QT_ACCESSIBILITY="1")
        return env

    def path(self, *parts):
        return os.path.join(self.home, *parts)

    def copy_data(self, name):
        """A copy of a sample file of tests/e2e/data in the home."""
        return shutil.copy(os.path.join(os.path.dirname(__file__), "data", name), self.path(name))
    def write_file(self, name, text):
        with open(self.path(name), "w", encoding="utf-8") as out:
            out.write(text)
        return self.path(name)

    @property
    def settings_file(self):
        return os.path.join(self.config, "horavel", "horavel.conf")

    def read_settings(self):
        if not os.path.exists(self.settings_file):
            return {}
        with open(self.settings_file, encoding="utf-8") as stored:
            return dict(line.strip().split("=", 1) for line in stored if "=" in line)

    def write_settings(self, values):
        merged = {**self.read_settings(), **values}
        os.makedirs(os.path.dirname(self.settings_file), exist_ok=True)
        with open(self.settings_file, "w", encoding="utf-8") as out:
            out.write("[general]\n" + "".join(f"{k}={v}\n" for k, v in merged.items()))

    def start(self, *args):
        self.programs.append(Program(self, list(args)))
        return self.programs[-1]

    def screenshot(self, name, crop=None):
        self.shots += 1
        self.display.screenshot(os.path.join(self.artifacts, f"{self.shots:02d}-{name}.png"), crop)

    def step(self, text):
        print(f"[{self.name} {time.monotonic() - self.began:5.1f} s] {text}", flush=True)

    def save_dump(self):
        for index, program in enumerate(self.programs):
            with open(os.path.join(self.artifacts, f"accessible-{index}.txt"), "w") as out:
                out.writelines(f"{a.getRoleName()} {a.name!r}\n" for a in find_all(program.app))

    def close(self):
        for program in self.programs:
            program.process.kill()
        self.display.close()
        self.log.close()


def run(name, journey_function):
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
    """Starts this script again on a session bus and in a runtime folder of its own: the
    accessibility bus puts its socket there, and two journeys must not share one."""
    root = tempfile.mkdtemp(prefix=f"horavel-e2e-{name}-")
    runtime = os.path.join(root, "runtime")
    os.makedirs(runtime, mode=0o700)
    env = {key: value for key, value in os.environ.items()
           if key not in ("DBUS_SESSION_BUS_ADDRESS", "AT_SPI_BUS_ADDRESS", "DISPLAY")}
    env.update(HORAVEL_E2E_ROOT=root, XDG_RUNTIME_DIR=runtime, PYTHONDONTWRITEBYTECODE="1")
    command = ["dbus-run-session", "--", sys.executable, os.path.abspath(sys.argv[0]),
               *sys.argv[1:]]
    # A process group of its own: whatever ends the journey ends its display and program too.
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
        for signal_number in (signal.SIGTERM, signal.SIGKILL):
            try:
                os.killpg(session.pid, signal_number)
                time.sleep(1)
            except ProcessLookupError:
                break
        session.poll()
        if not options.keep_home:
            shutil.rmtree(root, ignore_errors=True)


def walk(name, journey_function, options, root):
    def fail(message):
        def handler(*_):
            raise JourneyFailed(message)
        return handler

    signal.signal(signal.SIGALRM, fail(f"the journey took longer than {options.time_limit} s"))
    signal.signal(signal.SIGTERM, fail("the journey was stopped from outside"))
    signal.alarm(options.time_limit)
    Atspi.set_timeout(5000, 15000)  # a D-Bus call that hangs fails instead of waiting
    started = time.monotonic()
    journey = None
    code = 1
    try:
        journey = Journey(name, options.program, options.artifacts, root)
        journey_function(journey)
        code = 0
    except Exception:
        traceback.print_exc()
        try:
            journey.screenshot("failure")
            journey.save_dump()
        except Exception:
            pass
    finally:
        signal.alarm(0)
        if journey is not None:
            journey.close()
    print(f"[{name}] {'passed' if code == 0 else 'FAILED'} in "
          f"{time.monotonic() - started:.1f} s; artifacts in {options.artifacts}", flush=True)
    return code
