#!/usr/bin/env python3
"""The floors of src/ hold: only the top floors (app, browser, repair)
include app/, browser/ or repair/, and nothing under src/ includes them
from below. Prints each include that breaks the rule; exits 1 on any."""
import pathlib
import re
import sys

TOP = {"app", "browser", "repair"}
root = pathlib.Path(__file__).resolve().parents[2] / "src"
include = re.compile(r'^\s*#\s*include\s+"(\w+)/')
broken = []
for path in sorted(root.rglob("*")):
    if path.suffix not in (".h", ".cpp", ".c"):
        continue
    floor = path.relative_to(root).parts[0]
    if floor in TOP:
        continue
    for n, line in enumerate(path.read_text(encoding="utf-8", errors="replace").splitlines(), 1):
        m = include.match(line)
        if m and m.group(1) in TOP:
            broken.append(f"{path.relative_to(root.parent)}:{n}: {line.strip()}")
for b in broken:
    print(b)
print(f"floors: {len(broken)} includes from a lower floor into app/, browser/ or repair/")
sys.exit(1 if broken else 0)
