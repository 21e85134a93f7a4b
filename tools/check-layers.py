#!/usr/bin/env python3
"""Checks the source tree's layers: a folder includes ("folder/File.h") only its own folder and
folders of lower layers, never two folders of one layer include each other, and nothing below
the shared window layer includes Qt.

Usage: check-layers.py [SOURCE_DIR]. Prints each offending include and exits 1."""
import pathlib
import re
import sys

# The layers from the ground up. A folder of a layer may include any folder of a lower layer;
# folders of one layer may include one another in one direction only, and those named together
# in INDEPENDENT not at all. A folder that is not there (yet) is no error.
LAYERS = [
    ["base"],
    ["exif", "filetime"],
    ["run"],
    ["view"],  # what the windows show of a run and its photos, without Qt
    ["ui"],
    ["photo", "about", "controls", "cli"],
    ["app", "win"],
]
# The Exif engine and the file times know nothing of each other.
INDEPENDENT = [{"exif", "filetime"}]
# The layers below it are standard C++ and system calls.
FIRST_QT_LAYER = "ui"
# The Windows face is the Windows API's own: no Qt, and nothing of the Qt face.
QT_FACE = {"ui", "photo", "about", "controls", "app"}
QT_FREE_FACES = {"win"}
LEVEL = {folder: n for n, layer in enumerate(LAYERS) for folder in layer}
INCLUDE = re.compile(r'^\s*#\s*include\s+"([A-Za-z0-9_]+)/[^"]+"')
QT_INCLUDE = re.compile(r"^\s*#\s*include\s+<Q[A-Za-z]")


def main() -> int:
    root = pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else ".")
    problems = []
    edges = {}  # (from, to) -> first place seen
    files = 0
    for folder in LEVEL:
        for path in sorted((root / folder).glob("**/*")):
            if path.suffix not in (".h", ".cpp", ".c", ".in"):
                continue
            files += 1
            for number, line in enumerate(path.read_text(errors="replace").splitlines(), 1):
                where = f"{path.relative_to(root)}:{number}"
                if QT_INCLUDE.match(line) and LEVEL[folder] < LEVEL[FIRST_QT_LAYER]:
                    problems.append(f"{where}: {folder}/ includes Qt, below {FIRST_QT_LAYER}/")
                if QT_INCLUDE.match(line) and folder in QT_FREE_FACES:
                    problems.append(f"{where}: {folder}/ includes Qt")
                m = INCLUDE.match(line)
                if not m or m.group(1) == folder:
                    continue
                target = m.group(1)
                if target not in LEVEL:
                    problems.append(f"{where}: includes {target}/, which is no layer")
                elif LEVEL[target] > LEVEL[folder]:
                    problems.append(f"{where}: {folder}/ includes {target}/, a layer above it")
                elif folder in QT_FREE_FACES and target in QT_FACE:
                    problems.append(f"{where}: {folder}/ includes {target}/ of the Qt face")
                elif {folder, target} in INDEPENDENT:
                    problems.append(f"{where}: {folder}/ includes {target}/; they are independent")
                else:
                    edges.setdefault((folder, target), where)
    for (a, b), where in sorted(edges.items()):
        if LEVEL[a] == LEVEL[b] and (b, a) in edges and a < b:
            problems.append(f"{where} and {edges[(b, a)]}: {a}/ and {b}/ include each other")
    if files == 0:
        problems.append(f"no source files under {root}: not the source tree")
    for p in problems:
        print(p)
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
