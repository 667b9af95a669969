"""trelo driven through its accessibility tree: the main window is announced as a window with
the program's caption, its controls are found by role and name, and Close ends the program and
writes its settings beside it."""
import os
import sys

from a11y import find, press, running_program, screenshot


def main():
    trelo, shots = sys.argv[1], sys.argv[2]
    with running_program([trelo], "Trellin", "Trellin") as (process, app, frame):
        # running_program found it as a frame: a screen reader announces a window, not a filler.
        assert frame.getRoleName() == "frame", "main window shows as " + frame.getRoleName()
        for role, name in [("push button", "Rename"), ("push button", "Preview"),
                           ("text", "Template"), ("text", "Start at"),
                           ("check box", "Copy files instead of rename")]:
            assert find(frame, role=role, name=name) is not None, "no " + role + " " + name
        screenshot(shots, "trelo_a11y.png")
        press(find(frame, role="push button", name="Close"))
        process.wait(timeout=15)
        settings = os.path.join(os.path.dirname(trelo), "trelo.ini")
        assert os.path.exists(settings), "closing did not write trelo.ini"
        print("PASS: the main window is a frame named Trellin; Close ends it and saves")


if __name__ == "__main__":
    main()
