"""morv driven through its accessibility tree: menus, a message box and the close question are
found by role and name and pressed; the status bar and the caption are read back."""
import os
import sys

from a11y import find, press, running_program, screenshot, text_of, wait_for


def main():
    morv, document, shots = sys.argv[1], sys.argv[2], sys.argv[3]
    caption = os.path.basename(document) + " - Morvane"
    with running_program([morv, document], "Morvane", caption) as (process, app, frame):

        status = find(frame, role="label", name="Status")
        assert status is not None and status.description == "Ready", "status bar does not say Ready"

        # Options > Set Installation Defaults .. asks first; No leaves everything as it was.
        press(find(frame, role="menu item", name="Set Installation Defaults .."), opens_modal=True)
        question = wait_for(lambda: find(app, role="label",
                                         contains="Replace current settings with the installation"))
        assert question is not None, "the defaults question did not appear"
        press(wait_for(lambda: find(app, role="push button", name="&No") or
                       find(app, role="push button", name="No")))
        wait_for(lambda: find(app, role="label", contains="Replace current settings") is None, 5)

        # Type into the document, then File > Exit: the unsaved-changes question names the file.
        editor = find(frame, role="text", name="Document")
        editor.queryEditableText().insertText(0, "typed ", 6)
        press(find(frame, role="menu item", name="Exit"), opens_modal=True)
        save = wait_for(lambda: find(app, role="label", contains="Do you want to save the changes?"))
        assert save is not None, "closing a changed document did not ask about saving"
        assert os.path.basename(document) in text_of(save), "the question does not name the file"
        screenshot(shots, "morv_a11y.png")
        press(wait_for(lambda: find(app, role="push button", name="&No") or
                       find(app, role="push button", name="No")))
        process.wait(timeout=15)
        print("PASS: menus, message boxes and the close question driven through AT-SPI")

if __name__ == "__main__":
    main()
