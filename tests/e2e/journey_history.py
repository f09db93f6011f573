"""A task timed for a few seconds, the day's report (Ctrl+R) exported as CSV through the save
dialog and read back; the saved project holds the period, as long as the task's time."""

import csv
import datetime
import time
import xml.etree.ElementTree as ElementTree

import horavel_e2e as e2e
from horavel_e2e import expect, expect_equal

TIMES = 'completed="false" task_time="0:00:00" subtask_time="0:00:00"><description/><history/>'
PROJECT = f'<project name="Bakery" {TIMES}<task name="Menu cards" {TIMES}</task></project>'


def journey(journey):
    project_file = journey.write_file("bakery.hvp", PROJECT)
    program = journey.start(project_file)
    program.expand("Bakery")
    program.select("Menu cards")
    journey.step("time the task for three seconds")
    program.press("Start Timer")
    program.button("Stop Timer")
    time.sleep(3.0)
    program.press("Stop Timer")
    task_time = program.field_text("Task Time:")
    seconds = program.field_seconds("Task Time:")
    expect(seconds >= 3, f"three seconds booked as {task_time}")

    journey.step("Ctrl+R: the report of today, exact to the second, exported as CSV")
    reports = program.open_reports()
    program.keys("alt+p", "Home", "alt+r", "Home")  # the first choices: Today, Exact
    program.control("combo box", "Today", reports)
    journey.screenshot("report")
    program.press("Export CSV...", within=reports)
    program.answer_dialog("Export Report", journey.path("today.csv"))
    rows = e2e.wait_for("the CSV", lambda: list(csv.reader(open(journey.path("today.csv")))))
    expect_equal(rows, [["Date", "Project", "Task", "Seconds", "Time", "Hours", "Rate", "Amount",
                         "Currency"],
                        [datetime.date.today().isoformat(), "Bakery", "Menu cards", str(seconds),
                         task_time, f"{seconds / 3600:.2f}", "", "", ""]], "the exported report")

    journey.step("close the report; Save Project: the task's history holds the period")
    program.keys("ctrl+w")
    program.wait_gone(reports, "the Reports window")
    program.press("Save Project")
    task = e2e.wait_for("the saved time", lambda: ElementTree.parse(project_file).getroot().find(
        f"task[@task_time='{task_time}']"))
    expect_equal([(s.get("start")[:10], s.get("seconds")) for s in task.iter("session")],
                 [(rows[1][0], str(seconds))], "the saved periods")
    program.exit_saving_workspace(journey.path("work.hvw"))


if __name__ == "__main__":
    e2e.run("history", journey)
