#!/usr/bin/env python3
"""The source tree's dependency rules, read from its #include lines.

- No circle of includes between files: a header and the source of the same name count as one
  unit, since each stands for the other.
- No circle between the tool layer's folders (tool/*, cli, serve, python).
- The arrows of the table below, and no others: the plug-in and the stand-in host never include
  the tool layer; the library includes no face; a face includes no other face, except the
  command line's one call that starts the page's server.
- No folder of the tool layer holds more than 16 source files.

    tests/layout/check_layout.py [ROOT]      # exit 1 with one line per broken rule
"""

import pathlib
import re
import sys

ROOT = pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else __file__).resolve()
if ROOT.is_file():
    ROOT = ROOT.parent.parent.parent

SOURCES = (".h", ".cpp")
SKIP = {"build", ".git", "tests", "bench", "fuzz", "cmake", "docs"}
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.M)

# Who may include whom, by folder (the first two parts of a path under tool/, else the first).
# Folders not named here may include nothing of the project.
PLUGIN = {"pattern", "coords", "map", "plugin", "resources", "host"}
LIBRARY = ["tool/base", "tool/module", "tool/images", "tool/params", "tool/setup",
           "tool/sampling"]
ALLOWED = {
    # The pattern uses the SDK's texture utilities (texutil.h) and nothing else.
    "pattern": {"host"},
    "host": {"host"},
    "resources": {"resources", "host"},
    "coords": PLUGIN,
    "map": PLUGIN,
    "plugin": PLUGIN,
    "tool/base": {"host"},
    "tool/module": {"tool/base", "host", "resources", "plugin"},
    "tool/images": {"tool/base"},
    # OpenImageIO's part, a library of its own that tool/images loads at run time.
    "tool/image_library": {"tool/base", "tool/images"},
    "tool/params": {"tool/base", "host", "resources", "plugin"},
    "tool/setup": {"tool/base", "tool/module", "tool/images", "tool/params", "host", "plugin",
                   "map"},
    "tool/sampling": {"tool/base", "tool/images", "host", "plugin", "map"},
}
FACES = {"cli", "serve", "python"}
for face in FACES:
    ALLOWED[face] = set(LIBRARY) | {"host", "plugin", "map", "resources"}
# `quorv-scratches serve` starts the page's server through its one entry point.
FACE_ENTRIES = {("cli", "serve/serve_command.h")}
MAX_FILES = 16


def folder_of(path):
    parts = path.split("/")
    if parts[0] == "tool" and len(parts) > 2:
        return "/".join(parts[:2])
    return parts[0]


def unit_of(path):
    return str(pathlib.PurePosixPath(path).with_suffix(""))


def main():
    files = sorted(str(p.relative_to(ROOT)) for p in ROOT.rglob("*")
                   if p.suffix in SOURCES and p.is_file()
                   and not SKIP & set(p.relative_to(ROOT).parts[:1]))
    known = set(files)
    # Headers named without their folder resolve against the include folders of the build.
    by_name = {}
    for f in files:
        by_name.setdefault(pathlib.PurePosixPath(f).name, []).append(f)

    def resolve(included, src):
        if included in known:
            return included
        beside = str(pathlib.PurePosixPath(src).parent / included)
        if beside in known:
            return beside
        hits = [f for f in by_name.get(pathlib.PurePosixPath(included).name, [])
                if f.endswith("/" + included)]
        return hits[0] if len(hits) == 1 else None

    problems = []
    units, folders = {}, {}
    for src in files:
        text = (ROOT / src).read_text(errors="replace")
        for included in INCLUDE.findall(text):
            target = resolve(included, src)
            if target is None:
                continue  # a system, SDK or generated header
            a, b = folder_of(src), folder_of(target)
            if a != b:
                allowed = ALLOWED.get(a, set())
                if b not in allowed and (a, target) not in FACE_ENTRIES:
                    problems.append(f"{src} includes {target}: {a} may not use {b}")
                folders.setdefault(a, set()).add(b)
            if unit_of(src) != unit_of(target):
                units.setdefault(unit_of(src), set()).add(unit_of(target))

    tool_layer = set(LIBRARY) | FACES
    problems += [f"files in a circle of includes: {', '.join(c)}" for c in circles(units)]
    layer_graph = {a: {b for b in bs if b in tool_layer} for a, bs in folders.items()
                   if a in tool_layer}
    problems += [f"folders in a circle of includes: {', '.join(c)}" for c in circles(layer_graph)]

    for folder in sorted(tool_layer):
        count = sum(1 for f in files if folder_of(f) == folder)
        if count > MAX_FILES:
            problems.append(f"{folder} holds {count} source files (at most {MAX_FILES})")

    for p in problems:
        print(p)
    print(f"{len(files)} files, {sum(len(v) for v in units.values())} include arrows between "
          f"units: {len(problems)} broken rules")
    return 1 if problems else 0


def circles(graph):
    """One circle per strongly connected part of more than one node (Tarjan)."""
    index, low, stack, on, found = {}, {}, [], set(), []
    counter = [0]

    def visit(v):
        index[v] = low[v] = counter[0]
        counter[0] += 1
        stack.append(v)
        on.add(v)
        for w in sorted(graph.get(v, ())):
            if w not in index:
                visit(w)
                low[v] = min(low[v], low[w])
            elif w in on:
                low[v] = min(low[v], index[w])
        if low[v] == index[v]:
            part = []
            while True:
                w = stack.pop()
                on.discard(w)
                part.append(w)
                if w == v:
                    break
            if len(part) > 1:
                found.append(sorted(part))

    sys.setrecursionlimit(10000)
    for v in sorted(graph):
        if v not in index:
            visit(v)
    return found


if __name__ == "__main__":
    sys.exit(main())
