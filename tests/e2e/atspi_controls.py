#!/usr/bin/env python3
# What a screen reader finds in the windows of process PID (argv[1]) on the accessibility bus: one line per window,
# "WINDOW <role>\t<name>", and one per control (what a user acts on or reads from) without a name,
# "UNNAMED <window>\t<path of roles>". The rows and cells of lists, tables and trees are named by their text.
import sys

import pyatspi as a

CONTAINERS = {a.ROLE_LIST, a.ROLE_LIST_BOX, a.ROLE_TABLE, a.ROLE_TREE, a.ROLE_TREE_TABLE}
CONTROLS = CONTAINERS | {a.ROLE_PUSH_BUTTON, a.ROLE_CHECK_BOX, a.ROLE_RADIO_BUTTON, a.ROLE_TEXT, a.ROLE_ENTRY,
                         a.ROLE_COMBO_BOX, a.ROLE_PAGE_TAB, a.ROLE_SPIN_BUTTON, a.ROLE_SLIDER, a.ROLE_MENU_ITEM}


def walk(node, window, path):
    path = path + "/" + node.getRoleName()
    if node.getRole() in CONTROLS and not (node.name or "").strip():
        print("UNNAMED %s\t%s" % (window, path))
    if node.getRole() not in CONTAINERS:
        for child in filter(None, node):
            walk(child, window, path)


for app in filter(None, a.Registry.getDesktop(0)):
    if app.get_process_id() == int(sys.argv[1]):
        for window in filter(None, app):
            print("WINDOW %s\t%s" % (window.getRoleName(), window.name))
            walk(window, window.name, "")
