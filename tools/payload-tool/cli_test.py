#!/usr/bin/env python3
"""End-to-end test of tarven-payload: pack, list, verify, damage and refused names.

Usage: cli_test.py TARVEN_PAYLOAD WORK_DIR
"""
import os
import shutil
import struct
import subprocess
import sys
import zlib

TOOL = sys.argv[1]
WORK = sys.argv[2]
failures = []


def run(*args):
    return subprocess.run([TOOL, *args], capture_output=True)


def check(condition, what, result=None):
    if not condition:
        detail = ""
        if result is not None:
            detail = f"\n  exit {result.returncode}\n  stdout {result.stdout!r}\n  stderr {result.stderr!r}"
        failures.append(what + detail)
        print("FAIL:", what + detail)


def folder(name, files):
    path = os.path.join(WORK, name)
    os.makedirs(path)
    for file_name, content in files.items():
        with open(os.path.join(os.fsencode(path), file_name), "wb") as f:
            f.write(content)
    return path


def parse(payload):
    """Reads the records independently of the tool: (name, unpacked, stream, offset)."""
    records, offset = [], 0
    while offset < len(payload):
        (n,) = struct.unpack_from("<H", payload, offset)
        name = payload[offset + 2 : offset + 2 + n]
        u, z = struct.unpack_from("<QQ", payload, offset + 2 + n)
        stream = payload[offset + 18 + n : offset + 18 + n + z]
        records.append((name, u, stream, offset))
        offset += 18 + n + z
    assert offset == len(payload)
    return records


def read(path):
    with open(path, "rb") as f:
        return f.read()


def write(path, data):
    with open(path, "wb") as f:
        f.write(data)


FILES = {
    b"Tarven.exe": b"MZ" + bytes(range(256)) * 400,
    b"b c.txt": b"hello " * 1000,
    b"empty": b"",
    "na\u00efve.json".encode(): b'{"x": 1}',
    b"A-upper": b"sorted before lower case by bytes",
}


def test_pack_list_verify():
    src = folder("src", FILES)
    out = os.path.join(WORK, "out.bin")
    result = run("pack", "--output", out, "--dir", src)
    check(result.returncode == 0, "pack --dir succeeds", result)
    payload = read(out)
    records = parse(payload)
    names = [r[0] for r in records]
    check(names == sorted(FILES), f"records sorted by name bytes: {names}")
    for name, unpacked, stream, _ in records:
        check(stream[:2] == b"\x78\xda", f"{name!r}: stream starts 78 DA")
        check(zlib.decompress(stream) == FILES[name], f"{name!r}: content round trips")
        check(unpacked == len(FILES[name]), f"{name!r}: unpacked size")

    again = os.path.join(WORK, "again.bin")
    run("pack", "--output", again, "--dir", src)
    check(read(again) == payload, "packing is deterministic")

    result = run("list", out)
    expected = "".join(f"{n.decode()}\t{u}\t{len(s)}\t{o}\n" for n, u, s, o in records)
    check(result.returncode == 0 and result.stdout.decode() == expected, "list shows every record", result)

    result = run("verify", out)
    check(result.returncode == 0 and result.stdout == f"ok: 5 files, {sum(map(len, FILES.values()))} bytes unpacked\n".encode(),
          "verify accepts the payload", result)

    files_out = os.path.join(WORK, "files.bin")
    paths = [os.path.join(src, "b c.txt"), os.path.join(src, "Tarven.exe")]
    result = run("pack", "--output", files_out, *paths)
    check(result.returncode == 0, "pack FILE... succeeds", result)
    check([r[0] for r in parse(read(files_out))] == [b"b c.txt", b"Tarven.exe"], "files keep the given order")
    return out, records


def test_damage(out, records):
    payload = read(out)
    cut = os.path.join(WORK, "cut.bin")
    write(cut, payload[:-1])
    result = run("verify", cut)
    check(result.returncode == 1 and result.stderr == b"Tarven Help's files are cut short\n", "cut payload", result)

    name, _, stream, offset = records[-1]
    damaged = bytearray(payload)
    damaged[len(payload) - 1] ^= 0xFF  # the last stream's Adler-32 trailer
    bad = os.path.join(WORK, "damaged.bin")
    write(bad, bytes(damaged))
    result = run("verify", bad)
    expected = name + b" in Tarven Help is damaged: adler-32 checksum mismatch\n"
    check(result.returncode == 1 and result.stderr == expected, "damaged stream gives the launcher's message", result)

    stray = os.path.join(WORK, "stray.bin")
    write(stray, payload + b"\x00")
    result = run("list", stray)
    check(result.returncode == 1 and result.stderr == b"Tarven Help's files are cut short\n", "list stops at a stray byte", result)


def test_refused(case, files, expected_in_stderr, use_dir=True):
    src = folder(case, files)
    out = os.path.join(WORK, case + ".bin")
    if use_dir:
        result = run("pack", "--output", out, "--dir", src)
    else:
        result = run("pack", "--output", out, *[os.path.join(os.fsencode(src), n) for n in files])
    check(result.returncode != 0, f"{case}: refused", result)
    check(expected_in_stderr in result.stderr, f"{case}: stderr names {expected_in_stderr!r}", result)
    check(not os.path.exists(out), f"{case}: no output file written")


def main():
    shutil.rmtree(WORK, ignore_errors=True)
    os.makedirs(WORK)
    out, records = test_pack_list_verify()
    test_damage(out, records)
    test_refused("colon", {b"ok.txt": b"1", b"a:b": b"2"}, b'"a:b"')
    test_refused("backslash", {b"a\\b": b"2"}, b'"a\\\\b"')
    test_refused("long", {b"n" * 129: b"2"}, b'"' + b"n" * 129 + b'"')
    test_refused("not-utf8", {b"bad\xff": b"2"}, b'"bad\xef\xbf\xbd" is not UTF-8')
    test_refused("control", {b"tab\there:x": b"2"}, b'"tab\\there:x"')
    dup = folder("dup2", {b"same": b"x"})
    src = folder("dup1", {b"same": b"y"})
    out = os.path.join(WORK, "dup.bin")
    result = run("pack", "--output", out, os.path.join(src, "same"), os.path.join(dup, "same"))
    check(result.returncode != 0 and b'"same" is used twice' in result.stderr, "duplicate names refused", result)
    check(not os.path.exists(out), "duplicate names: no output file written")
    nested = folder("nested", {b"top": b"1"})
    os.makedirs(os.path.join(nested, "sub"))
    test_refused_nested = run("pack", "--output", os.path.join(WORK, "nested.bin"), "--dir", nested)
    check(test_refused_nested.returncode != 0 and b"sub-folder" in test_refused_nested.stderr, "sub-folder refused",
          test_refused_nested)
    check(not os.path.exists(os.path.join(WORK, "nested.bin")), "sub-folder: no output file written")

    result = run("--help")
    check(result.returncode == 0 and b"tarven-payload pack" in result.stdout, "--help", result)
    result = run("frobnicate")
    check(result.returncode == 2 and result.stderr.startswith(b"tarven-payload: unknown command"), "unknown command", result)
    result = run("verify", os.path.join(WORK, "missing.bin"))
    check(result.returncode == 1 and b"missing.bin" in result.stderr, "missing payload file", result)

    if failures:
        print(f"{len(failures)} check(s) failed")
        return 1
    print("all checks passed")
    return 0


if __name__ == "__main__":
    sys.exit(main())
