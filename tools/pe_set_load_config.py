#!/usr/bin/env python3
"""Points a linked PE32 image's load-configuration data directory at its `_load_config_used`
structure, and brings the header checksum up to date.

The loader finds the load configuration only through that directory. GNU ld of Debian 12's
mingw-w64 toolchain (binutils 2.40) links the structure but leaves the directory empty, so
this step takes the structure's address from the linker map and its size from the
structure's own first field. Running it again on a patched image changes nothing."""

import argparse
import re
import struct
import sys

import pe_reader

# GNU ld lists a symbol in its map as "<address> <name>"; on i386 the C name
# `_load_config_used` may be shown with or without its leading underscore.
MAP_ENTRY = re.compile(r"^\s+0x([0-9a-fA-F]+)\s+_{1,2}load_config_used\s*$", re.MULTILINE)

READABLE, WRITABLE, EXECUTABLE = 0x40000000, 0x80000000, 0x20000000


def structure_address(map_text):
    addresses = {int(found, 16) for found in MAP_ENTRY.findall(map_text)}
    if len(addresses) != 1:
        raise ValueError("the map names %d addresses for _load_config_used, not one" % len(addresses))
    return addresses.pop()


def set_load_config(image, address):
    """Returns the image with the load-config directory set to the structure at `address`."""
    info = pe_reader.read_pe(image)
    rva = address - info["image_base"]
    section = next((s for s in info["sections"]
                    if s["virtual_address"] <= rva < s["virtual_address"] + s["virtual_size"]), None)
    if section is None:
        raise ValueError("_load_config_used at RVA %#x lies in no section" % rva)
    if section["characteristics"] & (WRITABLE | EXECUTABLE) or not section["characteristics"] & READABLE:
        raise ValueError("_load_config_used lies in %s, not in read-only data" % section["name"])
    if rva % 4:
        raise ValueError("_load_config_used at RVA %#x is not 4-byte aligned" % rva)
    at = rva - section["virtual_address"] + section["raw_offset"]
    size = struct.unpack_from("<I", image, at)[0]
    if size < 4 or rva + size > section["virtual_address"] + section["virtual_size"]:
        raise ValueError("_load_config_used claims %d bytes, more than its section holds" % size)

    patched = bytearray(image)
    offsets = pe_reader.header_offsets(patched)
    directory = offsets["data_directories"] + 8 * pe_reader.LOAD_CONFIG_DIRECTORY
    struct.pack_into("<II", patched, directory, rva, size)
    struct.pack_into("<I", patched, offsets["checksum"], pe_reader.pe_checksum(patched))
    return bytes(patched)


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("map", help="the linker map (ld -Map)")
    parser.add_argument("image")
    args = parser.parse_args()
    try:
        with open(args.map, encoding="utf-8", errors="replace") as f:
            address = structure_address(f.read())
        with open(args.image, "rb") as f:
            image = f.read()
        patched = set_load_config(image, address)
    except ValueError as error:
        print("%s: %s" % (args.image, error), file=sys.stderr)
        return 1
    if patched != image:
        with open(args.image, "wb") as f:
            f.write(patched)
    return 0


if __name__ == "__main__":
    sys.exit(main())
