"""Check Links in the real morv, driven through its accessibility tree: the menu item opens the
dialog, the site folder is typed, orphans ticked, Check runs, the report is read back and the
sections tree indexes it."""
import sys

from a11y import find, press, running_program, screenshot, sections_tree_names, text_of, wait_for


def main():
    morv, site, shots = sys.argv[1], sys.argv[2], sys.argv[3]
    # The pages come in the order the file system lists them; the orphans and the counts last.
    blocks = ["[FILE = \"{0}/index.html\"]\n\n[MISSING]\nabout.htm\n\n[CASE]\nImages/Logo.gif\n\n\n",
              "[FILE = \"{0}/news/index.htm\"]\n\n[OUTSIDE]\n../../private/notes.htm\n\n\n"]
    end = ("[FILE = \"{0} (orphans)\"]\n\n[ORPHANS]\n{0}/old.htm\n\n\n"
           "; Checked 3 pages, 5 links: 1 missing, 1 case, 1 outside; 0 not checked "
           "(other hosts or schemes); 1 orphan.\n").format(site)

    def is_report(text):
        text = text.replace("\r\n", "\n")  # the editor's breaks are CR LF
        return text.endswith(end) and all(block.format(site) in text for block in blocks)

    with running_program([morv], "Morvane", "Untitled - Morvane") as (_, app, frame):
        press(find(frame, role="menu item", name="Check Links .."), opens_modal=True)
        dialog = wait_for(lambda: find(app, role="dialog", name="Check Links"))
        assert dialog is not None, "the Check Links dialog did not open"
        folder = find(dialog, role="text", name="Site folder")
        assert folder is not None, "site folder box not found by name"
        folder.queryEditableText().setTextContents(site)
        press(find(dialog, role="check box", name="List orphans"))
        screenshot(shots, "check_links_dialog.png")
        press(find(dialog, role="push button", name="Check"), opens_modal=True)

        editor = find(frame, role="text", name="Document")
        checked = wait_for(lambda: is_report(text_of(editor)), 20)
        assert checked, "the report is not as expected:\n" + text_of(editor)

        press(wait_for(lambda: find(frame, name="Retrieve Section Tree")))
        names = sections_tree_names(frame)
        screenshot(shots, "check_links_report.png")
        folder_name = site.rstrip("/").rsplit("/", 1)[-1]
        assert names and "index.html" in names and folder_name + " (orphans)" in names, \
            "file nodes missing from the tree: %r" % (names,)
        print("PASS: a site checked through the dialog, driven through AT-SPI")


if __name__ == "__main__":
    main()
