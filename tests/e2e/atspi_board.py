#!/usr/bin/python3
"""What a screen reader finds of the game on the accessibility bus.

Started by the end-to-end test on the session bus the game uses. It listens
from the start for the events a screen reader follows (names that change,
focus that moves) and answers commands read from standard input, one a line,
with one line of JSON each:

  board   the game's board: {"name", "rows", "columns", "focused",
          "cells": [[name, row, column], ...] in child order, "count": the
          move count label's name}, or {} while there is none
  events  the events seen since the last "events": [[type, role, name,
          detail], ...], the name read when the event came
"""
import json
import sys

import pyatspi
from gi.repository import GLib

APPLICATION = "Zandor"
seen = []


def role(obj):
    try:
        return obj.getRoleName()
    except Exception:
        return ""


def name(obj):
    try:
        return obj.name
    except Exception:
        return None


def find(obj, wanted, depth=0):
    """The first object of that role below obj, depth first."""
    if obj is None or depth > 8:
        return None
    if role(obj) == wanted:
        return obj
    for child in obj:
        found = find(child, wanted, depth + 1)
        if found is not None:
            return found
    return None


def application():
    for app in pyatspi.Registry.getDesktop(0):
        if app is not None and name(app) == APPLICATION:
            return app
    return None


def board():
    app = application()
    table = find(app, "table") if app is not None else None
    if table is None:
        return {}
    t = table.queryTable()
    cells = [[name(table.getChildAtIndex(i)), t.getRowAtIndex(i), t.getColumnAtIndex(i)] for i in range(table.childCount)]
    # The move count: the label the caption "Züge" labels, beside the board.
    count = None
    for label in pyatspi.findAllDescendants(app, lambda o: role(o) == "label"):
        for relation in label.getRelationSet():
            if relation.getRelationType() == pyatspi.RELATION_LABELLED_BY and name(relation.getTarget(0)) == "Züge":
                count = name(label)
    return {"name": name(table), "rows": t.nRows, "columns": t.nColumns,
            "focused": table.getState().contains(pyatspi.STATE_FOCUSED), "cells": cells, "count": count}


def listen(event):
    seen.append([event.type, role(event.source), name(event.source), event.detail1])


def command(channel, condition):
    line = sys.stdin.readline()
    if not line or condition & GLib.IO_HUP:
        pyatspi.Registry.stop()
        return False
    if line.strip() == "board":
        answer = board()
    else:
        answer = list(seen)
        seen.clear()
    print(json.dumps(answer), flush=True)
    return True


pyatspi.Registry.registerEventListener(listen, "object:property-change:accessible-name", "object:state-changed:focused", "focus:")
GLib.io_add_watch(sys.stdin.fileno(), GLib.IO_IN | GLib.IO_HUP, command)
print("[]", flush=True)   # listening
pyatspi.Registry.start()
