#!/usr/bin/env python3
"""Non-blank, non-comment lines of C++ under tests/ against src/ and sim/: the tests' share."""
import os
import re
import sys

ROOT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..")


def lines(path):
    # Lines that are neither blank nor a // comment.
    with open(path, encoding="utf-8", errors="replace") as f:
        return sum(1 for raw in f if not re.match(r"^\s*($|//)", raw))


def tree(folder, per_file):
    total = 0
    for root, _, files in os.walk(os.path.join(ROOT, folder)):
        for name in files:
            if re.search(r"\.(h|cpp)$", name):
                n = lines(os.path.join(root, name))
                per_file.append((n, os.path.relpath(os.path.join(root, name), ROOT)))
                total += n
    return total


def main():
    files = []
    code = tree("src", files) + tree("sim", files)
    tests = tree("tests", files)
    print(f"code (src, sim): {code}  tests: {tests}  tests / code: {100.0 * tests / code:.1f} %")
    if "--files" in sys.argv:
        for n, name in sorted(files, reverse=True)[:40]:
            print(f"{n:6} {name}")


if __name__ == "__main__":
    main()
