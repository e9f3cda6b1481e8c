#!/usr/bin/env python3
"""Adds one text to data/Stringhe312.txt in all three languages, at the end of each section.

    scripts/add-text.py F00_T01 "Parametri scritti" "Parameters written" "Parametreler yazıldı"

A key already present is replaced in every section. Keys are seven characters: a screen key
such as F05_T10 (screen number, control letter C/L/T/F/O, number) or one of the single keys
the program knows; any other key would be ignored when the file is read.
"""
import re
import sys
from pathlib import Path

def main() -> int:
    if len(sys.argv) != 5:
        print(__doc__.strip(), file=sys.stderr)
        return 2
    key, texts = sys.argv[1], sys.argv[2:]
    if not re.fullmatch(r"F\d\d_(C|L|T|F|O)\d\d|F\d\d_Ck\d", key):
        print(f"{key}: not a screen key (Fnn_Xnn)", file=sys.stderr)
        return 2
    path = Path(__file__).resolve().parent.parent / "data" / "Stringhe312.txt"
    lines = path.read_text(encoding="utf-8").split("\n")
    out, section = [], None
    order = {"[ITA]": 0, "[ING]": 1, "[TUR]": 2}
    for line in lines:
        if line.strip() in order:
            section = order[line.strip()]
        elif line.strip() == "[FINE]" and section is not None:
            out.append(f"{key}={texts[section]}")
            section = None
        elif section is not None and line.startswith(key):
            continue
        out.append(line)
    path.write_text("\n".join(out), encoding="utf-8")
    return 0

if __name__ == "__main__":
    sys.exit(main())
