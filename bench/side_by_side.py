#!/usr/bin/python3
"""Start-up, save and memory of two horavel builds, launched in turn with fresh homes.

Driven by bench/side_by_side.sh, which builds both and makes the projects; run on a display
of its own (Xvfb, no window manager). Usage:
  side_by_side.py --old BIN --new BIN --plain FILE --year FILE --rounds N --saves N

Ready is the main window mapped and drawn: the first drawing into it after the map (the
X DAMAGE extension reports it) is the whole window with the tree showing the project and
the History frame listing its periods, as both builds load the files and fill both before
they show the window. Then the window must answer a _NET_WM_PING, its event loop running.
A save is Alt+F then S (Save Project in the File menu of both builds), timed from the S
key to inotify's moved_to of the project file in its folder. Private memory is
Private_Clean + Private_Dirty of /proc/PID/smaps_rollup, one second after ready.
"""

import argparse
import os
import select
import shutil
import signal
import statistics
import subprocess
import sys
import tempfile
import time

from Xlib import X, XK, display
from Xlib.ext import damage, xtest
from Xlib.protocol import event as xevent

CLOCK_TICKS = os.sysconf("SC_CLK_TCK")


def cpu_seconds(pid):
    with open(f"/proc/{pid}/stat") as stat:
        fields = stat.read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / CLOCK_TICKS  # utime + stime


def private_megabytes(pid):
    kilobytes = 0
    with open(f"/proc/{pid}/smaps_rollup") as rollup:
        for line in rollup:
            if line.startswith(("Private_Clean:", "Private_Dirty:")):
                kilobytes += int(line.split()[1])
    return kilobytes / 1024


class Screen:
    def __init__(self):
        self.d = display.Display()
        self.root = self.d.screen().root
        self.root.change_attributes(event_mask=X.SubstructureNotifyMask | X.StructureNotifyMask)
        self.protocols = self.d.intern_atom("WM_PROTOCOLS")
        self.ping = self.d.intern_atom("_NET_WM_PING")
        self.net_name = self.d.intern_atom("_NET_WM_NAME")
        self.utf8 = self.d.intern_atom("UTF8_STRING")
        self.damage_notify = self.d.query_extension("DAMAGE").first_event + damage.DamageNotifyCode
        self.d.damage_query_version()
        self.d.sync()
        self.drain()

    def drain(self):
        while self.d.pending_events():
            self.d.next_event()

    def next_event(self, deadline):
        while not self.d.pending_events():
            left = deadline - time.monotonic()
            if left <= 0:
                raise TimeoutError
            select.select([self.d.fileno()], [], [], left)
            self.d.pending_events()  # reads what arrived
        return self.d.next_event()

    def name_of(self, window):
        try:
            prop = window.get_full_property(self.net_name, self.utf8)
            if prop is not None:
                return prop.value.decode() if isinstance(prop.value, bytes) else str(prop.value)
            return window.get_wm_name() or ""
        except Exception:  # the window went away
            return ""

    def wait_drawn(self, title, deadline):
        """The window named `title` once mapped, and the seconds at its map and first drawing."""
        mapped = None
        while True:
            event = self.next_event(deadline)
            if event.type == X.CreateNotify:
                # Watched from its creation: the first drawing may follow the map at once.
                event.window.damage_create(damage.DamageReportNonEmpty)
            elif event.type == X.MapNotify and self.name_of(event.window) == title:
                mapped = (event.window, time.monotonic())
            elif (event.type == self.damage_notify and mapped is not None
                  and event.drawable.id == mapped[0].id):
                return mapped[0], mapped[1], time.monotonic()

    def wait_answer(self, window, deadline):
        stamp = int(time.monotonic() * 1000) & 0x7FFFFFFF
        message = xevent.ClientMessage(window=window, client_type=self.protocols,
                                       data=(32, [self.ping, stamp, window.id, 0, 0]))
        window.send_event(message, event_mask=0)
        self.d.flush()
        while True:
            event = self.next_event(deadline)
            if (event.type == X.ClientMessage and event.client_type == self.protocols
                    and event.data[1][0] == self.ping and event.data[1][1] == stamp):
                return

    def focus(self, window):
        window.set_input_focus(X.RevertToParent, X.CurrentTime)
        self.d.sync()

    def key(self, name, modifier=None):
        code = self.d.keysym_to_keycode(XK.string_to_keysym(name))
        mod = self.d.keysym_to_keycode(XK.string_to_keysym(modifier)) if modifier else None
        if mod:
            xtest.fake_input(self.d, X.KeyPress, mod)
        xtest.fake_input(self.d, X.KeyPress, code)
        xtest.fake_input(self.d, X.KeyRelease, code)
        if mod:
            xtest.fake_input(self.d, X.KeyRelease, mod)
        self.d.sync()


class Watch:
    """inotifywait on the project's folder, reporting files renamed into it."""

    def __init__(self, folder):
        self.process = subprocess.Popen(
            ["inotifywait", "-m", "-e", "moved_to", "--format", "%f", folder],
            stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True, bufsize=1)
        for line in self.process.stderr:
            if "established" in line:
                break

    def wait_renamed(self, name, deadline):
        while True:
            left = deadline - time.monotonic()
            if left <= 0 or not select.select([self.process.stdout], [], [], left)[0]:
                raise TimeoutError
            if self.process.stdout.readline().strip() == name:
                return time.monotonic()

    def close(self):
        self.process.terminate()
        self.process.wait()


def launch(screen, binary, project, saves):
    """One start with a fresh home: start-up seconds, CPU, private MB and the saves."""
    home = tempfile.mkdtemp(prefix="horavel-home-")
    try:
        folder = os.path.join(home, "projects")
        runtime = os.path.join(home, "run")
        os.makedirs(folder)
        os.makedirs(runtime, mode=0o700)
        file = os.path.join(folder, os.path.basename(project))
        shutil.copyfile(project, file)
        env = {"DISPLAY": os.environ["DISPLAY"], "HOME": home, "XDG_RUNTIME_DIR": runtime,
               "PATH": os.environ["PATH"], "LANG": "C.UTF-8", "QT_QPA_PLATFORM": "xcb",
               "NO_AT_BRIDGE": "1", "TZ": os.environ.get("TZ", "Europe/Berlin")}
        screen.drain()
        start = time.monotonic()
        process = subprocess.Popen([binary, file], env=env, stdout=subprocess.DEVNULL,
                                   stderr=subprocess.DEVNULL)
        result = {}
        try:
            window, mapped, drawn = screen.wait_drawn("Horavel", start + 60)
            screen.wait_answer(window, start + 60)
            result["mapped"] = mapped - start
            result["ready"] = drawn - start
            result["ready_cpu"] = cpu_seconds(process.pid)
            time.sleep(1.0)
            result["private_mb"] = private_megabytes(process.pid)
            result["saves"], result["save_cpu"] = [], []
            watch = Watch(folder)
            try:
                screen.focus(window)
                time.sleep(0.3)
                for _ in range(saves):
                    screen.key("f", "Alt_L")
                    time.sleep(0.4)  # the File menu is open
                    cpu = cpu_seconds(process.pid)
                    pressed = time.monotonic()
                    screen.key("s")
                    renamed = watch.wait_renamed(os.path.basename(file), pressed + 30)
                    result["saves"].append(renamed - pressed)
                    time.sleep(0.6)  # what the save does after the rename, and quiet again
                    result["save_cpu"].append(cpu_seconds(process.pid) - cpu)
            finally:
                watch.close()
        finally:
            process.send_signal(signal.SIGTERM)
            try:
                process.wait(10)
            except subprocess.TimeoutExpired:
                process.kill()
                process.wait()
        return result
    finally:
        shutil.rmtree(home, ignore_errors=True)


def median(values):
    return statistics.median(values) if values else float("nan")


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--old", required=True)
    parser.add_argument("--new", required=True)
    parser.add_argument("--plain", required=True)
    parser.add_argument("--year", required=True)
    parser.add_argument("--rounds", type=int, default=5)
    parser.add_argument("--saves", type=int, default=3)
    args = parser.parse_args()

    runs = [("old, no sessions", args.old, args.plain),
            ("new, no sessions", args.new, args.plain),
            ("new, a year of sessions", args.new, args.year),
            # The old build keeps the periods it does not know as they are: the same save.
            ("old, a year of sessions", args.old, args.year)]
    screen = Screen()
    samples = {name: [] for name, _, _ in runs}
    # Round 0 warms the page cache for both builds and is not counted; the order turns
    # every round so that neither build always follows the other.
    for round_ in range(args.rounds + 1):
        order = runs[round_ % len(runs):] + runs[:round_ % len(runs)]
        for name, binary, project in order:
            result = launch(screen, binary, project, args.saves if round_ else 1)
            if round_:
                samples[name].append(result)
            print(f"round {round_} {name}: ready {result['ready'] * 1000:.0f} ms, "
                  f"saves {' '.join(f'{s * 1000:.0f}' for s in result['saves'])} ms, "
                  f"{result['private_mb']:.1f} MB", file=sys.stderr, flush=True)

    table = {}
    for name, _, _ in runs:
        got = samples[name]
        table[name] = {
            "mapped": median([r["mapped"] for r in got]) * 1000,
            "ready": median([r["ready"] for r in got]) * 1000,
            "ready_cpu": median([r["ready_cpu"] for r in got]) * 1000,
            "save": median([s for r in got for s in r["saves"]]) * 1000,
            "save_cpu": median([s for r in got for s in r["save_cpu"]]) * 1000,
            "private_mb": median([r["private_mb"] for r in got]),
        }
    print(f"\nMedians of {args.rounds} launches each ({args.saves} saves a launch)\n")
    header = ("", "mapped ms", "ready ms", "ready CPU ms", "save ms", "save CPU ms",
              "private MB")
    print("| " + " | ".join(header) + " |")
    print("|" + "---|" * len(header))
    for name, row in table.items():
        print(f"| {name} | {row['mapped']:.0f} | {row['ready']:.0f} | {row['ready_cpu']:.0f} | "
              f"{row['save']:.1f} | {row['save_cpu']:.0f} | {row['private_mb']:.1f} |")
    old, new, year, old_year = (table[name] for name, _, _ in runs)
    print("\nRatios (goal)")
    print(f"  save, new / old, no sessions:             {new['save'] / old['save']:.2f}x "
          f"(CPU {new['save_cpu'] / old['save_cpu']:.2f}x)  (<= 1.2)")
    print(f"  ready, new / old, no sessions:            {new['ready'] / old['ready']:.2f}x "
          f"(CPU {new['ready_cpu'] / old['ready_cpu']:.2f}x)")
    print(f"  ready, new with / without sessions:       {year['ready'] / new['ready']:.2f}x "
          f"(CPU {year['ready_cpu'] / new['ready_cpu']:.2f}x)  (<= 1.15)")
    print(f"  private memory, new with / without:       "
          f"{year['private_mb'] / new['private_mb']:.2f}x  (<= 1.3)")
    print(f"  save, a year of sessions, new / old:      {year['save'] / old_year['save']:.2f}x "
          f"(CPU {year['save_cpu'] / old_year['save_cpu']:.2f}x)  (<= 1.2)")


if __name__ == "__main__":
    main()
