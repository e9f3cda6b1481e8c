#!/usr/bin/env python3
"""Checks the folders' layers from the #include lines under src/.

  - no circle between folders (a folder's files may include files of folders below it only);
  - no screen includes another folder's concrete screen (Form*.h): hand-overs and notices go
    through ScreenHost; only the program's top (app/) includes every screen;
  - the core folders include no widget header: the logic is tested without Qt Widgets.

Prints what it found and exits 1 on a breach. Usage: check-layers.py [SRC_DIR]
"""
import os
import re
import sys

SRC = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "..", "src")
CORE = {"base", "lang", "params", "link", "plot", "diag", "pages", "calib", "vehicle", "state"}
WIDGET_HEADER = re.compile(r"#include <(QtWidgets/|Q(Widget|Dialog|MainWindow|Label|PushButton|"
                           r"LineEdit|ComboBox|Application|Layout|HBoxLayout|VBoxLayout|"
                           r"GridLayout|MessageBox|FileDialog|ScrollBar|CheckBox|RadioButton))")
INCLUDE = re.compile(r'#include "([^"]+)"')


def folder_of(path):
    return os.path.dirname(path)


def main():
    edges = {}
    breaches = []
    for root, _, files in os.walk(SRC):
        for name in files:
            if not name.endswith((".h", ".cpp")):
                continue
            path = os.path.join(root, name)
            rel = os.path.relpath(path, SRC)
            here = folder_of(rel)
            top = here.split("/")[0]
            with open(path, encoding="utf-8") as f:
                for number, line in enumerate(f, 1):
                    if top in CORE and WIDGET_HEADER.match(line):
                        breaches.append(f"{rel}:{number}: a core file includes a widget header")
                    m = INCLUDE.match(line)
                    if not m or "/" not in m.group(1):
                        continue
                    target = m.group(1)
                    there = folder_of(target)
                    if not os.path.exists(os.path.join(SRC, target)) or there == here:
                        continue
                    edges.setdefault(here, {}).setdefault(there, f"{rel}:{number}")
                    if (os.path.basename(target).startswith("Form") and
                            there.startswith("screens/") and top != "app"):
                        breaches.append(f"{rel}:{number}: includes another folder's screen "
                                        f"{target}")
    # A circle between folders: depth-first search for a back edge.
    state = {}
    def visit(node, trail):
        state[node] = 1
        for nxt in sorted(edges.get(node, {})):
            if state.get(nxt) == 1:
                loop = trail[trail.index(nxt):] + [nxt] if nxt in trail else [node, nxt]
                where = ", ".join(edges[a][b] for a, b in zip(loop, loop[1:]))
                breaches.append("circle between folders: " + " -> ".join(loop) + f" ({where})")
            elif nxt not in state:
                visit(nxt, trail + [nxt])
        state[node] = 2
    for node in sorted(edges):
        if node not in state:
            visit(node, [node])
    for folder in sorted(edges):
        print(f"{folder:18} -> {', '.join(sorted(edges[folder]))}")
    for b in breaches:
        print("BREACH", b)
    print(f"{len(edges)} folders, {sum(len(v) for v in edges.values())} dependencies, "
          f"{len(breaches)} breaches")
    return 1 if breaches else 0


if __name__ == "__main__":
    sys.exit(main())
