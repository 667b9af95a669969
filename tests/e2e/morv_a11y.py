"""morv driven through its accessibility tree: menus, the sections pane's toolbar button, a message
box and the close question are found by role and name and pressed; the status bar and the caption
are read back."""
import os
import sys

from a11y import find, press, running_program, screenshot, text_of, wait_for


def main():
    morv, document, shots = sys.argv[1], sys.argv[2], sys.argv[3]
    caption = os.path.basename(document) + " - Morvane"
    with running_program([morv, document], "Morvane", caption) as (process, app, frame):

        status = find(frame, role="label", name="Status")
        assert status is not None and status.description == "Ready", "status bar does not say Ready"

        # The sections pane's button, pressed through its accessibility action, shows and hides the
        # pane as a click does, and its name says what the next press does.
        def pane_shown():
            return bool(find(frame, name="Sections", showing_only=True, role="tree table") or
                        find(frame, name="Sections", showing_only=True, role="tree"))
        pane = find(frame, name="Show Section Pane")
        assert pane is not None and not pane_shown(), "no sections pane button, or a pane at start"
        for shown, name in ((True, "Hide Sections Pane"), (False, "Show Sections Pane")):
            press(pane)
            assert wait_for(lambda: pane.name.strip() == name, 5), \
                "the pane button is called %r, not %r" % (pane.name, name)
            assert wait_for(lambda: pane_shown() == shown, 5), \
                "the pane is %s" % ("hidden" if shown else "still shown")

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
