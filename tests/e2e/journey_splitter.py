"""The splitter dragged with the timer running: the tree widens, no second is lost, the
position is stored in "frm_split" and the next start puts the splitter back there. The
picture taken on the way is the README's: the artifact main-window.png."""

import time

import horavel_e2e as e2e
from horavel_e2e import expect


def start(journey, path):
    program = journey.start(path)
    program.resize(860, 470)
    program.expand("Bakery website (9:25)")
    program.expand("Design (3:55)")
    return program


def journey(journey):
    path = journey.copy_data("bakery.hvp")
    journey.write_settings({"TT_ShowTime": "True"})
    program = start(journey, path)
    program.select("Page layout (1:45)")
    started = time.monotonic()
    program.press("Start Timer")
    program.button("Stop Timer")

    journey.step("drag the splitter right, holding it a while")
    tree_width = e2e.extents(program.tree()).width
    x, y = e2e.center(program.control(None, "Splitter"))
    program.drag((x, y), (x + 150, y), hold=2.0)  # no tick while held: the release books it
    e2e.wait_for("the tree to widen", lambda: e2e.extents(program.tree()).width >= tree_width + 140)
    journey.display.move_pointer(2, 690)  # no button lit up under the pointer
    box = e2e.extents(program.window)
    journey.screenshot("main-window", f"{box.width}x{box.height + 22}+{box.x}+{max(box.y - 22, 0)}")
    program.press("Stop Timer")
    booked = program.field_seconds("Task Time:") - 6300  # less the 1:45:00 it had
    expect(booked >= int(time.monotonic() - started) - 1, f"{booked} s booked across the drag")

    journey.step("exit, and start again: the splitter is where it was left")
    wide = e2e.extents(program.tree()).width
    program.exit_saving_workspace(journey.path("exit.hvw"))
    stored = float(journey.read_settings().get("frm_split", "0"))
    expect(stored > 2085 + 1500, f"frm_split holds the dragged position: {stored}")
    program = start(journey, path)
    e2e.wait_for(f"the tree {wide} wide again", lambda: e2e.extents(program.tree()).width == wide)
    program.close_box()
    program.answer_dialog("Save Workspace", journey.path("again.hvw"))
    program.expect_exit()


if __name__ == "__main__":
    e2e.run("splitter", journey)
