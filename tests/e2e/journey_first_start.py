"""First start: a new project named in place, a task under a task, three seconds timed on
the inner one, the project saved through the program's own dialog, the workspace saved on
exit; the next start reloads it and shows the booked seconds in the tree and the pane."""

import math
import os
import time
import xml.etree.ElementTree as ElementTree

import horavel_e2e as e2e
from horavel_e2e import expect, expect_equal


# The project, the task under it, and the task under that.
NAMES = ["Website", "Design", "Logo"]


def new_node(program, button, name, rows_before):
    """Presses "New Project" or "New Task" and names the new node in the label editor that
    the program opens by itself."""
    program.press(button)
    program.expect_tree(rows_before + [button])  # the new row, under the one selected
    time.sleep(0.4)  # the editor opens right after the row; typing before it would search
    program.type(name)
    program.keys("Return")
    program.expect_tree(rows_before + [name])
    program.expect_field("Task Name:", name)


def time_fields(program):
    """The pane's task time, subtask time and total."""
    names = ("Task Time:", "SubTask(s) Time:", "Total Time:")
    return tuple(program.field_text(name) for name in names)


def seconds(text):
    hours, minutes, secs = (int(part) for part in text.split(":"))
    return hours * 3600 + minutes * 60 + secs


def first_session(journey, project_file, workspace_file):
    program = journey.start()
    journey.screenshot("first-start")
    program.expect_tree([])
    expect_equal(program.field_text("Task Name:"), "", "the pane with nothing selected")

    journey.step("New Project, renamed in place; a task under it and one under that")
    for depth, button in enumerate(("New Project", "New Task", "New Task")):
        new_node(program, button, NAMES[depth], NAMES[:depth])
    journey.screenshot("three-nodes")

    journey.step("time the inner task for three seconds")
    program.select_row(2)
    before_start = time.monotonic()
    program.press("Start Timer")
    program.button("Stop Timer")
    time.sleep(3.0)
    journey.screenshot("timer-running")
    program.press("Stop Timer")
    program.button("Start Timer")
    most = math.ceil(time.monotonic() - before_start)
    task, subtasks, total = time_fields(program)
    booked = seconds(task)
    # At least the three seconds waited between the two presses, at most what passed from
    # before the first press to after the second took effect.
    expect(3 <= booked <= most, f"the inner task booked {task} for three seconds of timing")
    expect_equal((subtasks, total), ("0:00:00", task), "the inner task's other times")
    program.select_row(1)
    expect_equal(time_fields(program), ("0:00:00", task, task), "the parent task's times")
    program.select_row(0)
    expect_equal(time_fields(program), ("0:00:00", task, task), "the project's times")

    journey.step("Save Project through the program's own dialog")
    program.press("Save Project")
    dialog = program.dialog(f"Save Project '{NAMES[0]}'")
    journey.screenshot("save-dialog")
    file_name = program.field("File name:", within=dialog)
    expect_equal(e2e.text_of(file_name), NAMES[0], "the name the save dialog offers")
    program.keys("ctrl+a")
    program.type(project_file)
    program.keys("Return")
    program.wait_gone(dialog, "the save dialog")
    e2e.wait_for("the project file", lambda: os.path.exists(project_file))
    check_saved_project(project_file, task)

    journey.step("File, Exit, answering the workspace dialog")
    program.menu("File", "Exit")
    dialog = program.dialog("Save Workspace")
    journey.screenshot("workspace-dialog")
    program.keys("ctrl+a")
    program.type(workspace_file)
    program.keys("Return")
    expect_equal(program.wait_exit(), 0, "the program's exit code")
    with open(workspace_file, "rb") as saved:
        expect_equal(saved.read(), f'"{project_file}"\r\n'.encode(), "the workspace file")
    expect_equal(journey.read_settings().get("lastws"), workspace_file, "the last workspace")
    return booked


def check_saved_project(path, booked):
    """The file holds the project as the tree showed it, and no in-memory attributes."""
    project = ElementTree.parse(path).getroot()
    expect_equal(project.tag, "project", "the saved file's top element")
    expect("filename" not in project.attrib and "modified" not in project.attrib,
           f"the saved project carries no in-memory attributes: {project.attrib}")
    parent = project.find("task")
    inner = parent.find("task") if parent is not None else None
    expect(inner is not None, "the saved file holds a task under a task")
    saved_names = [project.get("name"), parent.get("name"), inner.get("name")]
    expect_equal(saved_names, NAMES, "the saved names")
    expect_equal(inner.get("task_time"), booked, "the inner task's saved time")
    expect_equal(parent.get("subtask_time"), booked, "the parent's saved subtask time")
    expect_equal(project.get("subtask_time"), booked, "the project's saved subtask time")


def second_session(journey, workspace_file, booked):
    journey.step("start again with no argument, times shown in the tree")
    # Times with seconds in the tree, and a tree wide enough to show them in the pictures.
    journey.write_settings({"TT_ShowTime": "True", "TT_ShowSec": "True", "frm_split": "3600"})
    program = journey.start()
    time_text = f"0:00:{booked:02d}"
    captions = [f"{name} ({time_text})" for name in NAMES]
    program.tree_item(captions[0])
    expect_equal(program.field_text("Task Name:"), NAMES[0], "the pane shows the first project")
    program.expand(captions[0])
    program.expand(captions[1])
    program.expect_tree(captions)
    program.select(captions[2])
    expect_equal(time_fields(program), (time_text, "0:00:00", time_text), "the inner times")
    program.select(captions[1])
    expect_equal(time_fields(program), ("0:00:00", time_text, time_text), "the parent's times")
    program.select(captions[0])
    expect_equal(time_fields(program), ("0:00:00", time_text, time_text), "the project's times")
    journey.screenshot("reloaded-with-times")

    journey.step("close the window, cancelling the workspace dialog: the program runs on")
    program.close_box()
    dialog = program.dialog("Save Workspace")
    program.keys("Escape")
    program.wait_gone(dialog, "the workspace dialog")
    time.sleep(1)
    expect(program.running(), "the program runs on after Cancel")
    expect_equal(journey.read_settings().get("lastws"), workspace_file,
                 "the last workspace, kept when its dialog is cancelled")

    journey.step("close it again, saving the workspace under another name")
    program.close_box()
    program.dialog("Save Workspace")
    program.keys("ctrl+a")
    program.type(workspace_file + ".2.hvw")
    program.keys("Return")
    expect_equal(program.wait_exit(), 0, "the program's exit code")


def journey(journey):
    projects = journey.path("projects")
    os.makedirs(projects)
    project_file = os.path.join(projects, "Website.hvp")
    workspace_file = os.path.join(projects, "work.hvw")
    booked = first_session(journey, project_file, workspace_file)
    second_session(journey, workspace_file, booked)


if __name__ == "__main__":
    e2e.run("first_start", journey)
