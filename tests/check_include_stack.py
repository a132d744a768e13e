#!/usr/bin/python3
"""Fails when a file in src/ includes a folder above its own in the stack
shared < look < holidays < events < shortcut < preferences < calendar < menubar < app."""

import pathlib
import re
import sys

STACK = ["shared", "look", "holidays", "events", "shortcut", "preferences", "calendar", "menubar", "app"]

INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.MULTILINE)


def violations(src):
    for path in sorted(src.rglob("*")):
        if path.suffix not in (".h", ".cpp") or path.parent.parent != src:
            continue
        folder = path.parent.name
        if folder not in STACK:
            continue
        for target in INCLUDE.findall(path.read_text(encoding="utf-8")):
            top = target.split("/", 1)[0] if "/" in target else folder
            if top in STACK and STACK.index(top) > STACK.index(folder):
                yield f"{folder}/{path.name}", target


def main():
    src = pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else "src")
    failed = False
    for file, target in sorted(set(violations(src))):
        print(f"{file} includes {target}, which sits higher in the stack")
        failed = True
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
