#!/usr/bin/python3
"""What a screen reader finds of the game on the accessibility bus.

Listens from its start for the events a screen reader follows and answers
each line of standard input with one line of JSON: "board" with the game's
board ({} while there is none), "events" with the events seen since the
last "events", each [type, role, name read when it came, detail].
"""
import json
import sys

import pyatspi
from gi.repository import GLib

seen = []


def board():
    app = next((a for a in pyatspi.Registry.getDesktop(0) if a is not None and a.name == "Zandor"), None)
    table = app and pyatspi.findDescendant(app, lambda o: o.getRoleName() == "table")
    if not table:
        return {}
    t = table.queryTable()
    # The move count: the label that the caption "Züge" labels.
    count = pyatspi.findDescendant(app, lambda o: any(
        r.getRelationType() == pyatspi.RELATION_LABELLED_BY and r.getTarget(0).name == "Züge" for r in o.getRelationSet()))
    return {"name": table.name, "rows": t.nRows, "columns": t.nColumns, "count": count and count.name,
            "focused": table.getState().contains(pyatspi.STATE_FOCUSED),
            "cells": [[c.name, t.getRowAtIndex(i), t.getColumnAtIndex(i)] for i, c in enumerate(table)]}


def listen(event):
    seen.append([event.type, event.source.getRoleName(), event.source.name, event.detail1])


def command(channel, condition):
    line = sys.stdin.readline().strip()
    if not line:
        pyatspi.Registry.stop()
        return False
    answer = board() if line == "board" else list(seen)
    if line != "board":
        seen.clear()
    print(json.dumps(answer), flush=True)
    return True


pyatspi.Registry.registerEventListener(listen, "object:property-change:accessible-name", "object:state-changed:focused", "focus:")
GLib.io_add_watch(sys.stdin.fileno(), GLib.IO_IN | GLib.IO_HUP, command)
print("[]", flush=True)   # listening
pyatspi.Registry.start()
