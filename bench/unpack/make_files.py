#!/usr/bin/env python3
"""Writes the files of a payload of the shipped shape: seven names at their exact sizes (divided
by --scale for a quick run), with content cut from the Windows DLLs that Wine installs, so that
they compress about as well as real programs do. The same machine gives the same bytes."""
import argparse
import pathlib

# Name and unpacked size of each file the launcher ships, in payload order.
SHIPPED = [
    ("Tarven.exe", 44_416_000),
    ("ffmpeg-LICENSE.txt", 7_651),
    ("ffmpeg.exe", 132_190_720),
    ("libcrypto-4-x64.dll", 7_428_608),
    ("libssl-4-x64.dll", 1_456_640),
    ("vcruntime140.dll", 176_488),
    ("vcruntime140_1.dll", 50_544),
]
PROGRAM_FOLDERS = ["/usr/lib/x86_64-linux-gnu/wine/x86_64-windows", "/usr/x86_64-w64-mingw32/lib"]
LICENSE_TEXT = "/usr/share/common-licenses/GPL-2"


def program_bytes():
    """Every DLL of the folders, sorted by path, one after another, for ever."""
    files = sorted(p for folder in PROGRAM_FOLDERS for p in pathlib.Path(folder).glob("*.dll") if p.is_file())
    if not files:
        raise SystemExit("make_files.py: no DLLs found in " + ", ".join(PROGRAM_FOLDERS))
    while True:
        for path in files:
            yield path.read_bytes()


def take(source, size, pending):
    out = bytearray(pending)
    while len(out) < size:
        out += next(source)
    return bytes(out[:size]), bytes(out[size:])


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("folder", type=pathlib.Path)
    parser.add_argument("--scale", type=int, default=1, help="divide every size by this")
    args = parser.parse_args()
    args.folder.mkdir(parents=True, exist_ok=True)
    source, pending = program_bytes(), b""
    license_text = pathlib.Path(LICENSE_TEXT).read_bytes()
    for name, size in SHIPPED:
        size //= args.scale
        if name.endswith(".txt"):
            content = (license_text * (size // len(license_text) + 1))[:size]
        else:
            content, pending = take(source, size, pending)
        (args.folder / name).write_bytes(content)


if __name__ == "__main__":
    main()
