"""A real project opened from the command line with times shown in the tree, the timer
running on one task: the window the README shows. Its picture is the artifact
main-window.png; copy it to resources/screenshots/ when the window's look changes."""

import os
import subprocess
import time

import horavel_e2e as e2e
from horavel_e2e import expect_equal

PROJECT = """<?xml version="1.0"?>
<project name="Bakery website" completed="false" task_time="0:20:00" subtask_time="9:05:00">
<description>Relaunch for the spring season</description><history/>
<task name="Design" completed="false" task_time="0:45:00" subtask_time="3:10:00">
<description/><history/>
<task name="Logo" completed="true" task_time="1:25:00" subtask_time="0:00:00"><description/><history/></task>
<task name="Page layout" completed="false" task_time="1:45:00" subtask_time="0:00:00"><description>Home, menu and order pages; mobile first.</description><history/></task>
</task>
<task name="Content" completed="false" task_time="2:30:00" subtask_time="0:00:00"><description/><history/></task>
<task name="Online orders" completed="false" task_time="2:40:00" subtask_time="0:00:00"><description/><history/></task>
</project>
"""

CAPTIONS = [
    "Bakery website (9:25)",
    "Design (3:55)",
    "Logo (1:25)",
    "Page layout (1:45)",
    "Content (2:30)",
    "Online orders (2:40)",
]


def journey(journey):
    path = journey.path("bakery.hvp")
    with open(path, "w", encoding="utf-8") as out:
        out.write(PROJECT)
    # Times in the tree, and the tree wide enough to show them whole.
    journey.write_settings({"TT_ShowTime": "True", "frm_split": "3900"})

    program = journey.start(path)
    program.resize(860, 470)
    program.expand(CAPTIONS[0])
    program.expand(CAPTIONS[1])
    program.expect_tree(CAPTIONS)
    program.select(CAPTIONS[3])
    program.expect_field("Task Description:", "Home, menu and order pages; mobile first.")
    expect_equal(program.field_text("Total Time:"), "1:45:00", "the selected task's total")
    program.press("Start Timer")
    program.button("Stop Timer")
    journey.display.move_pointer(2, 690)  # no button lit up under the pointer
    time.sleep(1.2)  # the clock turns on the timed task
    journey.screenshot("whole-screen")
    window_picture(journey, program, os.path.join(journey.artifacts, "main-window.png"))
    program.press("Stop Timer")

    program.menu("File", "Exit")
    dialog = program.dialog("Save Workspace")
    program.keys("Escape")
    program.wait_gone(dialog, "the workspace dialog")
    expect_equal(program.wait_exit(), 0, "the program's exit code")


def window_picture(journey, program, path):
    """The main window alone, with its title bar."""
    box = program.window.queryComponent().getExtents(e2e.pyatspi.DESKTOP_COORDS)
    title_bar = 22
    geometry = f"{box.width}x{box.height + title_bar}+{box.x}+{max(box.y - title_bar, 0)}"
    subprocess.run(["import", "-window", "root", "-crop", geometry, "+repage", path],
                   env=journey.env, check=True, timeout=20)


if __name__ == "__main__":
    e2e.run("readme_screenshot", journey)
