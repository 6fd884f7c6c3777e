#!/usr/bin/env python3
"""Fails on an include that leaves the module graph, and on Win32 headers outside `_win` files.

A module may include its own headers and those of the modules it depends on, nothing else: no
include goes up the graph or sideways. A file that includes a Win32 header (or a `_win` header)
ends in `_win` itself, so that the platform-neutral files build natively.
"""
import os
import re
import subprocess
import sys
from pathlib import Path, PurePosixPath

# The modules under src/ and the modules each may include. Keep in step with the libraries in
# CMakeLists.txt and cmake/windows.cmake, and with the README's layout table.
MODULES = {
    "base": set(),
    "words": set(),
    "payload": {"base", "words"},
    "desk": {"base"},
    "events": {"base"},
    "supervise": {"base", "words", "payload", "desk", "events"},
    "window": {"base", "words", "desk", "events"},
    "smoke": {"base", "words", "payload", "desk", "events", "supervise"},
    "bin/tarven-help": {"base", "words", "payload", "desk", "events", "supervise", "window", "smoke"},
}
# Quoted includes that are no module's headers: files the build generates.
GENERATED = {"unicode_tables.inc"}
WIN32_HEADERS = re.compile(
    r"(windows|winsock2|ws2tcpip|ole2|objbase|objidl|oaidl|unknwn|shellapi|shlobj|shellscalingapi|sddl|aclapi|"
    r"dwmapi|winternl|winnt|winbase|winuser|wingdi|winreg|winerror|processthreadsapi|synchapi|fileapi|handleapi|"
    r"ntstatus|uxtheme|commctrl|psapi|tlhelp32|userenv|shlwapi|winver)\.h",
    re.IGNORECASE)
# The Windows test programs: Windows-only by their folder.
WINDOWS_ONLY_FOLDERS = ("tests/win/", "tests/e2e/")

INCLUDE = re.compile(r'^\s*#\s*include\s*([<"])([^>"]+)[>"]')


def module_of(path):
    """The module a path under src/ (without the prefix) belongs to, or None."""
    return next((m for m in MODULES if path == m or path.startswith(m + "/")), None)


def is_win(path):
    return PurePosixPath(path).stem.endswith("_win")


def check_file(path, text):
    problems = []
    source_module = module_of(path[len("src/"):]) if path.startswith("src/") else None
    if path.startswith("src/") and source_module is None:
        problems.append(f"{path}: not in any module")
    windows_only = is_win(path) or path.startswith(WINDOWS_ONLY_FOLDERS)
    for number, line in enumerate(text.splitlines(), 1):
        match = INCLUDE.match(line)
        if not match:
            continue
        kind, name = match.groups()
        where = f"{path}:{number}: {name}"
        if kind == "<":
            if WIN32_HEADERS.fullmatch(name) or name.lower().startswith("wrl/"):
                if not windows_only:
                    problems.append(f"{where}: a Win32 header in a file whose name does not end in _win")
            continue
        if is_win(name) and not windows_only:
            problems.append(f"{where}: a _win header in a file whose name does not end in _win")
        if source_module is None or name in GENERATED:
            continue
        target = module_of(name)
        if target is None:
            problems.append(f"{where}: names no module (include from the src root: \"module/file.h\")")
        elif target != source_module and target not in MODULES[source_module]:
            problems.append(f"{where}: {source_module} may not include {target}")
    return problems


def main():
    os.chdir(Path(__file__).resolve().parent.parent)
    files = subprocess.run(["git", "ls-files", "*.c", "*.cpp", "*.h"], capture_output=True, text=True,
                           check=True).stdout.split()
    problems = []
    for path in files:
        with open(path, encoding="utf-8", errors="replace") as f:
            problems += check_file(path, f.read())
    for problem in problems:
        print(problem, file=sys.stderr)
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
