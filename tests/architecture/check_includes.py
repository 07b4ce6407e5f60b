#!/usr/bin/env python3
"""Fails when a source folder includes a folder, or a Qt module, that the table in
docs/ARCHITECTURE.md does not allow it.

Every library shares the include root src/, so an include that points up or sideways
compiles silently; this check is what keeps the arrows pointing down.

Usage: check_includes.py <repository root> <Qt include root>
"""
import pathlib
import re
import sys

ROW = re.compile(r"^\|\s*`(\w+)`\s*\|([^|]*)\|([^|]*)\|")
NAME = re.compile(r"`([\w]+)`")
INCLUDE = re.compile(r'^\s*#\s*include\s*([<"])([^>"]+)[>"]', re.M)
QT_MODULES = ("QtCore", "QtGui", "QtWidgets", "QtSvg", "QtTest")


def allowed_graph(architecture):
    """{folder: (folders it may include, Qt modules it may include)} from the table."""
    graph = {}
    for line in architecture.read_text(encoding="utf-8").splitlines():
        m = ROW.match(line)
        if m:
            graph[m.group(1)] = (set(NAME.findall(m.group(2))), set(NAME.findall(m.group(3))))
    return graph


def qt_module_of(header, qt_root):
    for module in QT_MODULES:
        if (qt_root / module / header).exists():
            return module
    return None


def problems(root, qt_root, graph):
    src = root / "src"
    folders = sorted(p.name for p in src.iterdir() if p.is_dir())
    for folder in folders:
        if folder not in graph:
            yield f"src/{folder}/ is not in the table of docs/ARCHITECTURE.md"
            continue
        may_use, modules = graph[folder]
        for path in sorted((src / folder).rglob("*")):
            if path.suffix not in (".h", ".cpp"):
                continue
            rel = path.relative_to(root)
            for kind, target in INCLUDE.findall(path.read_text(encoding="utf-8")):
                if kind == '"':
                    top = target.split("/")[0] if "/" in target else None
                    if top is None and not target.endswith(".moc"):
                        yield f"{rel}: \"{target}\" is not written as \"folder/header.h\""
                    elif top not in (None, folder) and top not in may_use:
                        yield f"{rel}: includes {target}, but {folder} may not use {top}"
                else:
                    module = qt_module_of(target, qt_root)
                    if module and module not in modules:
                        yield f"{rel}: includes <{target}> of {module}, not allowed in {folder}"


def main():
    root, qt_root = pathlib.Path(sys.argv[1]), pathlib.Path(sys.argv[2])
    graph = allowed_graph(root / "docs" / "ARCHITECTURE.md")
    if not graph:
        print("no dependency table found in docs/ARCHITECTURE.md")
        return 1
    found = list(problems(root, qt_root, graph))
    for p in found:
        print(p)
    print(f"{len(graph)} folders checked, {len(found)} problem(s)")
    return 1 if found else 0


if __name__ == "__main__":
    sys.exit(main())
