"""Writes a payload whose one record, Tarven.exe, has a zlib stream with a wrong Adler-32 trailer."""
import struct
import sys
import zlib

name = b"Tarven.exe"
content = b"MZ" + b"\0" * 998
stream = bytearray(zlib.compress(content, 9))
stream[-1] ^= 0xFF
record = struct.pack("<H", len(name)) + name + struct.pack("<QQ", len(content), len(stream)) + bytes(stream)
with open(sys.argv[1], "wb") as out:
    out.write(record)
