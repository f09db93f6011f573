"""On a Wayland desktop with no X server at all (a headless Weston): the window comes up
natively, shows on the accessibility bus, and a desktop shortcut's command line drives it:
--status, --start, --toggle, --stop, each answered at once."""

import json
import signal
import subprocess
import time

import pyatspi

import horavel_e2e as e2e
from horavel_e2e import expect, expect_equal, find_all, wait_for


def command(journey, *args):
    began = time.monotonic()
    done = subprocess.run([journey.binary, *args], env=journey.env, cwd=journey.home,
                          capture_output=True, text=True, timeout=20)
    took = time.monotonic() - began
    journey.step(f"  horavel {' '.join(args)} -> {done.returncode} in {took:.2f} s")
    return done


def timer_field(program):
    field = wait_for("the timer field", lambda: next(
        (label for label in find_all(program.window, "label", "Timer")), None))
    return field.description


def journey(journey):
    journey.step("no window yet: --status says so on stderr, exits 1 and starts nothing")
    done = command(journey, "--status")
    expect_equal((done.returncode, done.stdout, done.stderr),
                 (1, "", "Horavel is not running\n"), "--status with no window")
    expect(not [app for app in e2e.children(pyatspi.Registry.getDesktop(0))
                if app.name == "horavel"], "nothing started")

    journey.step("the window, native on Wayland")
    program = journey.start(journey.copy_data("website.hvp"))
    program.expect_tree(["Website"])
    wait_for("the timer field to read 'Timer stopped'",
             lambda: timer_field(program) == "Timer stopped")

    journey.step("a shortcut starts a task by its path")
    done = command(journey, "--start", "Website/Design")
    expect_equal((done.returncode, done.stdout), (0, "Timing Design 0:30:00\n"), "--start")
    wait_for("the timer field to show the timed task",
             lambda: timer_field(program).startswith("Timing Design 0:30:0"))
    done = command(journey, "--start", "Website/Nowhere")
    expect_equal(done.returncode, 2, "--start with a path that names no task")
    expect("Website/Nowhere" in done.stderr, f"the reason names the path: {done.stderr!r}")

    done = command(journey, "--status", "--json")
    status = json.loads(done.stdout)
    expect_equal((status["running"], status["name"], status["path"]),
                 (True, "Design", ["Website", "Design"]), "--status --json")

    journey.step("--toggle stops on the selected task, --stop leaves it stopped")
    expect_equal(command(journey, "--toggle").stdout, "Timer stopped\n", "--toggle")
    expect_equal(command(journey, "--stop").stdout, "Timer stopped\n", "--stop")
    wait_for("the timer field to read 'Timer stopped'",
             lambda: timer_field(program) == "Timer stopped")

    journey.step("the session ends the program: it leaves without asking")
    program.process.send_signal(signal.SIGTERM)
    program.expect_exit()


if __name__ == "__main__":
    e2e.Journey.wayland = True
    e2e.run("wayland", journey)
