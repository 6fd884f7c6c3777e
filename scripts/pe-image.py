#!/usr/bin/env python3
"""Facts of PE images for the release checks.
  pe-image.py diff FIRST SECOND   where two images differ: the first differing bytes, and per region
                                  (header fields, sections, what follows them) how many bytes
  pe-image.py checksum IMAGE      whether the header's checksum is the image's (exit 1 if not)"""
import struct
import sys


def regions(image):
    """(name, start, end) of the header fields that tell builds apart, the headers and sections."""
    pe = struct.unpack_from("<I", image, 0x3C)[0]
    sections, optional_size = struct.unpack_from("<H12xH", image, pe + 6)
    optional = pe + 24
    found = [("link time stamp", pe + 8, pe + 12), ("checksum", optional + 64, optional + 68)]
    table = optional + optional_size
    first_raw = len(image)
    for index in range(sections):
        entry = table + 40 * index
        name = image[entry:entry + 8].rstrip(b"\0").decode("ascii", "replace")
        raw_size, raw_start = struct.unpack_from("<II", image, entry + 16)
        if raw_size:
            found.append((f"section {name}", raw_start, raw_start + raw_size))
            first_raw = min(first_raw, raw_start)
    found.append(("headers", 0, first_raw))
    found.append(("after the sections", max(end for _, _, end in found), len(image)))
    return found


def checksum_offset(image):
    return struct.unpack_from("<I", image, 0x3C)[0] + 24 + 64


def pe_checksum(image):
    """The loader's checksum: 16-bit one's-complement sum of the image (its checksum field taken
    as zero), plus the image's length."""
    padded = image + b"\0" * (len(image) % 2)
    skip = checksum_offset(image)
    total = 0
    for (word,) in struct.iter_unpack("<H", padded):
        total += word
    total -= struct.unpack_from("<H", image, skip)[0] + struct.unpack_from("<H", image, skip + 2)[0]
    while total >> 16:
        total = (total & 0xFFFF) + (total >> 16)
    return total + len(image)


def check_checksum(path):
    image = open(path, "rb").read()
    stored = struct.unpack_from("<I", image, checksum_offset(image))[0]
    computed = pe_checksum(image)
    print(f"checksum: stored 0x{stored:08x}, computed 0x{computed:08x}")
    return 0 if stored == computed else 1


def diff(first_path, second_path):
    first = open(first_path, "rb").read()
    second = open(second_path, "rb").read()
    if len(first) != len(second):
        print(f"sizes differ: {len(first)} and {len(second)} bytes")
    differing = [i for i in range(min(len(first), len(second))) if first[i] != second[i]]
    print(f"{len(differing)} differing bytes; the first (offset, bytes):")
    for offset in differing[:16]:
        print(f"  0x{offset:08x}  {first[offset]:02x} {second[offset]:02x}")
    for name, start, end in regions(first):
        count = sum(1 for i in differing if start <= i < end)
        if count:
            print(f"  {name} [0x{start:x}, 0x{end:x}): {count} bytes")


if __name__ == "__main__":
    if len(sys.argv) == 4 and sys.argv[1] == "diff":
        diff(sys.argv[2], sys.argv[3])
    elif len(sys.argv) == 3 and sys.argv[1] == "checksum":
        sys.exit(check_checksum(sys.argv[2]))
    else:
        sys.exit(__doc__)
