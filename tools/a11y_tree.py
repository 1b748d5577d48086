#!/usr/bin/python3
"""Prints the accessibility tree that screen readers see of the running Voltarik window."""
import sys
import time

import pyatspi


def find_application(name):
    for _ in range(150):
        for app in pyatspi.Registry.getDesktop(0):
            if app is not None and app.name == name:
                return app
        time.sleep(0.2)
    return None


def dump(node, depth=0):
    role = node.getRoleName()
    text = ""
    try:
        text_iface = node.queryText()
        text = text_iface.getText(0, -1)
    except NotImplementedError:
        pass
    line = f"{'  ' * depth}{role}: name={node.name!r}"
    if node.description:
        line += f" description={node.description!r}"
    if text and text != node.name:
        line += f" text={text[:40]!r}"
    relations = [
        f"{r.getRelationType().value_nick}->{r.getTarget(0).name!r}"
        for r in node.getRelationSet()
        if r.getNTargets() > 0
    ]
    if relations:
        line += " " + " ".join(relations)
    print(line)
    for child in node:
        if child is not None:
            dump(child, depth + 1)


app = find_application(sys.argv[1] if len(sys.argv) > 1 else "Voltarik")
if app is None:
    sys.exit("the application did not appear on the accessibility bus")
dump(app)
