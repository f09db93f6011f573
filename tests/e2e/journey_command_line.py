"""A project given on the command line; one of its tasks dragged into another project; the
project, changed, removed with Remove Item, answering Yes to saving it first."""

import os
import time
import xml.etree.ElementTree as ElementTree

import horavel_e2e as e2e
from horavel_e2e import expect, expect_equal

WEBSITE = """<?xml version="1.0"?>
<project name="Website" completed="false" task_time="0:00:00" subtask_time="2:10:00">
<description/><history/>
<task name="Design" completed="false" task_time="0:30:00" subtask_time="1:00:00">
<description/><history/>
<task name="Logo" completed="true" task_time="1:00:00" subtask_time="0:00:00"><description/><history/></task>
</task>
<task name="Content" completed="false" task_time="0:25:00" subtask_time="0:00:00"><description/><history/></task>
<task name="Hosting" completed="false" task_time="0:15:00" subtask_time="0:00:00"><description>Find a host</description><history/></task>
</project>
"""


def journey(journey):
    website = journey.path("website.hvp")
    with open(website, "w", encoding="utf-8") as out:
        out.write(WEBSITE)

    journey.step("open the project given on the command line")
    program = journey.start(website)
    program.tree_item("Website")
    program.expect_field("Task Name:", "Website")
    program.expand("Website")
    program.expand("Design")
    program.expect_tree(["Website", "Design", "Logo", "Content", "Hosting"])
    journey.screenshot("opened")

    journey.step("a second project, and a task dragged into it")
    program.press("New Project")
    program.expect_tree(["Website", "Design", "Logo", "Content", "Hosting", "New Project"])
    time.sleep(0.4)  # the label editor opens right after the row
    program.type("Archive")
    program.keys("Return")
    program.drag(program.tree_item("Hosting"), program.tree_item("Archive"))
    # The moved task is selected, under the project it was dropped on.
    program.expect_field("Task Name:", "Hosting")
    program.expect_field("Task Description:", "Find a host")
    program.expand("Archive")  # open the project the task went into
    program.expect_tree(["Website", "Design", "Logo", "Content", "Archive", "Hosting"])
    journey.screenshot("dragged")

    journey.step("change the project, then Remove Item, saving it first")
    program.select("Website")
    program.click(program.field("Task Description:"))
    program.type("Client site")
    program.expect_field("Task Description:", "Client site")
    program.press("Remove Item")
    box, text = program.message("Horavel")
    expect_equal(text, "Save Project before you remove it", "the question before removing")
    journey.screenshot("save-before-remove")
    program.press("Yes", within=box)
    program.expect_tree(["Archive", "Hosting"])
    check_saved(website)

    journey.step("File, Exit, cancelling the new project's save dialog: the program still ends")
    program.menu("File", "Exit")
    dialog = program.dialog("Save Project 'Archive'")
    program.keys("Escape")
    program.wait_gone(dialog, "the save dialog")
    expect_equal(program.wait_exit(), 0, "the program's exit code")
    expect(not os.path.exists(journey.path("Archive.hvp")), "the cancelled save wrote nothing")


def check_saved(path):
    """The file shows the drag (Hosting gone, times untouched) and the new description."""
    project = ElementTree.parse(path).getroot()
    expect_equal(project.findtext("description"), "Client site", "the saved description")
    expect_equal([task.get("name") for task in project.findall("task")], ["Design", "Content"],
                 "the saved project's tasks")
    expect_equal([task.get("name") for task in project.find("task").findall("task")], ["Logo"],
                 "the tasks under Design")
    # Moving a task out books nothing anywhere: the project keeps its subtask time.
    expect_equal(project.get("subtask_time"), "2:10:00", "the project's saved subtask time")
    expect("filename" not in project.attrib and "modified" not in project.attrib,
           f"the saved project carries no in-memory attributes: {project.attrib}")


if __name__ == "__main__":
    e2e.run("command_line", journey)
