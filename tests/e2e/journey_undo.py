"""A slip undone: a task with its subtask and 2:15:00 between them removed with the Delete
key and brought back with Ctrl+Z, captions and times as they were. Then Edit Time takes "2:15"
as two hours and a quarter, and the saved file keeps it as a correction."""

import xml.etree.ElementTree as ElementTree

import horavel_e2e as e2e
from horavel_e2e import expect_equal

PROJECT = ('<project name="Client" task_time="0:00:00" subtask_time="3:15:00">'
           '<task name="Design" task_time="1:00:00" subtask_time="0:00:00"/>'
           '<task name="Testing" task_time="1:45:00" subtask_time="0:30:00">'
           '<task name="Unit tests" task_time="0:30:00" subtask_time="0:00:00"/></task>'
           '</project>')
BEFORE = ["Client (3:15:00)", "Design (1:00:00)", "Testing (2:15:00)", "Unit tests (0:30:00)"]


def journey(journey):
    project_file = journey.write_file("client.hvp", PROJECT)
    journey.write_settings({"TT_ShowTime": "True", "TT_ShowSec": "True"})
    program = journey.start(project_file)
    program.expand("Client (3:15:00)")
    program.expand("Testing (2:15:00)")
    program.expect_tree(BEFORE)

    journey.step("Delete on a task with a subtask: no question, its whole time leaves")
    program.select("Testing (2:15:00)")
    program.keys("Delete")
    program.expect_tree(["Client (1:00:00)", "Design (1:00:00)"])
    journey.screenshot("removed")

    journey.step("Ctrl+Z brings it back, every caption and time as it was")
    program.keys("ctrl+z")
    program.expand("Testing (2:15:00)")
    program.expect_tree(BEFORE)
    program.expect_field("Total Time:", "2:15:00")
    program.select("Client (3:15:00)")
    program.expect_field("SubTask(s) Time:", "3:15:00")

    journey.step("Edit Time \"2:15\" on Design: two hours and a quarter")
    program.select("Design (1:00:00)")
    program.press("Edit Time...")
    program.answer_dialog("Edit Time", "2:15")
    program.expect_field("Task Time:", "2:15:00")
    program.expect_tree(["Client (4:30:00)", "Design (2:15:00)", "Testing (2:15:00)",
                         "Unit tests (0:30:00)"])
    journey.screenshot("edit time")
    program.press("Save Project")
    design = e2e.wait_for("the saved correction", lambda: ElementTree.parse(
        project_file).getroot().find("task[@task_time='2:15:00']"))
    expect_equal([(s.get("seconds"), s.get("correction")) for s in design.iter("session")],
                 [("4500", "true")], "the correction as saved")
    program.exit_saving_workspace(journey.path("work.hvw"))


if __name__ == "__main__":
    e2e.run("undo", journey)
