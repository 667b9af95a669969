"""Small helpers to drive a Qt program through the accessibility tree (AT-SPI), as a screen
reader user or a test robot would: find widgets by role and name, press them, read them."""
import contextlib
import os
import subprocess
import time

import pyatspi
from gi.repository import Atspi, GLib


def wait_for(predicate, timeout=15.0, step=0.2):
    end = time.time() + timeout
    while time.time() < end:
        value = predicate()
        if value:
            return value
        time.sleep(step)
    return None


def application(name, timeout=20.0):
    def look():
        for app in pyatspi.Registry.getDesktop(0):
            if app is not None and app.name == name:
                return app
        return None
    return wait_for(look, timeout)


def find(root, role=None, name=None, contains=None, showing_only=False):
    """The first node below root with the role name and accessible name given."""
    def matches(node):
        if node is None:
            return False
        if role is not None and node.getRoleName() != role:
            return False
        if name is not None and node.name.strip() != name:
            return False
        if contains is not None and contains not in node.name:
            return False
        if showing_only and not node.getState().contains(pyatspi.STATE_SHOWING):
            return False
        return True
    return pyatspi.findDescendant(root, matches, breadth_first=True)


def find_all(root, role):
    return pyatspi.findAllDescendants(root, lambda node: node is not None and node.getRoleName() == role)


def press(node, opens_modal=False):
    """Runs a node's first action (click, press, toggle). An action that opens a modal dialog
    answers only when the dialog closes: then wait briefly and go on without the answer."""
    action = node.queryAction()
    if not opens_modal:
        action.doAction(0)
        return
    Atspi.set_timeout(800, -1)
    try:
        action.doAction(0)
    except GLib.GError:
        pass
    finally:
        Atspi.set_timeout(25000, -1)


def text_of(node):
    try:
        text = node.queryText()
        return text.getText(0, text.characterCount)
    except NotImplementedError:
        return node.name


@contextlib.contextmanager
def running_program(argv, app_name, caption):
    """Starts a program and waits for it on the accessibility bus and for its window with the
    caption given; yields (process, app, frame) and kills the program if it is still running
    afterwards."""
    process = subprocess.Popen(argv, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    try:
        app = application(app_name)
        assert app is not None, app_name + " did not show up on the accessibility bus"
        frame = wait_for(lambda: find(app, role="frame", name=caption))
        assert frame is not None, "no window named " + caption
        yield process, app, frame
    finally:
        if process.poll() is None:
            process.kill()
            process.wait(timeout=15)


def sections_tree_names(frame):
    """The texts of the nodes of the main window's sections tree once it shows, or None."""
    tree = wait_for(lambda: find(frame, name="Sections", showing_only=True, role="tree table") or
                    find(frame, name="Sections", showing_only=True, role="tree"))
    if tree is None:
        return None
    return wait_for(lambda: [node.name for node in find_all(tree, "table cell") if node.name] or
                    [node.name for node in find_all(tree, "tree item") if node.name])


def screenshot(folder, name):
    """The whole screen into folder/name; a missing tool is no failure."""
    subprocess.run(["import", "-window", "root", os.path.join(folder, name)], check=False)
