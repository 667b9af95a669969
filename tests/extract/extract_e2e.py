"""The Extract dialog of the real morv, driven through its accessibility tree: load the previous
list, extract, watch the progress window, and read the report back from the editor. Before that,
the first file dialog's folder, and the pictures of the dialog's list toolbar."""
import os
import subprocess
import sys
import threading
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "e2e"))
import pyatspi  # noqa: E402
from a11y import find, find_all, press, running_program, screenshot, wait_for  # noqa: E402


def main():
    morv, work, shots = sys.argv[1], sys.argv[2], sys.argv[3]
    with running_program([morv], "Morvane", "Untitled - Morvane") as (_, app, frame):

        # With no folder remembered yet, File > Open .. starts in the home folder, not in the
        # folder the program was started from.
        press(find(frame, role="menu item", name="Open .."), opens_modal=True)
        opened = wait_for(lambda: find(app, role="dialog", name="Open"))
        assert opened is not None, "File > Open .. showed no dialog"
        look_in = wait_for(lambda: find(opened, role="combo box"))
        home = os.path.realpath(os.path.expanduser("~"))
        assert os.path.realpath(look_in.name) == home, \
            "the file dialog starts in %s, not in %s" % (look_in.name, home)
        press(find(opened, role="push button", name="Cancel"))
        assert wait_for(lambda: find(app, role="dialog", name="Open") is None, 5), \
            "the file dialog stayed open"

        press(find(frame, role="menu item", name="Extract .."))
        dialog = wait_for(lambda: find(app, role="dialog", name="Extract"))
        assert dialog is not None, "Actions > Extract .. showed no dialog"
        # Every button of the list's toolbar shows a picture: one that showed its text instead
        # would be wider than the others.
        toolbar = wait_for(lambda: find(dialog, role="tool bar", name="File list"))
        assert toolbar is not None, "the Extract dialog has no toolbar named File list"
        widths = {button.name: button.queryComponent().getExtents(pyatspi.DESKTOP_COORDS).width
                  for button in find_all(toolbar, "push button") if button.name}
        assert len(widths) == 7 and len(set(widths.values())) == 1, \
            "list toolbar buttons of different widths: %s" % widths
        press(wait_for(lambda: find(dialog, role="push button", name="Load Previous List")))
        files = find(dialog, role="list", name="Files to Extract")
        assert wait_for(lambda: files.childCount >= 3003), "the previous list was not loaded"
        press(find(dialog, role="check box", name="Clear text before extracting"))
        screenshot(shots, "extract_dialog.png")

        # While the run goes on, catch the progress window in a picture.
        seen = {}

        def watch():
            end = time.time() + 20
            while time.time() < end:
                found = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", "^Progress$"],
                                       capture_output=True, text=True)
                if found.stdout.strip():
                    seen["progress"] = True
                    screenshot(shots, "extract_progress.png")
                    return

        watcher = threading.Thread(target=watch)
        watcher.start()
        press(find(dialog, role="push button", name="Extract"))
        watcher.join()

        def ready():
            status = find(frame, role="label", name="Status")
            return status is not None and status.description == "Ready"

        assert wait_for(ready, 60), "the run did not end"
        editor = find(frame, role="text", name="Document")
        report = editor.queryText().getText(0, 2000)
        index = os.path.join(work, "site", "index.htm")
        assert report.startswith('[FILE = "%s"]' % index), report[:200]
        assert find(app, role="frame", name="Untitled - Morvane") is not None
        assert "[SCRIPT]\n<script src=\"menu.js\"></script>" in report.replace("\r\n", "\n")
        assert "; Warning: File not found." in report
        assert wait_for(lambda: find(app, role="dialog", name="Extract") is None, 5), \
            "the dialog stayed after the run"
        screenshot(shots, "extract_report.png")
        print("PASS: previous list loaded, extracted, report in the editor"
              + (", progress window seen" if seen else ""))

if __name__ == "__main__":
    main()
