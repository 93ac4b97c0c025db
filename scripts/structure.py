#!/usr/bin/env python3
"""Measures of the code's structure, from the sources and a configured build.

    scripts/structure.py [build-dir]      (default: build)

Prints:
  - processEvents() calls outside the one wait helper, and raw QEventLoop uses;
  - folders holding files of both targets (the engine, which mp3vortan-cli links, and the
    windows), told apart by the object files the build made for each target;
  - include cycles between folders (strongly connected folders of the include graph);
  - the largest files and functions (a function's lines run from the first line of its
    signature, however it is wrapped, to the brace that closes its body, as universal-ctags
    finds them; lambdas count within the function that holds them).
"""
import collections
import json
import os
import re
import shutil
import subprocess
import sys

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
SRC = os.path.join(ROOT, "src")
WAIT_HELPER = ("engine/core/eventwait.cpp",)


def sources(root=SRC):
    """(path relative to `root`, text) of every C++ source and header under `root`."""
    for folder, _, names in os.walk(root):
        for name in sorted(names):
            if name.endswith((".cpp", ".h")):
                path = os.path.join(folder, name)
                with open(path, encoding="utf-8") as source:
                    yield os.path.relpath(path, root), source.read()


def event_loops(files):
    print("processEvents() outside the wait helper, and raw QEventLoop:")
    count = 0
    for path, text in files:
        for number, line in enumerate(text.splitlines(), 1):
            code = line.split("//", 1)[0]
            if "processEvents(" in code and not path.endswith(WAIT_HELPER):
                count += 1
                print(f"  {path}:{number}: {line.strip()}")
            elif re.search(r"\bQEventLoop\b\s+\w", code) and not path.endswith(WAIT_HELPER):
                print(f"  {path}:{number}: {line.strip()}  (QEventLoop)")
    print(f"  processEvents calls: {count}")


def targets_of(build):
    """Source folder -> set of targets that compile a file of it."""
    owners = collections.defaultdict(set)
    for target in ("vortan_engine", "vortan_gui"):
        objects = os.path.join(build, "CMakeFiles", target + ".dir", "src")
        for folder, _, names in os.walk(objects):
            for name in names:
                if name.endswith(".cpp.o"):
                    rel = os.path.relpath(os.path.join(folder, name[: -len(".o")]), objects)
                    owners[rel].add(target)
    return owners


def mixed_folders(build):
    owners = targets_of(build)
    if not owners:
        print(f"(no object files under {build}: build first to count mixed folders)")
        return
    by_folder = collections.defaultdict(set)
    for path, targets in owners.items():
        by_folder[os.path.dirname(path)] |= targets
    mixed = sorted(f for f, t in by_folder.items() if len(t) > 1)
    print(f"Folders holding files of both targets: {len(mixed)}")
    for folder in mixed:
        print(f"  {folder}")


def include_cycles(files):
    graph = collections.defaultdict(set)
    known = {path for path, _ in files}
    for path, text in files:
        here = os.path.dirname(path)
        for included in re.findall(r'^#include "([^"]+)"', text, re.M):
            target = included if included in known else os.path.normpath(
                os.path.join(here, included))
            if target in known and os.path.dirname(target) != here:
                graph[here].add(os.path.dirname(target))
    # Tarjan's strongly connected components.
    index, low, stack, on_stack, components = {}, {}, [], set(), []

    def visit(node):
        index[node] = low[node] = len(index)
        stack.append(node)
        on_stack.add(node)
        for nxt in sorted(graph[node]):
            if nxt not in index:
                visit(nxt)
                low[node] = min(low[node], low[nxt])
            elif nxt in on_stack:
                low[node] = min(low[node], index[nxt])
        if low[node] == index[node]:
            component = []
            while True:
                top = stack.pop()
                on_stack.discard(top)
                component.append(top)
                if top == node:
                    break
            if len(component) > 1:
                components.append(sorted(component))

    for node in sorted(list(graph)):
        if node not in index:
            visit(node)
    print(f"Include cycles between folders: {len(components)}")
    for component in components:
        print("  " + " <-> ".join(component))


def function_sizes(files, root=SRC):
    """(lines, "path:line name") of every function defined in `files` (paths relative to
    `root`), by ctags, or None when universal-ctags is not installed."""
    ctags = shutil.which("ctags")
    if not ctags:
        return None
    version = subprocess.run([ctags, "--version"], capture_output=True, text=True).stdout
    if "Universal Ctags" not in version:
        return None
    paths = [os.path.join(root, path) for path, _ in files]
    listing = subprocess.run(
        [ctags, "--output-format=json", "--fields=+ne", "--kinds-C++=f", "--language-force=C++",
         "-f", "-"] + paths, capture_output=True, text=True, check=True).stdout
    functions = []
    for line in listing.splitlines():
        tag = json.loads(line)
        name = tag.get("name", "")
        if tag.get("_type") != "tag" or "end" not in tag or name.startswith("__anon"):
            continue  # lambdas are part of the function that holds them
        scope = [part for part in tag.get("scope", "").split("::")
                 if part and not part.startswith("__anon")]
        qualified = "::".join(scope + [name])
        where = os.path.relpath(tag["path"], root)
        functions.append((tag["end"] - tag["line"] + 1, f"{where}:{tag['line']} {qualified}"))
    return functions


def largest(files, shown=5, root=SRC):
    sizes = sorted(((len(t.splitlines()), p) for p, t in files), reverse=True)
    print("Largest files (lines):")
    for lines, path in sizes[:shown]:
        print(f"  {lines:5d} {path}")
    functions = function_sizes(files, root)
    if functions is None:
        print("(universal-ctags is not installed: scripts/install-deps.sh installs it to measure"
              " functions)")
        return
    functions.sort(reverse=True)
    print("Largest functions (lines):")
    for lines, where in functions[:shown]:
        print(f"  {lines:5d} {where}")


def main():
    build = sys.argv[1] if len(sys.argv) > 1 else os.path.join(ROOT, "build")
    files = list(sources())
    event_loops(files)
    mixed_folders(build)
    include_cycles(files)
    largest(files, shown=8)


if __name__ == "__main__":
    main()
