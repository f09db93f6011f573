"""The options dialog from the toolbar: each choice of tree time changes the captions at
once and is stored."""

import horavel_e2e as e2e
from horavel_e2e import expect_equal


CHOICES = [  # options clicked, the captions then, what is stored
    (["Task time only", "(h:mm:ss)"], ["Shop (0:00:00)", "Stock (1:00:05)"],
     {"TT_ShowTime": "True", "TT_ShowTotalTime": "False", "TT_ShowSec": "True"}),
    (["Task Time + Sub Task Time", "(h:mm)"], ["Shop (1:30)", "Stock (1:30)"],
     {"TT_ShowTime": "True", "TT_ShowTotalTime": "True", "TT_ShowSec": "False"}),
    (["No Time in tree", "Place Icon in Tray"], ["Shop", "Stock"],
     {"TT_ShowTime": "False", "TT_ShowTotalTime": "True", "TrayIcon": "False"}),
]


def journey(journey):
    program = journey.start(journey.copy_data("shop.hvp"))
    program.expand("Shop")
    for clicks, captions, stored in CHOICES:
        journey.step(f"Options: {', '.join(clicks)}")
        program.press("Options")
        dialog = program.dialog("Options")
        for name in clicks:
            program.click(program.control(None, name, dialog))
        program.press("OK", within=dialog)
        program.wait_gone(dialog, "the options dialog")
        program.expect_tree(captions)
        settings = journey.read_settings()
        expect_equal({key: settings.get(key) for key in stored}, stored, "the stored options")
    program.exit_saving_workspace(journey.path("exit.hvw"))


if __name__ == "__main__":
    e2e.run("options", journey)
