"""First start: a project and two nested tasks named in place, three seconds timed on the
inner one, the project saved through the program's dialog and the workspace on exit; the
next start reloads it, shows the booked seconds in the tree and the pane, and at exit saves
the workspace to its file without asking."""

import math
import os
import time
import xml.etree.ElementTree as ElementTree

import horavel_e2e as e2e
from horavel_e2e import expect, expect_equal

NAMES = ["Website", "Design", "Logo"]  # a project, a task, a task under that


def times(program):
    return tuple(program.field_text(f) for f in ("Task Time:", "SubTask(s) Time:", "Total Time:"))


def first_session(journey, project_file, workspace_file):
    program = journey.start()
    description = program.tree().description
    expect("New Project (Ctrl+Shift+N)" in description, f"the empty tree's hint: {description!r}")
    journey.step("New Project, renamed in place; a task under it and one under that")
    for depth, button in enumerate(("New Project", "New Task", "New Task")):
        program.new_node(button, NAMES[depth], NAMES[:depth])
    journey.step("time the inner task for three seconds")
    before_start = time.monotonic()
    program.press("Start Timer")
    program.button("Stop Timer")
    time.sleep(3.0)
    program.press("Stop Timer")
    program.button("Start Timer")
    most = math.ceil(time.monotonic() - before_start)
    task = program.field_text("Task Time:")
    booked = int(task.split(":")[2])
    expect(3 <= booked <= most and task.startswith("0:00:"), f"three seconds booked as {task}")
    program.select(NAMES[0])
    expect_equal(times(program), ("0:00:00", task, task), "the project's times")
    journey.step("Save Project through the program's own dialog")
    program.press("Save Project")
    program.answer_dialog(f"Save Project '{NAMES[0]}'", project_file)
    e2e.wait_for("the project file", lambda: os.path.exists(project_file))
    project = ElementTree.parse(project_file).getroot()
    expect_equal((project.get("subtask_time"), project.find("task/task").get("task_time"),
                  project.get("filename"), project.get("modified")),
                 (task, task, None, None), "the saved times and no in-memory attributes")

    journey.step("File, Exit, answering the workspace dialog")
    program.exit_saving_workspace(workspace_file)
    with open(workspace_file, "rb") as saved:
        expect_equal(saved.read(), f'"{project_file}"\r\n'.encode(), "the workspace file")
    expect_equal(journey.read_settings().get("lastws"), workspace_file, "the last workspace")
    return task


def second_session(journey, workspace_file, project_file, task):
    journey.step("start again with no argument, times with seconds in the tree")
    journey.write_settings({"TT_ShowTime": "True", "TT_ShowSec": "True"})
    program = journey.start()
    captions = [f"{name} ({task})" for name in NAMES]
    program.expand(captions[0])
    program.expand(captions[1])
    program.expect_tree(captions)
    program.select(captions[2])
    expect_equal(times(program), (task, "0:00:00", task), "the inner task's times")
    journey.step("close the window: the workspace it came from is saved there, unasked")
    os.remove(workspace_file)
    program.close_box()
    program.expect_exit()
    with open(workspace_file, "rb") as saved:
        expect_equal(saved.read(), f'"{project_file}"\r\n'.encode(), "the workspace, saved again")
    expect_equal(journey.read_settings().get("lastws"), workspace_file, "the kept workspace")


def journey(journey):
    os.makedirs(journey.path("projects"))
    workspace_file = journey.path("projects", "work.hvw")
    project_file = journey.path("projects", "Website.hvp")
    task = first_session(journey, project_file, workspace_file)
    second_session(journey, workspace_file, project_file, task)


if __name__ == "__main__":
    e2e.run("first_start", journey)
