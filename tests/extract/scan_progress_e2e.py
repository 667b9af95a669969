"""A folder scan of the real morv, held at a chosen step by the test build's hook
(MORV_TEST_HOLD_PROGRESS): while it waits, the progress window is read through the accessibility
tree, and its close box then stops the scan as Cancel does. Runs in a session of its own:
a11y_session.sh SECONDS scan_progress_e2e.py PATH_TO_MORV SHOT_DIR"""
import os
import shutil
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "e2e"))
from a11y import find, find_all, press, running_program, screenshot, wait_for  # noqa: E402


def main():
    if shutil.which("xdotool") is None:
        print("SKIP: xdotool is not installed")
        sys.exit(77)
    built, shots = sys.argv[1], sys.argv[2]
    with tempfile.TemporaryDirectory() as work:
        # The program keeps its settings beside it: in the work folder.
        morv = os.path.join(work, "bin", "morv")
        os.mkdir(os.path.dirname(morv))
        shutil.copy2(built, morv)
        site = os.path.join(work, "site")
        for page in ("part%d/p%d.htm" % (part, n) for part in (1, 2, 3) for n in range(20)):
            os.makedirs(os.path.dirname(os.path.join(site, page)), exist_ok=True)
            open(os.path.join(site, page), "w").close()
        run(morv, site, shots)


def run(morv, site, shots):
    # Three folders are counted first, then the walk holds inside the first one it enters.
    os.environ["MORV_TEST_HOLD_PROGRESS"] = "10"
    with running_program([morv], "Morvane", "Untitled - Morvane") as (_, app, frame):
        press(find(frame, role="menu item", name="Extract .."))
        dialog = wait_for(lambda: find(app, role="dialog", name="Extract"))
        assert dialog is not None, "Actions > Extract .. showed no dialog"
        press(find(dialog, name="Scan Folders for HTML Documents"), opens_modal=True)
        chooser = wait_for(lambda: find(app, role="dialog", contains="Select the folder"))
        assert chooser is not None, "no folder dialog"
        find(chooser, role="text", name="Directory:").queryEditableText().setTextContents(site)
        press(find(chooser, role="push button", name="Choose"))

        progress = wait_for(lambda: find(app, role="dialog", name="Progress"))
        assert progress is not None, "no progress window"

        def labels():
            names = [label.name for label in find_all(progress, "label")]
            return names if "Scanning..." in names else None

        texts = wait_for(labels)
        assert texts, "the progress window never said Scanning..."
        # A search of the whole program, as a screen reader's would be (for the record, not a test).
        started = time.time()
        find(app, role="label", name=texts[-1])
        took = time.time() - started
        assert any(name.startswith(os.path.join(site, "part")) for name in texts), texts
        assert "Action" not in texts and "Current item" not in texts, texts
        screenshot(shots, "scan_progress.png")

        # The close box (Alt+F4) asks the scan to stop; the window stays until the scan ends.
        window = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", "^Progress$"],
                                capture_output=True, text=True).stdout.split()
        assert window, "the progress window is not on the screen"

        def progress_active():
            subprocess.run(["xdotool", "windowactivate", window[-1]], check=False)
            return subprocess.run(["xdotool", "getactivewindow"], capture_output=True,
                                  text=True).stdout.strip() == window[-1]

        # On a loaded machine the window manager may not have given the window the focus yet when
        # the key arrives: the key is pressed again (up to three times) while the window stays.
        def progress_gone():
            return find(app, role="dialog", name="Progress") is None

        for _ in range(3):
            if progress_gone():
                break
            assert wait_for(lambda: progress_gone() or progress_active(), 10), \
                "the progress window could not be activated"
            subprocess.run(["xdotool", "key", "--clearmodifiers", "alt+F4"], check=True)
            wait_for(progress_gone, 7)
        assert progress_gone(), "the close box did not stop the scan"
        files = wait_for(lambda: find(app, role="list", name="Files to Extract"))
        assert files is not None and files.childCount == 0, "a stopped scan filled the list"
        print("PASS: progress labels read as %r while the scan waited (a search of the whole "
              "program took %.2f s); the close box stopped it" % (texts, took))


if __name__ == "__main__":
    main()
