"""The sections tree and Replace All of the real morv, driven through its accessibility tree:
the "tree" toolbar button indexes the report, the file nodes appear in the pane, and the
Replace dialog rewrites the document."""
import sys

from a11y import find, press, running_program, screenshot, sections_tree_names, text_of, wait_for


def main():
    morv, document, shots = sys.argv[1], sys.argv[2], sys.argv[3]
    with running_program([morv, document], "Morvane", "report.txt - Morvane") as (_, app, frame):

        press(wait_for(lambda: find(frame, name="Retrieve Section Tree")))
        names = sections_tree_names(frame)
        assert names and "index.htm" in names and "about.htm" in names, \
            "file nodes missing from the tree: %r" % (names,)

        press(find(frame, role="menu item", name="Replace .."))
        dialog = wait_for(lambda: find(app, name="Replace", role="dialog"))
        assert dialog is not None, "the Replace dialog did not open"
        for field, value in (("Find what", "index"), ("Replace with", "home")):
            entry = find(dialog, name=field, role="text")
            editable = entry.queryEditableText()
            editable.setTextContents(value)
        press(find(dialog, role="push button", name="Replace All"))
        editor = find(frame, role="text", name="Document")
        text = wait_for(lambda: "home" in text_of(editor) and text_of(editor))
        assert text and "index" not in text, "Replace All left: %r" % (text,)
        screenshot(shots, "morv_sections_search.png")
        print("PASS: sections tree and Replace All driven through AT-SPI")

if __name__ == "__main__":
    main()
