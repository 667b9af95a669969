"""The Extract dialog of the real morv, driven through its accessibility tree: load the previous
list, extract, watch the progress window, and read the report back from the editor."""
import os
import subprocess
import sys
import threading
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "e2e"))
from a11y import find, press, running_program, screenshot, wait_for  # noqa: E402


def main():
    morv, work, shots = sys.argv[1], sys.argv[2], sys.argv[3]
    with running_program([morv], "Morvane", "Untitled - Morvane") as (_, app, frame):

        press(find(frame, role="menu item", name="Extract .."))
        dialog = wait_for(lambda: find(app, role="dialog", name="Extract"))
        assert dialog is not None, "Actions > Extract .. showed no dialog"
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
