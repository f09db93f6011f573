"""A broken file on the command line is reported and the program runs on; a good one opens,
one of its tasks is dragged into a new project, and the project, changed, is removed with
Remove Item, answering Yes to saving it first."""

import os
import time
import xml.etree.ElementTree as ElementTree

import horavel_e2e as e2e
from horavel_e2e import expect, expect_equal

BROKEN = '<?xml version="1.0"?>\n<project name="Broken"><task name="Half">\n</project>\n'


def journey(journey):
    journey.step("a broken file: the program says why and runs on")
    broken = journey.write_file("broken.hvp", BROKEN)
    program = journey.start(broken)
    box, text = program.message("Horavel")
    lines = text.splitlines()
    expect(lines[0] == "Error Loading File" and len(lines) > 2, f"the message reads {text!r}")
    program.press("OK", within=box)
    program.expect_tree([])
    program.close_box()
    program.answer_dialog("Save Workspace", journey.path("exit1.hvw"))
    program.expect_exit()
    with open(broken, encoding="utf-8") as kept:
        expect_equal(kept.read(), BROKEN, "the broken file, untouched")

    website = journey.copy_data("website.hvp")
    journey.step("open the project given on the command line")
    program = journey.start(website)
    program.expect_field("Task Name:", "Website")
    program.expand("Website")
    program.expect_tree(["Website", "Design", "Hosting"])

    journey.step("a second project, and a task dragged into it")
    program.new_node("New Project", "Archive", ["Website", "Design", "Hosting"])
    program.drag(e2e.center(program.tree_item("Hosting")), e2e.center(program.tree_item("Archive")))
    program.expect_field("Task Description:", "Find a host")  # the moved task, selected
    program.expand("Archive")
    program.expect_tree(["Website", "Design", "Archive", "Hosting"])
    journey.screenshot("dragged")

    journey.step("change the project, then Remove Item, saving it first")
    program.select("Website")
    program.click(program.field("Task Description:"))
    program.type("Client site")
    program.press("Remove Item")
    box, text = program.message("Horavel")
    expect_equal(text, "Save Project before you remove it", "the question before removing")
    program.press("Yes", within=box)
    program.expect_tree(["Archive", "Hosting"])
    project = ElementTree.parse(website).getroot()
    expect_equal(project.findtext("description"), "Client site", "the saved description")
    expect_equal([t.get("name") for t in project.findall("task")], ["Design"], "the saved tasks")
    expect_equal(project.get("subtask_time"), "0:30:00", "the saved subtask time, less the moved task's")

    journey.step("File, Exit, cancelling the new project's save dialog: the program runs on")
    program.menu("File", "Exit")
    program.cancel_dialog("Save Project 'Archive'")
    time.sleep(1)
    expect(program.process.poll() is None, "the program runs on after Cancel")
    expect(not os.path.exists(journey.path("Archive.hvp")), "the cancelled save wrote nothing")
    program.menu("File", "Exit")
    program.answer_dialog("Save Project 'Archive'", journey.path("Archive.hvp"))
    program.answer_dialog("Save Workspace", journey.path("exit2.hvw"))
    program.expect_exit()
    expect(os.path.exists(journey.path("Archive.hvp")), "the project saved at the second exit")


if __name__ == "__main__":
    e2e.run("command_line", journey)
