"""Fix Relative Links in the real morv, driven through its accessibility tree: the menu item
opens the dialog, the root and path are typed into the boxes found by name, OK runs the fix,
and the document is read back."""
import sys

from a11y import find, press, running_program, screenshot, text_of, wait_for

FIXED = ("[FILE = \"/srv/www/site/products/index.htm\"]\n\n[SCRIPT]\n"
         "<script src=\"menu.js\"></script>\n\n[LINK]\n"
         "http://www.example.org/products/software/games/index.htm\n"
         "http://www.example.org/products/software/about.htm\n"
         "http://www.example.org/a.htm\n#top\n"
         "http://www.example.org/products/software/games/spaced.htm\n\n[IMAGE]\n"
         "http://www.example.org/products/software/img/bg.jpg\n\n[E-MAIL]\n"
         "mailto:info@example.org\n\n\n").replace("\n", "\r\n")  # the editor's breaks are CR LF


def set_text(node, text):
    node.queryEditableText().setTextContents(text)


def main():
    morv, document, shots = sys.argv[1], sys.argv[2], sys.argv[3]
    with running_program([morv, document], "Morvane", "report.txt - Morvane") as (_, app, frame):

        press(find(frame, role="menu item", name="Fix Relative Links .."), opens_modal=True)
        dialog = wait_for(lambda: find(app, role="dialog", name="Fix Relative Links"))
        assert dialog is not None, "the Fix Relative Links dialog did not open"
        root = find(dialog, role="text", name="Site's root (required)")
        path = find(dialog, role="text", name="Current path (optional)")
        assert root is not None and path is not None, "root or path box not found by name"
        set_text(root, "www.example.org")
        set_text(path, "products/software/games")
        screenshot(shots, "fix_links_dialog.png")
        press(find(dialog, role="push button", name="OK"), opens_modal=True)

        editor = find(frame, role="text", name="Document")
        fixed = wait_for(lambda: text_of(editor) == FIXED, 20)
        screenshot(shots, "fix_links_done.png")
        assert fixed, "the document was not fixed as expected:\n" + text_of(editor)
        gone = wait_for(lambda: find(app, role="dialog", name="Fix Relative Links",
                                     showing_only=True) is None, 5)
        assert gone, "the dialog stayed open"
        status = find(frame, role="label", name="Status")
        assert status is not None and status.description == "Ready", "status is not Ready"
        print("PASS: relative links fixed through the dialog, driven through AT-SPI")

if __name__ == "__main__":
    main()
