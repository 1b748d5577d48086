#!/usr/bin/python3
"""Prints the accessibility tree that screen readers see of the running Voltarik window.

For each single-line text box it also prints what a screen reader reading the box gets: the
text-attribute runs at the start, the middle and the end of the text, and whether every boundary
query (character, word, sentence, line) at those offsets was answered within a second."""
import signal
import sys
import time

import pyatspi

BOUNDARIES = {
    "char": pyatspi.TEXT_BOUNDARY_CHAR,
    "word start": pyatspi.TEXT_BOUNDARY_WORD_START,
    "word end": pyatspi.TEXT_BOUNDARY_WORD_END,
    "sentence start": pyatspi.TEXT_BOUNDARY_SENTENCE_START,
    "sentence end": pyatspi.TEXT_BOUNDARY_SENTENCE_END,
    "line start": pyatspi.TEXT_BOUNDARY_LINE_START,
    "line end": pyatspi.TEXT_BOUNDARY_LINE_END,
}


class TooSlow(Exception):
    pass


def on_alarm(signum, frame):
    raise TooSlow()


def probe_text(text_iface, text, indent):
    """The attribute runs and the boundary queries a screen reader makes in a box."""
    offsets = sorted({0, len(text) // 2, len(text)})
    runs = []
    for offset in offsets:
        _, start, end = text_iface.getAttributeRun(offset, True)
        runs.append(f"{start}-{end}")
    print(f"{indent}  attribute runs of {text!r} at {offsets}: {' '.join(runs)}")
    slow = []
    signal.signal(signal.SIGALRM, on_alarm)
    for name, boundary in BOUNDARIES.items():
        for offset in offsets:
            for query in ("at", "before", "after"):
                method = {"at": text_iface.getTextAtOffset,
                          "before": text_iface.getTextBeforeOffset,
                          "after": text_iface.getTextAfterOffset}[query]
                signal.alarm(1)
                try:
                    method(offset, boundary)
                except TooSlow:
                    slow.append(f"{name} {query} {offset}")
                finally:
                    signal.alarm(0)
                if slow:
                    # A query that did not answer leaves the program busy; asking more would wait.
                    print(f"{indent}  boundary queries on {text!r}: no answer to {slow[0]}")
                    return
    print(f"{indent}  boundary queries on {text!r}: every one answered within 1 s")


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
    if role == "text" and not node.getState().contains(pyatspi.STATE_MULTI_LINE):
        probe_text(text_iface, text, "  " * depth)
    for child in node:
        if child is not None:
            dump(child, depth + 1)


app = find_application(sys.argv[1] if len(sys.argv) > 1 else "Voltarik")
if app is None:
    sys.exit("the application did not appear on the accessibility bus")
dump(app)
