"""One file, one project: a file already open, handed over again by a second start or loaded
again through Load Project by a symlink, selects its project and adds none. With the Reports
window open, the first project moved down: the exported CSV, read back, has each project's
hours under its own name."""

import csv
import datetime
import os
import subprocess

import horavel_e2e as e2e
from horavel_e2e import expect_equal


def project(name, task, seconds):
    start = datetime.datetime.now().astimezone().replace(hour=8, minute=0, second=0,
                                                         microsecond=0)
    clock = f"{seconds // 3600}:{seconds // 60 % 60:02}:{seconds % 60:02}"
    return (f'<project name="{name}"><task name="{task}" task_time="{clock}"><history>'
            f'<session start="{start.isoformat(timespec="seconds")}" seconds="{seconds}"/>'
            f'</history></task></project>')


def journey(journey):
    beta = journey.write_file("Beta app.hvp", project("Beta app", "Design", 3600))
    site = journey.write_file("site.hvp", project("Site", "Logo", 1800))
    os.symlink(site, journey.path("site link.hvp"))
    program = journey.start(beta, site)
    program.expect_tree(["Beta app", "Site"])

    journey.step("a second start hands the open file over: no second project")
    program.select("Site")
    subprocess.run([journey.binary, "Beta app.hvp"], env=journey.env, cwd=journey.home,
                   check=True, timeout=30)
    program.expect_field("Task Name:", "Beta app")  # its project, selected
    program.expect_tree(["Beta app", "Site"])

    journey.step("Load Project of the open file by a symlink: no second project")
    program.press("Load Project")
    program.answer_dialog("Load Project", journey.path("site link.hvp"))
    program.expect_field("Task Name:", "Site")
    program.expect_tree(["Beta app", "Site"])

    journey.step("Reports open, Move Item Down, Export CSV: each project's hours its own")
    program.select("Beta app")
    reports = program.open_reports()
    # Aside, off the tree and its buttons.
    journey.display.xdotool("getactivewindow", "windowsize", 460, 560, "windowmove", 560, 40)
    e2e.wait_for("the Reports window aside", lambda: e2e.extents(reports).x >= 500)
    program.press("Move Item Down")
    program.expect_tree(["Site", "Beta app"])
    box = e2e.extents(reports)  # raised again by a click on the part the main window leaves
    journey.display.move_pointer(box.x + box.width - 20, box.y + box.height // 2)
    journey.display.xdotool("click", 1)
    e2e.wait_for("the Reports window, active again",
                 lambda: e2e.has_state(reports, e2e.pyatspi.STATE_ACTIVE))
    program.press("Export CSV...", within=reports)
    program.answer_dialog("Export Report", journey.path("week.csv"))
    rows = e2e.wait_for("the CSV", lambda: list(csv.reader(open(journey.path("week.csv")))))
    expect_equal([row[1:4] for row in rows[1:]],
                 [["Site", "Logo", "1800"], ["Beta app", "Design", "3600"]], "the exported hours")
    journey.screenshot("report")

    program.exit_saving_workspace(journey.path("exit.hvw"))
    with open(journey.path("exit.hvw"), "rb") as saved:
        expect_equal(saved.read(), f'"{site}"\r\n"{beta}"\r\n'.encode(), "the workspace")


if __name__ == "__main__":
    e2e.run("one_file", journey)
