#!/usr/bin/env python3
"""Prints the file map of src/ for docs/architecture.md: for each layer, in
order, each header with the first sentence of its opening comment.
    tools/file-map.py > /tmp/map.md   (then paste it under "The files")"""
import os
import re

LAYERS = ["base", "crystal", "io", "model", "geometry", "analysis", "output", "app"]
root = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "src")
for layer in LAYERS:
    print(f"### {layer}/\n")
    for name in sorted(os.listdir(os.path.join(root, layer))):
        if not name.endswith(".h"):
            continue
        comment = []
        for line in open(os.path.join(root, layer, name), encoding="utf-8"):
            if not line.startswith("//"):
                break
            comment.append(line[2:].strip())
        text = " ".join(comment)
        first = re.split(r"(?<=[.:;])\s", text, maxsplit=1)[0].rstrip(":;")
        print(f"- `{layer}/{name}`: {first}")
    print()
