#!/usr/bin/env python3
"""Fails on an #include "..." that reaches up a layer.

Layers, lowest first; a file may include its own layer and those below it.
The order inside kit/ is the one kit/README.md describes.
"""
import os
import re
import sys

LAYERS = [
    "platform",
    "kit/foundation",
    "kit/model",
    "kit/filters",
    "kit/parsers",
    "kit/render",
    "kit/storage",
    "app",
]
# Widgets stand in for platform views; only the program may use them.
WIDGET_FOLDER = "platform/ui"
ROOTS = ("platform", "kit", "app")
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"')


def layer_of(path):
    """The index of the layer a repository path belongs to, or None."""
    best = None
    for index, prefix in enumerate(LAYERS):
        if path == prefix or path.startswith(prefix + "/"):
            if best is None or len(prefix) > len(LAYERS[best]):
                best = index
    return best


def check_file(root, path):
    problems = []
    own = layer_of(path)
    with open(os.path.join(root, path), encoding="utf-8", errors="replace") as source:
        for number, line in enumerate(source, 1):
            match = INCLUDE.match(line)
            if not match:
                continue
            target = match.group(1)
            if "/" not in target:
                continue  # a file beside this one
            other = layer_of(target)
            if other is None:
                continue
            if other > own:
                problems.append(f"{path}:{number}: includes {target}: "
                                f"{LAYERS[own]} may not include {LAYERS[other]} (a layer above it)")
            elif target.startswith(WIDGET_FOLDER + "/") and not (
                    path.startswith(WIDGET_FOLDER + "/") or path.startswith("app/")):
                problems.append(f"{path}:{number}: includes {target}: "
                                f"only {WIDGET_FOLDER} and app/ may use the widget layer")
    return problems


def main():
    root = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), ".."))
    problems = []
    checked = 0
    for top in ROOTS:
        for folder, _, files in os.walk(os.path.join(root, top)):
            for name in sorted(files):
                if not name.endswith((".h", ".cpp")):
                    continue
                path = os.path.relpath(os.path.join(folder, name), root)
                if layer_of(path) is None:
                    problems.append(f"{path}: lies in no layer; add its folder to scripts/check_layers.py")
                    continue
                checked += 1
                problems.extend(check_file(root, path))
    for problem in problems:
        print(problem)
    if problems:
        print(f"layer check: {len(problems)} include(s) break the layer order")
        return 1
    print(f"layer check: {checked} files, every include goes down or stays in its layer")
    return 0


if __name__ == "__main__":
    sys.exit(main())
