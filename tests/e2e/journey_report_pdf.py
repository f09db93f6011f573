"""A freelancer's day priced and rounded, the name typed into the Reports window, the PDF saved
through the save dialog; its text is read back with pdftotext and its first page drawn to a
PNG among the artifacts, to be looked at. On a 1280x800 screen, at 100% and again at 200%,
the Reports window opens wholly on the screen and centred on the main window, as the window
manager placed them."""

import datetime
import os
import re
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


def frame_of(journey, program, title):
    """Where the window manager shows the program's window, frame and all, in screen pixels."""
    read = journey.display.read
    # A search by name also finds the program's other windows: each is asked its own.
    window = next(w for w in read("xdotool", "search", "--sync", "--onlyvisible", "--pid",
                                  str(program.process.pid), "--name", title).split()
                  if read("xdotool", "getwindowname", w).strip() == title)
    info = read("xwininfo", "-id", window)
    x, y, width, height = (int(re.search(rf"{field}:\s+(-?\d+)", info)[1]) for field in (
        "Absolute upper-left X", "Absolute upper-left Y", "Width", "Height"))
    left, right, top, bottom = map(int, re.findall(r"\d+", read(
        "xprop", "-id", window, "_NET_FRAME_EXTENTS").split("=")[1]))
    return e2e.Box(x - left, y - top, width + left + right, height + top + bottom)


def expect_placed_over_main(journey, program, scale):
    """Wholly on the screen, and centred on the main window as near as the screen allows."""
    def settled():
        # The window manager may still move the window it has just mapped.
        first = vars(frame_of(journey, program, "Reports"))
        return first if first == vars(frame_of(journey, program, "Reports")) else None
    box = e2e.Box(**e2e.wait_for("the Reports window to settle", settled))
    main = frame_of(journey, program, "Horavel")
    where = f"at {scale}x: Reports {vars(box)}, main window {vars(main)}"
    journey.step(where)
    for start, size, main_start, main_size, screen in (
            (box.x, box.width, main.x, main.width, 1280),
            (box.y, box.height, main.y, main.height, 800)):
        expect(0 <= start and start + size <= screen,
               f"the Reports window is off the screen {where}")
        expect(0 <= main_start and main_start + main_size <= screen,
               f"the main window is off the screen {where}")
        centred = min(max(main_start + (main_size - size) // 2, 0), screen - size)
        expect(abs(start - centred) <= scale, f"the Reports window is not centred {where}")


def reports_at_double_size(journey, project_file):
    journey.step("at 2x: the Reports window on the same screen")
    journey.env["QT_SCALE_FACTOR"] = "2"
    e2e.scale = 2
    program = journey.start(project_file)
    program.select("Bakery")
    reports = program.open_reports()
    expect_placed_over_main(journey, program, 2)
    journey.screenshot("reports-2x")
    program.keys("Escape")
    program.wait_gone(reports, "the Reports window")
    program.exit_saving_workspace(journey.path("work-2x.hvw"))


def journey(journey):
    project_file = journey.write_file("bakery.hvp", project())
    # Rounded up to 6 minutes, as chosen on an earlier day.
    journey.write_settings({"report_rounding": "1", "report_rounding_minutes": "6"})
    program = journey.start(project_file)
    program.select("Bakery")

    journey.step("Ctrl+R: today's work; the name for the PDF typed in")
    reports = program.open_reports()
    expect_placed_over_main(journey, program, 1)
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
    program.exit_saving_workspace(journey.path("work.hvw"))
    reports_at_double_size(journey, project_file)


if __name__ == "__main__":
    e2e.Journey.screen = "1280x800x24"
    e2e.run("report_pdf", journey)
