#!/usr/bin/env python3
"""Packs the Windows test bundle from a Windows build: BUILD CTEST_JSON FILES_LIST OUT.zip.

CTEST_JSON is `ctest --show-only=json-v1` of BUILD, whose Windows tests run through the build's
Wine runner (wine-run.sh). Each of those goes into the bundle's tests.json as CTest lists it, with
the runner dropped and the build's paths made relative to the bundle; the programs, and the files
FILES_LIST names (the runner first), go into the zip at their places in the build folder, the
runner at its root. Tests that are no Windows program (they run on the build machine) are left
out, each named on the way.
"""
import json
import sys
import zipfile
from pathlib import Path, PurePosixPath

# Properties that tie a test to other CTest tests, which the bundle's runner does not have: the
# fixtures they name prepare Wine prefixes.
TIES = {"DEPENDS", "FIXTURES_REQUIRED", "FIXTURES_SETUP", "FIXTURES_CLEANUP"}


def relative(path, build):
    """A path inside the build folder, relative to it; None for any other path."""
    pure = PurePosixPath(path)
    try:
        return str(pure.relative_to(build))
    except ValueError:
        return None


def bundle_test(test, build, runner):
    """The test as the bundle lists it, or None when it is no Windows program."""
    command = test.get("command", [])
    if len(command) < 2 or command[0] != runner:
        return None
    program = relative(command[1], build)
    if program is None:
        sys.exit(f"pack-test-bundle: {test['name']}: {command[1]} is outside {build}")
    properties = []
    for prop in test.get("properties", []):
        if prop["name"] in TIES:
            continue
        if prop["name"] == "WORKING_DIRECTORY":
            prop = {"name": prop["name"], "value": relative(prop["value"], build) or ""}
        properties.append(prop)
    return {"name": test["name"], "command": [program] + command[2:], "properties": properties}


def main():
    if len(sys.argv) != 5:
        sys.exit("usage: pack-test-bundle.py BUILD CTEST_JSON FILES_LIST OUT.zip")
    build, listing, files_list, out = (Path(arg) for arg in sys.argv[1:])
    build = PurePosixPath(build.resolve())
    runner = str(build / "wine-run.sh")
    tests = []
    for test in json.loads(listing.read_text())["tests"]:
        entry = bundle_test(test, build, runner)
        if entry is None:
            print(f"pack-test-bundle: left out {test['name']}: it runs on the build machine")
        else:
            tests.append(entry)
    files = [line for line in files_list.read_text().splitlines() if line]
    places = {relative(path, build): path for path in files}
    if None in places:
        sys.exit(f"pack-test-bundle: {files_list} names a file outside {build}")
    for entry in tests:
        places.setdefault(entry["command"][0], str(build / entry["command"][0]))
    runner_program = relative(files[0], build)
    document = {"kind": "ctestInfo", "version": {"major": 1, "minor": 0}, "tests": tests}
    out.parent.mkdir(parents=True, exist_ok=True)
    with zipfile.ZipFile(out, "w", zipfile.ZIP_DEFLATED) as bundle:
        bundle.writestr("tests.json", json.dumps(document, indent=1) + "\n")
        bundle.write(files[0], PurePosixPath(runner_program).name)
        for place in sorted(places):
            if place != runner_program:
                bundle.write(places[place], place)
    print(f"pack-test-bundle: {len(tests)} tests, {len(places)} files in {out}")


if __name__ == "__main__":
    main()
