#!/usr/bin/env python3
"""Fails when a source file includes a header of a folder its layer may not use.

usage: check_layers.py layers.txt SOURCE_ROOT
Each '#include "a/b/C.h"' names the folder a/b under src/; a file in src/panels/wage may
include its own group (panels/wage) and what layers.txt allows for src/panels.
"""
import pathlib
import re
import sys

INCLUDE = re.compile(r'^\s*#\s*include\s*([<"])([^>"]+)[>"]', re.M)


def read_rules(path):
    allowed, no_qt = {}, []
    for line in pathlib.Path(path).read_text(encoding="utf-8").splitlines():
        words = line.split("#", 1)[0].split()
        if not words:
            continue
        if words[0] == "no-qt":
            no_qt += words[1:]
        else:
            allowed[words[0]] = [w for w in words[1:] if w != "-"]
    return allowed, no_qt


def rule_for(folder, allowed):
    """The most specific folder of the rules that holds `folder`."""
    best = None
    for key in allowed:
        if folder == key or folder.startswith(key + "/"):
            if best is None or len(key) > len(best):
                best = key
    return best


def main():
    allowed, no_qt = read_rules(sys.argv[1])
    root = pathlib.Path(sys.argv[2])
    faults = []
    files = [f for top in ("src", "tests", "bench", "fuzz") for f in sorted((root / top).glob("**/*"))]
    for file in files:
        if file.suffix not in (".cpp", ".h"):
            continue
        rel = file.relative_to(root).as_posix()
        folder = rel.rsplit("/", 1)[0]
        key = rule_for(folder, allowed)
        if key is None:
            faults.append(f"{rel}: its folder has no line in layers.txt")
            continue
        # A file may use its own folder and the folders inside it (a panel its own group).
        own = folder[len("src/"):] if folder.startswith("src/") else None
        may = allowed[key]
        qt_free = any(folder == f or folder.startswith(f + "/") for f in no_qt)
        text = file.read_text(encoding="utf-8", errors="replace")
        for number, (kind, name) in enumerate(INCLUDE.findall(text), 1):
            if kind == "<":
                if qt_free and re.match(r"Q[A-Za-z]|Qt", name):
                    faults.append(f"{rel}: includes Qt's <{name}>, which this layer may not use")
                continue
            if "/" not in name:
                continue  # a file of its own folder
            target = name.rsplit("/", 1)[0]
            if own and (target == own or target.startswith(own + "/")):
                continue
            if not any(target == m or target.startswith(m + "/") for m in may):
                faults.append(f'{rel}: includes "{name}", but {key} may include only: '
                              + (" ".join(may) or "its own folder"))
    for fault in faults:
        print(fault)
    if faults:
        print(f"{len(faults)} include(s) against the layers; see tests/layering/layers.txt")
        return 1
    print("every include follows the layers")
    return 0


if __name__ == "__main__":
    sys.exit(main())
