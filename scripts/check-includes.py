#!/usr/bin/env python3
"""Fails on an include that leaves the module graph, on Win32 headers outside `_win` files, and on
docs that draw another graph than the build declares.

Each module declares itself once, in src/<module>/CMakeLists.txt: `tarven_module(NAME <module>
USES <modules> SOURCES ... WIN_SOURCES ...)`. A module may include its own headers and those of the
modules it uses, nothing else: no include goes up the graph or sideways. A file that includes a
Win32 header (or a `_win` header) ends in `_win` itself, so that the platform-neutral files build
natively; the Windows build alone takes WIN_SOURCES. The README's layout table ("May use") and the
graph at a glance in docs/ARCHITECTURE.md must say what the declarations say.
"""
import os
import re
import subprocess
import sys
from pathlib import Path, PurePosixPath

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


# --- The declarations -------------------------------------------------------------------------

KEYWORDS = {"NAME", "LIBRARY", "ENTRY", "USES", "SOURCES", "WIN_SOURCES", "WIN_LIBS", "PRIVATE_LIBS"}
DECLARATION = re.compile(r"\btarven_module\s*\(([^)]*)\)")


def declaration_arguments(text):
    """The keyword arguments of the one tarven_module() call of a CMakeLists.txt, or None."""
    text = re.sub(r"#[^\n]*", "", text)
    calls = DECLARATION.findall(text)
    if len(calls) != 1:
        return None
    arguments, keyword = {}, None
    for word in calls[0].split():
        if word in KEYWORDS:
            keyword = word
            arguments.setdefault(keyword, [])
        elif keyword is not None:
            arguments[keyword].append(word)
    return arguments


def read_modules(files):
    """{module: set of modules it uses} from src/**/CMakeLists.txt, and the problems found there."""
    modules, problems = {}, []
    for path in sorted(f for f in files if f.startswith("src/") and f.endswith("/CMakeLists.txt")):
        folder = path[len("src/"):-len("/CMakeLists.txt")]
        arguments = declaration_arguments(Path(path).read_text(encoding="utf-8"))
        if arguments is None or arguments.get("NAME") != [folder]:
            problems.append(f"{path}: needs one tarven_module(NAME {folder} ...)")
            continue
        modules[folder] = set(arguments.get("USES", []))
        for name in arguments.get("SOURCES", []):
            if is_win(name):
                problems.append(f"{path}: {name} is a _win file; it goes under WIN_SOURCES")
        for name in arguments.get("WIN_SOURCES", []):
            if not is_win(name):
                problems.append(f"{path}: {name} is platform-neutral; it goes under SOURCES")
        listed = set(arguments.get("SOURCES", []) + arguments.get("WIN_SOURCES", []) + arguments.get("ENTRY", []))
        for source in files:
            if source.startswith(f"src/{folder}/") and source.endswith(".cpp"):
                if "/" not in source[len(f"src/{folder}/"):] and source[len(f"src/{folder}/"):] not in listed:
                    problems.append(f"{path}: {source} is in no SOURCES, WIN_SOURCES or ENTRY")
    for module, uses in modules.items():
        for used in sorted(uses - modules.keys()):
            problems.append(f"src/{module}/CMakeLists.txt: uses {used}, which is no module")
    problems += cycles(modules)
    return modules, problems


def cycles(modules):
    """A problem for each module that reaches itself through the graph."""
    def reach(module, seen):
        for used in modules.get(module, ()):
            if used not in seen:
                seen.add(used)
                reach(used, seen)
        return seen
    return [f"src/{m}/CMakeLists.txt: {m} uses itself through the graph" for m in modules if m in reach(m, set())]


# --- The docs ----------------------------------------------------------------------------------

def names(text):
    return {name.strip().strip("`") for name in text.split(",") if name.strip()}


def readme_graph(text):
    """{module: uses} from the README's layout table; "—" uses nothing, "all of the above" every
    module of the rows above."""
    graph, above = {}, set()
    section = text.split("\n## Layout\n", 1)[-1].split("\n## ", 1)[0]
    for line in section.splitlines():
        cells = [cell.strip() for cell in line.strip().strip("|").split("|")]
        if len(cells) != 3 or not cells[0].startswith("`src/"):
            continue
        module = cells[0].strip("`")[len("src/"):]
        uses = cells[2]
        graph[module] = set(above) if uses == "all of the above" else set() if uses == "—" else names(uses)
        above.add(module)
    return graph


def architecture_graph(text):
    """{module: uses} from the graph at a glance of docs/ARCHITECTURE.md: lines of module names,
    then after two spaces what they use; "everything below", "nothing"."""
    section = text.split("\n## Modules\n", 1)[-1]
    block = section.split("```", 2)[1] if section.count("```") >= 2 else ""
    rows = [re.split(r"\s{2,}", line.strip(), maxsplit=1) for line in block.splitlines()[1:] if line.strip()]
    graph = {}
    for i, row in enumerate(rows):
        uses = row[1] if len(row) > 1 else ""
        below = {module for later in rows[i + 1:] for module in later[0].split()}
        for module in row[0].split():
            graph[module] = below if uses == "everything below" else set() if uses == "nothing" else names(uses)
    return graph


def compare_graphs(where, documented, modules):
    problems = []
    for module in sorted(modules.keys() | documented.keys()):
        if module not in documented:
            problems.append(f"{where}: says nothing of the module {module}")
        elif module not in modules:
            problems.append(f"{where}: names {module}, which no src/*/CMakeLists.txt declares")
        elif documented[module] != modules[module]:
            problems.append(f"{where}: {module} uses {', '.join(sorted(documented[module])) or 'nothing'} there, "
                            f"but src/{module}/CMakeLists.txt declares {', '.join(sorted(modules[module])) or 'nothing'}")
    return problems


def check_docs(modules):
    readme = Path("README.md").read_text(encoding="utf-8")
    architecture = Path("docs/ARCHITECTURE.md").read_text(encoding="utf-8")
    return (compare_graphs("README.md (Layout, May use)", readme_graph(readme), modules) +
            compare_graphs("docs/ARCHITECTURE.md (Modules, at a glance)", architecture_graph(architecture), modules))


# --- The includes ------------------------------------------------------------------------------

def module_of(modules, path):
    """The module a path under src/ (without the prefix) belongs to, or None."""
    return next((m for m in modules if path == m or path.startswith(m + "/")), None)


def is_win(path):
    return PurePosixPath(path).stem.endswith("_win")


def check_file(modules, path, text):
    problems = []
    source_module = module_of(modules, path[len("src/"):]) if path.startswith("src/") else None
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
        target = module_of(modules, name)
        if target is None:
            problems.append(f"{where}: names no module (include from the src root: \"module/file.h\")")
        elif target != source_module and target not in modules[source_module]:
            problems.append(f"{where}: {source_module} may not include {target}")
    return problems


def main():
    os.chdir(Path(__file__).resolve().parent.parent)
    # Tracked files and new ones not ignored: a module being added is checked before its commit.
    files = subprocess.run(["git", "ls-files", "--cached", "--others", "--exclude-standard"], capture_output=True,
                           text=True, check=True).stdout.split("\n")
    files = [f for f in files if f and Path(f).exists()]
    modules, problems = read_modules(files)
    problems += check_docs(modules)
    for path in files:
        if PurePosixPath(path).suffix in (".c", ".cpp", ".h"):
            with open(path, encoding="utf-8", errors="replace") as f:
                problems += check_file(modules, path, f.read())
    for problem in problems:
        print(problem, file=sys.stderr)
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
