#!/usr/bin/env python3
"""Makes a folder of the shipped payload's shape for pack benchmarks: seven files of the shipped
names and sizes, the programs made of Windows DLLs from Debian's Wine, the licence a text.

Usage: make_shipped_shape.py OUT_DIR [DLL_DIR]
"""
import itertools
import os
import sys

SHAPE = [
    ("Tarven.exe", 44_416_000),
    ("ffmpeg-LICENSE.txt", 7_651),
    ("ffmpeg.exe", 132_190_720),
    ("libcrypto-4-x64.dll", 7_428_608),
    ("libssl-4-x64.dll", 1_456_640),
    ("vcruntime140.dll", 176_488),
    ("vcruntime140_1.dll", 50_544),
]


def pieces(folder):
    """The folder's DLLs in name order, for ever."""
    names = sorted(n for n in os.listdir(folder) if n.endswith(".dll"))
    for name in itertools.cycle(names):
        with open(os.path.join(folder, name), "rb") as f:
            yield f.read()


def main():
    out = sys.argv[1]
    source = pieces(sys.argv[2] if len(sys.argv) > 2 else "/usr/lib/x86_64-linux-gnu/wine/x86_64-windows")
    os.makedirs(out, exist_ok=True)
    with open("/usr/share/common-licenses/GPL-2", "rb") as f:
        licence = f.read()
    for name, size in SHAPE:
        content = b""
        if name.endswith(".txt"):
            content = licence[:size]
        while len(content) < size:
            content += next(source)
        with open(os.path.join(out, name), "wb") as f:
            f.write(content[:size])


if __name__ == "__main__":
    main()
