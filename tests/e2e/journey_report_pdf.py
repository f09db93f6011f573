"""A freelancer's day priced and rounded, the name typed into the Reports window, the PDF saved
through the save dialog; its text is read back with pdftotext and its first page drawn to a
PNG among the artifacts, to be looked at."""

import datetime
import os
import subprocess

import horavel_e2e as e2e
from horavel_e2e import expect, expect_equal


def project():
    start = datetime.datetime.now().astimezone().replace(hour=0, minute=10, second=0,
                                                         microsecond=0)
    return ('<project name="Bakery" client="Acme Ltd" currency="EUR">'
            '<rates><rate hourly="80.00"/></rates>'
            '<task name="Menu cards"><history>'
            f'<session start="{start.isoformat()}" seconds="1210" note="Proofs"/>'
            '</history></task></project>')


def journey(journey):
    project_file = journey.write_file("bakery.hvp", project())
    # Rounded up to 6 minutes, as chosen on an earlier day.
    journey.write_settings({"report_rounding": "1", "report_rounding_minutes": "6"})
    program = journey.start(project_file)
    program.select("Bakery")

    journey.step("Ctrl+R: today's work; the name for the PDF typed in")
    program.keys("ctrl+r")
    reports = e2e.wait_for("the Reports window, active", lambda: next(
        w for w in e2e.children(program.app)
        if w.name == "Reports" and e2e.has_state(w, e2e.pyatspi.STATE_ACTIVE)))
    program.keys("alt+p", "Home")  # Today
    program.control("combo box", "Today", reports)
    program.keys("alt+n", "ctrl+a")
    program.type("Jane Doe Design")
    program.keys("Tab")
    journey.screenshot("reports")

    journey.step("Save PDF through the save dialog; read its words back")
    pdf = journey.path("today.pdf")
    program.press("Save PDF...", within=reports)
    program.answer_dialog("Save PDF", pdf)
    e2e.wait_for("the PDF", lambda: os.path.getsize(pdf) > 0 if os.path.exists(pdf) else None)
    text = " ".join(subprocess.run(["pdftotext", pdf, "-"], check=True, capture_output=True,
                                   text=True).stdout.split())
    for words in ("Jane Doe Design", "Client: Acme Ltd", "Project: Bakery", "Menu cards",
                  "0:24", "32.00", "Rounded up to 6 minutes per task and day.", "Page 1 of 1"):
        expect(words in text, f"the PDF says {words!r}: {text}")

    journey.step("page 1 drawn to a PNG among the artifacts")
    page = os.path.join(journey.artifacts, "report-page-1")
    subprocess.run(["pdftoppm", "-png", "-r", "80", "-f", "1", "-l", "1", "-singlefile", pdf,
                    page], check=True)
    with open(page + ".png", "rb") as drawn:
        expect_equal(drawn.read(8), b"\x89PNG\r\n\x1a\n", "the page's PNG signature")

    program.keys("Escape")
    program.wait_gone(reports, "the Reports window")
    program.menu("File", "Exit")
    program.answer_dialog("Save Workspace", journey.path("work.hvw"))
    program.expect_exit()


if __name__ == "__main__":
    e2e.run("report_pdf", journey)
