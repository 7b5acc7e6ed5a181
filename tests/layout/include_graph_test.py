#!/usr/bin/env python3
"""The source tree's shape, read from its #include lines.

Every folder includes only itself and folders below it, in the order of LAYERS, and no
two files include each other, directly or round a longer circle (a header and its own
source file count as one unit). Prints each fault and exits 1 when there is one."""

import pathlib
import re
import sys

# Lowest first.
LAYERS = ["platform", "pixels", "shapes", "presets", "engine", "export",
          "controls", "dialogs", "editor", "app", "tools"]
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.MULTILINE)


def unit_of(path):
    """A header and its source file are one unit: the path without its extension."""
    return str(path.with_suffix(""))


def main(root):
    root = pathlib.Path(root)
    faults = []
    edges = {}
    for layer in LAYERS:
        for path in sorted((root / layer).rglob("*")):
            if path.suffix not in (".h", ".cpp"):
                continue
            relative = path.relative_to(root)
            unit = unit_of(relative)
            for target in INCLUDE.findall(path.read_text(errors="replace")):
                folder = target.split("/")[0]
                if folder not in LAYERS:
                    continue
                if LAYERS.index(folder) > LAYERS.index(layer):
                    faults.append(f"{relative} reaches up to {target}")
                target_unit = unit_of(pathlib.Path(target))
                if target_unit != unit:
                    edges.setdefault(unit, set()).add(target_unit)

    # Circles between units: a depth-first walk that meets a unit still on its path.
    state = {}
    path = []

    def walk(unit):
        state[unit] = "open"
        path.append(unit)
        for target in sorted(edges.get(unit, ())):
            if state.get(target) == "open":
                circle = path[path.index(target):] + [target]
                faults.append("include circle: " + " -> ".join(circle))
            elif target not in state:
                walk(target)
        path.pop()
        state[unit] = "done"

    sys.setrecursionlimit(10000)
    for unit in sorted(edges):
        if unit not in state:
            walk(unit)

    for fault in faults:
        print(fault)
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1] if len(sys.argv) > 1 else pathlib.Path(__file__).resolve().parents[2]))
