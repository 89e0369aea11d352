#!/usr/bin/env python3
"""The floors of src/: each folder has a floor, and a file includes only
from its own floor or the floors below it, so the folders' include graph has
no cycle. util and diag share the ground floor (the traced text helpers and
the trace use each other). Prints each include that breaks the rule and the
folder graph's cycles; exits 1 on any.

    tests/app/floors.py           check
    tests/app/floors.py --graph   also print every folder's includes
"""
import collections
import pathlib
import re
import sys

# From the ground up; folders on one line share a floor.
FLOORS = [
    ("util", "diag"),
    ("platform",),
    ("registry",),
    ("fs",),
    ("sysinfo",),
    ("hosted",),
    ("config",),
    ("forms",),
    ("process",),
    ("repair",),
    ("browser",),
    ("app",),
]
RANK = {folder: n for n, floor in enumerate(FLOORS) for folder in floor}

root = pathlib.Path(__file__).resolve().parents[2] / "src"
include = re.compile(r'^\s*#\s*include\s+"(\w+)/')
broken, edges = [], collections.defaultdict(set)
for path in sorted(root.rglob("*")):
    if path.suffix not in (".h", ".cpp", ".c"):
        continue
    here = path.relative_to(root).parts[0]
    if here not in RANK:
        broken.append(f"{path.relative_to(root.parent)}: folder {here}/ has no floor")
        continue
    for n, line in enumerate(path.read_text(encoding="utf-8", errors="replace").splitlines(), 1):
        m = include.match(line)
        if not m or m.group(1) == here:
            continue
        there = m.group(1)
        edges[here].add(there)
        if there not in RANK or RANK[there] > RANK[here]:
            broken.append(f"{path.relative_to(root.parent)}:{n}: {line.strip()} (floor {RANK.get(there)} "
                          f"from floor {RANK[here]})")


def cycles(graph):
    """The strongly connected sets of more than one folder (Tarjan)."""
    index, low, stack, on, out = {}, {}, [], set(), []

    def visit(v):
        index[v] = low[v] = len(index)
        stack.append(v)
        on.add(v)
        for w in sorted(graph.get(v, ())):
            if w not in index:
                visit(w)
                low[v] = min(low[v], low[w])
            elif w in on:
                low[v] = min(low[v], index[w])
        if low[v] == index[v]:
            group = []
            while True:
                w = stack.pop()
                on.discard(w)
                group.append(w)
                if w == v:
                    break
            if len(group) > 1:
                out.append(sorted(group))

    for v in sorted(graph):
        if v not in index:
            visit(v)
    return out


if "--graph" in sys.argv:
    for folder in sorted(edges, key=lambda f: (RANK.get(f, -1), f)):
        print(f"{folder} -> {', '.join(sorted(edges[folder], key=lambda f: (RANK.get(f, -1), f)))}")
ground = sorted(FLOORS[0])
found = [c for c in cycles(edges) if c != ground]
for b in broken:
    print(b)
for c in found:
    print("cycle: " + " -> ".join(c))
print(f"floors: {len(broken)} includes against the floors, {len(found)} cycles beyond the ground floor "
      f"({' + '.join(ground)})")
sys.exit(1 if broken or found else 0)
