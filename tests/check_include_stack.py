#!/usr/bin/python3
"""Fails when a file in src/ includes a folder above its own in the stack
shared < holidays < events < preferences < calendar < menubar < app."""

import pathlib
import re
import sys

STACK = ["shared", "holidays", "events", "preferences", "calendar", "menubar", "app"]

# Includes still pointing up, each waiting for its file to move; this list only shrinks.
ALLOWED = {
}

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
    found = set(violations(src))
    failed = False
    for file, target in sorted(found - ALLOWED):
        print(f"{file} includes {target}, which sits higher in the stack")
        failed = True
    # A stale entry only warns, so that moving a file never breaks this check.
    for file, target in sorted(ALLOWED - found):
        print(f"{file} no longer includes {target}: drop it from ALLOWED")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
