"""A project file that is not well-formed XML, given on the command line: the program says
so, keeps running, and goes on working."""

import time

import horavel_e2e as e2e
from horavel_e2e import expect, expect_equal

BROKEN = '<?xml version="1.0"?>\n<project name="Broken"><task name="Half">\n</project>\n'


def journey(journey):
    broken = journey.path("broken.hvp")
    with open(broken, "w", encoding="utf-8") as out:
        out.write(BROKEN)

    journey.step("start with the broken file")
    program = journey.start(broken)
    box, text = program.message("Horavel")
    journey.screenshot("error-message")
    expect(text.startswith("Error Loading File"), f"the message reads {text!r}")
    expect(len(text.splitlines()) >= 2 and text.splitlines()[1].strip(),
           f"the message gives the parser's reason on its second line: {text!r}")
    program.press("OK", within=box)
    program.wait_gone(box, "the message box")

    journey.step("the program runs on with an empty tree and stays usable")
    expect(program.running(), "the program is still running after the message")
    program.expect_tree([])
    steps = (("New Project", "Recovered", []), ("New Task", "Notes", ["Recovered"]))
    for button, name, rows in steps:
        program.press(button)
        program.expect_tree(rows + [button])
        time.sleep(0.4)  # the label editor opens right after the row
        program.type(name)
        program.keys("Return")
        program.expect_tree(rows + [name])
    program.expect_field("Task Name:", "Notes")
    program.select("Recovered")
    program.expect_field("Task Name:", "Recovered")
    journey.screenshot("usable-after-the-error")
    with open(broken, encoding="utf-8") as kept:
        expect_equal(kept.read(), BROKEN, "the broken file, which nothing may change")

    journey.step("close the window, cancelling the project's save dialog: the program runs on")
    program.close_box()
    dialog = program.dialog("Save Project 'Recovered'")
    program.keys("Escape")
    program.wait_gone(dialog, "the save dialog")
    time.sleep(1)
    expect(program.running(), "the program runs on after Cancel")

    journey.step("close it again, saving the project and the workspace")
    program.close_box()
    program.dialog("Save Project 'Recovered'")
    program.keys("ctrl+a")
    program.type(journey.path("recovered.hvp"))
    program.keys("Return")
    program.dialog("Save Workspace")
    program.keys("ctrl+a")
    program.type(journey.path("work.hvw"))
    program.keys("Return")
    expect_equal(program.wait_exit(), 0, "the program's exit code")


if __name__ == "__main__":
    e2e.run("corrupt_file", journey)
