"""How the program looks at 100% and at 200%: the options dialog, the main window while
timing and the tray icon's tooltip, photographed into the artifacts at each scale, in a
tray as a panel offers one. Every control of the dialog lies inside it at both scales."""

import subprocess
import time

import horavel_e2e as e2e
from horavel_e2e import expect


def inside(inner, outer):
    return (inner.x >= outer.x and inner.y >= outer.y and
            inner.x + inner.width <= outer.x + outer.width and
            inner.y + inner.height <= outer.y + outer.height)


def crop(box, margin=0):
    return f"{box.width + 2 * margin}x{box.height + 2 * margin}+{box.x - margin}+{box.y - margin}"


def tray_icon(journey, program):
    """Where the tray shows the program's icon: its small window of the program's class."""
    def probe():
        found = journey.display.read("xdotool", "search", "--pid", str(program.process.pid),
                                     "--class", "horavel").split()
        for window in found:
            shape = journey.display.read("xdotool", "getwindowgeometry", "--shell", window)
            geometry = dict(line.split("=") for line in shape.split())
            if 0 < int(geometry["WIDTH"]) <= 96 and 0 < int(geometry["HEIGHT"]) <= 96:
                return (int(geometry["X"]) + int(geometry["WIDTH"]) // 2,
                        int(geometry["Y"]) + int(geometry["HEIGHT"]) // 2)
        return None
    return e2e.wait_for("the icon in the tray", probe)


def look_at(journey, scale):
    journey.env["QT_SCALE_FACTOR"] = scale
    e2e.scale = int(scale)
    program = journey.start(journey.copy_data("shop.hvp"))

    journey.step(f"at {scale}x: the options dialog")
    program.press("Options")
    dialog = program.dialog("Options")
    frame = e2e.extents(dialog)
    for control in e2e.find_all(dialog):
        if e2e.has_state(control, e2e.pyatspi.STATE_SHOWING):
            box = e2e.extents(control)
            expect(inside(box, frame), f"{control.name!r} lies outside the dialog at {scale}x")
    journey.screenshot(f"options-{scale}x", crop(frame, 4))
    program.press("Cancel", within=dialog)
    program.wait_gone(dialog, "the options dialog")

    journey.step(f"at {scale}x: the main window while timing Stock")
    program.click(program.tree())
    program.keys("Home", "Right", "Down", "ctrl+t")
    program.button("Stop Timer")
    time.sleep(2)
    journey.screenshot(f"timing-{scale}x", crop(e2e.extents(program.window)))

    journey.step(f"at {scale}x: the tray icon's tooltip")
    x, y = tray_icon(journey, program)
    journey.display.move_pointer(x - 5, y - 5)
    journey.display.move_pointer(x, y)
    time.sleep(2)  # the tooltip's delay
    journey.screenshot(f"tray-tooltip-{scale}x", f"640x{160 * int(scale)}+{1920 - 640}+"
                                                 f"{1200 - 160 * int(scale)}")
    journey.display.move_pointer(900, 300)

    program.keys("ctrl+t")
    program.button("Start Timer")
    program.press("Save Project")
    e2e.wait_for("the booked period saved",
                 lambda: "<session " in open(journey.path("shop.hvp"), encoding="utf-8").read())
    program.exit_saving_workspace(journey.path(f"exit-{scale}x.hvw"))


def journey(journey):
    journey.write_settings({"TT_ShowTime": "True", "TrayIcon": "True"})
    tray = subprocess.Popen(["trayer", "--edge", "bottom", "--align", "right", "--widthtype",
                             "pixel", "--width", "160", "--height", "40", "--transparent",
                             "false", "--tint", "0xdddddd", "--SetDockType", "true"],
                            env=journey.env, stdout=subprocess.DEVNULL,
                            stderr=subprocess.DEVNULL)
    try:
        for scale in ("1", "2"):
            look_at(journey, scale)
    finally:
        tray.kill()


if __name__ == "__main__":
    e2e.Journey.screen = "1920x1200x24"
    e2e.run("looks", journey)
