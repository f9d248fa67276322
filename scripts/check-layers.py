#!/usr/bin/env python3
"""Fails when a source file under src/ includes a header of a layer its own layer may not use.

The layer map is the one the build writes (<build dir>/layers.txt, one "folder: used folders"
line per layer, from src/CMakeLists.txt), so the check and the linked libraries cannot disagree.
A layer may use the layers it names and, through them, everything they may use.
"""
import pathlib
import re
import sys

INCLUDE = re.compile(r'^\s*#\s*include\s*"([^"]+)"', re.MULTILINE)
QT_INCLUDE = re.compile(r'^\s*#\s*include\s*<(Q[A-Za-z]*|Qt[A-Za-z]*/[^>]*)>')
# Only the window's folders may use Qt.
QT_FOLDERS = ("ui", "app")


def read_map(path):
    layers = {}
    for line in pathlib.Path(path).read_text().splitlines():
        if not line.strip():
            continue
        folder, _, uses = line.partition(":")
        layers[folder.strip()] = uses.split()
    return layers


def closure(layers, folder):
    """The folders `folder` may include from, itself among them."""
    seen = {folder}
    todo = [folder]
    while todo:
        for used in layers.get(todo.pop(), []):
            if used not in seen:
                seen.add(used)
                todo.append(used)
    return seen


def layer_of(folders, relative):
    matches = [f for f in folders if relative == f or relative.startswith(f + "/")]
    return max(matches, key=len) if matches else None


def main():
    if len(sys.argv) != 3:
        print("usage: check-layers.py <build dir>/layers.txt <source dir>/src", file=sys.stderr)
        return 2
    layers = read_map(sys.argv[1])
    src = pathlib.Path(sys.argv[2])
    problems = []
    checked = 0
    for path in sorted(src.rglob("*")):
        if path.suffix not in (".h", ".cpp") or not path.is_file():
            continue
        relative = path.relative_to(src).as_posix()
        own = layer_of(layers, relative.rsplit("/", 1)[0])
        if own is None:
            problems.append(f"{relative}: its folder belongs to no layer in src/CMakeLists.txt")
            continue
        allowed = closure(layers, own)
        checked += 1
        qt_allowed = relative.split("/")[0] in QT_FOLDERS
        for number, line in enumerate(path.read_text(errors="replace").splitlines(), 1):
            if not qt_allowed and QT_INCLUDE.match(line):
                problems.append(f"src/{relative}:{number}: the {own} layer is Qt-free")
                continue
            match = INCLUDE.match(line)
            if not match:
                continue
            target = layer_of(layers, match.group(1).rsplit("/", 1)[0])
            if target is not None and target not in allowed:
                problems.append(f"src/{relative}:{number}: the {own} layer may not include "
                                f"\"{match.group(1)}\" of the {target} layer")
    for problem in problems:
        print(problem)
    print(f"layer includes: {checked} files checked, {len(problems)} problems")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
