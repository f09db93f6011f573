"""Twenty seconds timed on a new project, then the program is killed (SIGKILL): the next
start offers the project back, restores it with the seconds booked and marked modified,
and a clean exit leaves nothing behind to offer again. Ended by SIGTERM, as a session
ends it, the program saves what has a file without asking."""

import os
import time
import xml.etree.ElementTree as ElementTree

import horavel_e2e as e2e
from horavel_e2e import expect, expect_equal


def journey(journey):
    # Questions at exit instead of dialogs: they show whether the project counts as modified.
    journey.write_settings({"AutoSaveWS": "False"})
    program = journey.start()
    program.expect_tree([])

    journey.step("a new project, timed for twenty seconds, then killed")
    program.new_node("New Project", "Timed", [])
    program.press("Start Timer")
    program.button("Stop Timer")
    started = time.monotonic()
    time.sleep(20)
    journey.screenshot("timing")
    program.process.kill()
    timed = time.monotonic() - started
    program.process.wait(timeout=10)

    journey.step("start again: the project is offered back and restored")
    program = journey.start()
    box, text = program.message("Horavel")
    journey.screenshot("offer")
    expect("Timed (never saved), last changed" in text, f"the offer names the project: {text!r}")
    program.press("Yes", within=box)
    program.wait_gone(box, "the offer")
    program.expect_tree(["Timed"])
    program.select("Timed")
    booked = program.field_seconds("Task Time:")
    print(f"timed {timed:.1f} s before the kill, {booked} s restored, "
          f"{timed - booked:.1f} s lost", flush=True)
    expect(booked >= 15, f"at least 15 of the {timed:.0f} s timed are restored, not {booked}")

    journey.step("exit: the restored project is modified, and nothing is kept after the end")
    program.menu("File", "Exit")
    box, text = program.message("Save Workspace")
    program.press("No", within=box)
    box, text = program.message("Horavel")
    expect_equal(text.splitlines(), ["Modified Projects: ", "Timed", "Save Modified Projects First?"],
                 "the modified projects at exit")
    program.press("No", within=box)
    program.expect_exit()
    recovery = journey.path(".local", "share", "horavel", "horavel", "recovery")
    left = [name for name in os.listdir(recovery)] if os.path.isdir(recovery) else []
    expect_equal(left, [], "what a clean end leaves to recover")

    journey.step("a project renamed, then SIGTERM as a session ends: saved without a question")
    ended = journey.path("ended.hvp")
    with open(ended, "w", encoding="utf-8") as out:
        out.write('<?xml version="1.0"?><project name="Ended" completed="false" task_time="" '
                  'subtask_time=""><description/><history/></project>')
    program = journey.start(ended)
    program.click(program.field("Task Name:"))
    program.keys("End")
    program.type(" here")
    program.expect_tree(["Ended here"])
    program.process.terminate()
    program.expect_exit()
    saved = ElementTree.parse(ended).getroot().get("name")
    expect_equal(saved, "Ended here", "the name saved as the program was ended")


if __name__ == "__main__":
    e2e.run("crash_recovery", journey)
