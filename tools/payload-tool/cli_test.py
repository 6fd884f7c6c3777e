#!/usr/bin/env python3
"""End-to-end test of tarven-payload: pack, list, verify, extract, damage and refused names.

Usage: cli_test.py TARVEN_PAYLOAD WORK_DIR VERSION
       cli_test.py TARVEN_PAYLOAD WORK_DIR --launchers DEMO_EXE DEMO_PAYLOAD DAMAGED_EXE OTHER_EXE
The second form reads built launchers (the demo one and one carrying a damaged payload) and a
Windows program that carries no payload.
"""
import os
import pty
import random
import resource
import shutil
import signal
import struct
import subprocess
import sys
import time
import zlib

TOOL = sys.argv[1]
WORK = sys.argv[2]
failures = []


def run(*args, timeout=60, **kwargs):
    """The tool's result; one that has not ended after `timeout` seconds is killed and has no exit code."""
    try:
        return subprocess.run([TOOL, *args], capture_output=True, timeout=timeout, **kwargs)
    except subprocess.TimeoutExpired as hung:
        return subprocess.CompletedProcess(hung.cmd, None, hung.stdout or b"", (hung.stderr or b"") + b" (killed: hung)")


def peak_memory_run(*args, timeout=60):
    """The tool's exit code (None when killed after `timeout` seconds) and its peak resident set in KiB."""
    tool = subprocess.Popen([TOOL, *args], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    deadline = time.monotonic() + timeout
    while True:
        pid, status, usage = os.wait4(tool.pid, os.WNOHANG)
        if pid:
            tool.returncode = os.waitstatus_to_exitcode(status)
            return tool.returncode, usage.ru_maxrss
        if time.monotonic() > deadline:
            tool.kill()
            tool.wait()
            return None, 0
        time.sleep(0.05)


def check(condition, what, result=None):
    if not condition:
        detail = ""
        if result is not None:
            detail = f"\n  exit {result.returncode}\n  stdout {result.stdout!r}\n  stderr {result.stderr!r}"
        failures.append(what + detail)
        print("FAIL:", what + detail)


FIFO = object()  # in `folder`: a named pipe that nothing writes


class LinkTo(bytes):
    """In `folder`: a symbolic link to this path."""


def folder(name, files):
    path = os.path.join(WORK, name)
    os.makedirs(path)
    for file_name, content in files.items():
        file_path = os.path.join(os.fsencode(path), file_name)
        if content is FIFO:
            os.mkfifo(file_path)
        elif isinstance(content, LinkTo):
            os.symlink(content, file_path)
        else:
            write(file_path, content)
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


def record(name, content, stream=None, declared=None):
    """A record of `content`, or of any `stream` declaring `declared` bytes (default: the content's)."""
    stream = zlib.compress(content, 9) if stream is None else stream
    declared = len(content) if declared is None else declared
    return struct.pack("<H", len(name)) + name + struct.pack("<QQ", declared, len(stream)) + stream


def tree(path):
    """The files under a folder and their bytes."""
    path = os.fsencode(path)
    return {name: read(os.path.join(path, name)) for name in sorted(os.listdir(path))}


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
    check(result.returncode == 0 and result.stderr == b"", "pack --dir succeeds, silent off a terminal", result)
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

    # /proc's files claim the size 0 and have content: pack reads to the end.
    result = run("pack", "--output", files_out, "/proc/version")
    ((_, unpacked, stream, _),) = parse(read(files_out))
    check(result.returncode == 0 and unpacked > 0 and zlib.decompress(stream) == read("/proc/version"),
          "a file that claims the size 0 is packed whole", result)
    return out, records


def test_damage(out, records):
    payload = read(out)
    cut = os.path.join(WORK, "cut.bin")
    write(cut, payload[:-1])
    result = run("verify", cut)
    check(result.returncode == 1 and result.stderr == f"tarven-payload: {cut}: Tarven Help's files are cut short\n".encode(),
          "cut payload", result)

    name, _, stream, offset = records[-1]
    damaged = bytearray(payload)
    damaged[len(payload) - 1] ^= 0xFF  # the last stream's Adler-32 trailer
    bad = os.path.join(WORK, "damaged.bin")
    write(bad, bytes(damaged))
    result = run("verify", bad)
    expected = f"tarven-payload: {bad}: ".encode() + b'"' + name + b'" in Tarven Help is damaged: adler-32 checksum mismatch\n'
    check(result.returncode == 1 and result.stderr == expected, "damaged stream gives the launcher's message", result)
    result = run("extract", "--output", os.path.join(WORK, "from-damaged"), bad)
    check(result.returncode == 1 and result.stderr == expected, "extract refuses a damaged payload", result)
    check(not os.path.exists(os.path.join(WORK, "from-damaged")), "extract of a damaged payload writes nothing")

    # A name (or a path) holding terminal escapes must not reach the terminal as they are.
    escape = b"clear\x1b[2J\x1b]0;title\x07"
    shown = b'"clear\\u{1b}[2J\\u{1b}]0;title\\u{7}"'
    tricky = os.path.join(os.fsencode(WORK), escape + b".bin")
    write(tricky, record(escape, b"abcd", zlib.compress(b"abc")))  # the wrong size
    for command, stream in (("list", "stdout"), ("verify", "stderr")):
        result = run(command, tricky)
        check(shown in getattr(result, stream) and b"\x1b" not in result.stdout + result.stderr,
              f"{command} shows a name with terminal escapes quoted", result)

    stray = os.path.join(WORK, "stray.bin")
    write(stray, payload + b"\x00")
    result = run("list", stray)
    check(result.returncode == 1 and result.stderr == f"tarven-payload: {stray}: Tarven Help's files are cut short\n".encode(),
          "list stops at a stray byte", result)


def test_refused(case, files, expected_in_stderr, use_dir=True):
    src = folder(case, files)
    out = os.path.join(WORK, case + ".bin")
    if use_dir:
        result = run("pack", "--output", out, "--dir", src)
    else:
        result = run("pack", "--output", out, *[os.path.join(os.fsencode(src), n) for n in files])
    check(result.returncode == 1, f"{case}: refused", result)
    check(expected_in_stderr in result.stderr, f"{case}: stderr names {expected_in_stderr!r}", result)
    check(not os.path.exists(out), f"{case}: no output file written")


def test_extract(out):
    dest = os.path.join(WORK, "extracted")
    result = run("extract", "--output", dest, out)
    check(result.returncode == 0 and tree(dest) == FILES, "extract writes every file", result)
    result = run("extract", "--output", dest, out)
    check(result.returncode == 1 and b"empty: already there" in result.stderr and tree(dest) == FILES,
          "extract never writes over what was there", result)

    # A link planted under a record's name is not followed.
    planted = folder("planted", {})
    victim = os.path.join(WORK, "victim")
    write(victim, b"keep")
    os.symlink(victim, os.path.join(planted, "empty"))
    result = run("extract", "--output", planted, out)
    check(result.returncode == 1 and read(victim) == b"keep" and os.listdir(planted) == ["empty"],
          "extract writes nothing when a name is taken by a link", result)

    payloads = {
        "later-wins": record(b"a", b"first") + record(b"b", b"") + record(b"a", b"second"),
        "strict-name": record(b"ok", b"1") + record(b"Webview", b"2"),
        "case-extract": record(b"ok", b"1") + record(b"Readme", b"2") + record(b"README", b"3"),
        "inflates-past-size": record(b"bomb", b"", zlib.compress(bytes(64 << 20)), declared=1000),
        "past-default-limit": record(b"a", b"", declared=9 << 30) + record(b"b", b"", declared=9 << 30),
        "sizes-wrap-around": record(b"a", b"", declared=1 << 63) + record(b"b", b"", declared=1 << 63),
    }
    for case, payload in payloads.items():
        write(os.path.join(WORK, case + ".bin"), payload)
    result = run("extract", "--output", os.path.join(WORK, "later-wins"), os.path.join(WORK, "later-wins.bin"))
    check(result.returncode == 0 and tree(os.path.join(WORK, "later-wins")) == {b"a": b"second", b"b": b""},
          "a later record of a name replaces the earlier one", result)
    refusals = {
        "strict-name": b'"Webview" is refused',
        "case-extract": b'the names "Readme" and "README" are one file on Windows',
        "inflates-past-size": b'"bomb" in Tarven Help is damaged: stream would produce more than 1000 bytes',
        "past-default-limit": b"more than 17179869184 bytes unpacked in all",
        "sizes-wrap-around": b"more than 17179869184 bytes unpacked in all",
    }
    for case, expected in refusals.items():
        dest = os.path.join(WORK, case)
        result = run("extract", "--output", dest, dest + ".bin")
        check(result.returncode == 1 and expected in result.stderr and not os.path.exists(dest),
              f"extract refuses {case} before writing anything", result)

    # A write that fails (past a file size limit) takes away the files already written.
    def limit_file_size():
        signal.signal(signal.SIGXFSZ, signal.SIG_IGN)
        resource.setrlimit(resource.RLIMIT_FSIZE, (1 << 20, 1 << 20))

    dest = os.path.join(WORK, "too-large")
    write(dest + ".bin", record(b"small", b"1") + record(b"large", bytes(2 << 20)))
    result = run("extract", "--output", dest, dest + ".bin", preexec_fn=limit_file_size)
    check(result.returncode == 1 and b'couldn\'t unpack "large": File too large' in result.stderr and os.listdir(dest) == [],
          "extract that fails to write leaves no file behind", result)

    # A small payload of a large file: refused past --max-bytes, else written in pieces, never whole in memory.
    size = 256 << 20
    bomb = os.path.join(WORK, "zeros.bin")
    write(bomb, record(b"zeros", b"", zlib.compress(bytes(size), 9), declared=size))
    dest = os.path.join(WORK, "zeros")
    result = run("extract", "--max-bytes", str(size - 1), "--output", dest, bomb)
    check(result.returncode == 1 and f"more than {size - 1} bytes".encode() in result.stderr and not os.path.exists(dest),
          "extract refuses a payload past --max-bytes", result)
    code, peak_kib = peak_memory_run("extract", "--max-bytes", str(size), "--output", dest, bomb)
    written = os.path.getsize(os.path.join(dest, "zeros")) if code == 0 else None
    check(written == size and peak_kib * 1024 < size // 4,
          f"extract writes {size} bytes with a peak of {peak_kib} KiB (exit {code}, {written} bytes written)")
    shutil.rmtree(dest, ignore_errors=True)


def test_threads():
    """A file of several blocks: the same bytes on one thread or many, one zlib stream."""
    rng = random.Random(10)
    words = [bytes(rng.choices(b"abcdefghij", k=rng.randint(2, 9))) for _ in range(500)]
    content = b" ".join(rng.choices(words, k=1_800_000))[: 9 << 20]
    src = folder("big", {b"big.bin": content})
    outs = [os.path.join(WORK, f"big-{n}.bin") for n in (1, 3)]
    for n, out in zip((1, 3), outs):
        result = run("pack", "--threads", str(n), "--output", out, "--dir", src)
        check(result.returncode == 0, f"pack --threads {n}", result)
    check(read(outs[0]) == read(outs[1]), "pack's output is the same on one and on three threads")
    (_, _, stream, _), = parse(read(outs[0]))
    check(zlib.decompress(stream) == content, "a stream of several blocks inflates to the file with plain zlib")


def test_progress(out, src):
    """Progress shows on a terminal only, and not with --quiet."""
    for quiet in ([], ["--quiet"]):
        main_end, terminal = pty.openpty()
        result = subprocess.run([TOOL, "pack", *quiet, "--output", out, "--dir", src], stderr=terminal,
                                stdout=subprocess.PIPE)
        os.close(terminal)
        shown = b""
        try:
            while chunk := os.read(main_end, 4096):
                shown += chunk
        except OSError:
            pass
        os.close(main_end)
        expected = f"tarven-payload: {out}: packed 5 of 5 files".encode()
        check(result.returncode == 0 and (expected in shown) == (not quiet), f"progress on a terminal {quiet}: {shown!r}")


def test_conventions(out):
    result = run("--version")
    check(result.returncode == 0 and result.stdout == f"tarven-payload {sys.argv[3]}\n".encode(), "--version", result)
    for command in ("pack", "list", "verify", "extract"):
        result = run(command, "--help")
        check(result.returncode == 0 and result.stdout.startswith(f"usage: tarven-payload {command}".encode()),
              f"{command} --help", result)
    for usage in (["extract", out], ["list"], ["pack", "--threads", "0", "--output", out, out], ["list", "--all", out]):
        result = run(*usage)
        check(result.returncode == 2 and result.stderr.startswith(b"tarven-payload: "), f"usage error {usage}", result)


def test_launchers(demo_exe, demo_payload, damaged_exe, other_exe):
    listed = run("list", demo_exe)
    check(listed.returncode == 0 and listed.stdout == run("list", demo_payload).stdout,
          "list finds the payload in the demo launcher", listed)
    result = run("verify", demo_exe)
    check(result.returncode == 0 and result.stdout.startswith(b"ok: "), "verify reads the demo launcher", result)
    from_exe, from_file = os.path.join(WORK, "from-exe"), os.path.join(WORK, "from-file")
    result = run("extract", "--output", from_exe, demo_exe)
    run("extract", "--output", from_file, demo_payload)
    check(result.returncode == 0 and b"Tarven.exe" in tree(from_exe) and tree(from_exe) == tree(from_file),
          "extract writes the demo launcher's files", result)

    damage = b'"Tarven.exe" in Tarven Help is damaged: adler-32 checksum mismatch\n'
    result = run("verify", damaged_exe)
    check(result.returncode == 1 and result.stderr == f"tarven-payload: {damaged_exe}: ".encode() + damage,
          "verify reports the damaged launcher's record", result)
    dest = os.path.join(WORK, "from-damaged-exe")
    result = run("extract", "--output", dest, damaged_exe)
    check(result.returncode == 1 and not os.path.exists(dest), "extract writes nothing from a damaged launcher", result)

    result = run("list", other_exe)
    expected = f"tarven-payload: {other_exe}: a Windows program without a Tarven Help payload (it has no .tvnpay section)\n"
    check(result.returncode == 1 and result.stderr == expected.encode(), "a program without a payload", result)


def main():
    shutil.rmtree(WORK, ignore_errors=True)
    os.makedirs(WORK)
    if sys.argv[3] == "--launchers":
        test_launchers(*sys.argv[4:8])
        return report()
    out, records = test_pack_list_verify()
    test_damage(out, records)
    test_extract(out)
    test_threads()
    test_progress(os.path.join(WORK, "progress.bin"), os.path.join(WORK, "src"))
    test_conventions(out)
    test_refused("colon", {b"ok.txt": b"1", b"a:b": b"2"}, b'"a:b"')
    test_refused("backslash", {b"a\\b": b"2"}, b'"a\\\\b"')
    test_refused("long", {b"n" * 129: b"2"}, b'"' + b"n" * 129 + b'"')
    test_refused("not-utf8", {b"bad\xff": b"2"}, b'"bad\xef\xbf\xbd" is not UTF-8')
    test_refused("control", {b"tab\there:x": b"2"}, b'"tab\\there:x"')
    test_refused("device", {b"con.txt": b"2"}, b'con.txt: the name "con.txt" is refused: Windows takes it for a device')
    test_refused("case", {b"Readme": b"1", b"README": b"2"}, b'Readme: the names "README" and "Readme" are one file')
    test_refused("short-name", {b"ok": b"1", b"setup~1.exe": b"2"}, b'"setup~1.exe" is refused: Windows may take it for')
    # The listing takes names only: what the open meets decides, as after a swap behind the listing.
    for use_dir in (True, False):
        how = "dir" if use_dir else "files"
        test_refused(f"link-{how}", {b"ok": b"1", b"to-ok": LinkTo(b"ok")}, b"to-ok: a symbolic link", use_dir)
        test_refused(f"fifo-{how}", {b"ok": b"1", b"pipe": FIFO}, b"pipe: a FIFO, not a regular file", use_dir)
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
    check(result.returncode == 0 and b"tarven-payload COMMAND --help" in result.stdout, "--help", result)
    result = run("frobnicate")
    check(result.returncode == 2 and result.stderr.startswith(b"tarven-payload: unknown command"), "unknown command", result)
    result = run("verify", os.path.join(WORK, "missing.bin"))
    check(result.returncode == 1 and b"missing.bin" in result.stderr, "missing payload file", result)
    return report()


def report():
    if failures:
        print(f"{len(failures)} check(s) failed")
        return 1
    print("all checks passed")
    return 0


if __name__ == "__main__":
    sys.exit(main())
