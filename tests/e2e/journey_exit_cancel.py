"""Cancel at exit keeps the program running as it was, the timer included: through the close
box and through File, Exit; the exit that is then gone through saves the booked time."""

import time
import xml.etree.ElementTree as ElementTree

import horavel_e2e as e2e
from horavel_e2e import expect, expect_equal


def journey(journey):
    program = journey.start()
    program.press("New Project")
    program.expect_tree(["New Project"])
    time.sleep(0.4)  # the label editor opens right after the row
    program.type("Open")
    program.keys("Return")
    program.expect_tree(["Open"])
    program.press("Start Timer")
    program.button("Stop Timer")

    for way in ("the close box", "File, Exit"):
        journey.step(f"{way}, cancelling the project's save dialog")
        if way == "the close box":
            program.close_box()
        else:
            program.menu("File", "Exit")
        dialog = program.dialog("Save Project 'Open'")
        program.keys("Escape")
        program.wait_gone(dialog, "the save dialog")
        time.sleep(1)
        expect(program.running(), f"the program runs on after Cancel in {way}")
        program.expect_tree(["Open"])
        program.button("Stop Timer")  # still timing
    journey.screenshot("still-there")

    journey.step("the close box again, this time saving")
    project_file = journey.path("Open.hvp")
    program.close_box()
    program.dialog("Save Project 'Open'")
    program.keys("ctrl+a")
    program.type(project_file)
    program.keys("Return")
    program.dialog("Save Workspace")
    program.keys("ctrl+a")
    program.type(journey.path("work.hvw"))
    program.keys("Return")
    expect_equal(program.wait_exit(), 0, "the program's exit code")
    booked = ElementTree.parse(project_file).getroot().get("task_time")
    expect(booked not in (None, "", "0:00:00"), f"the timed seconds were saved: {booked!r}")


if __name__ == "__main__":
    e2e.run("exit_cancel", journey)
