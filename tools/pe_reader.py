#!/usr/bin/env python3
"""Reads the facts of a PE32 image that the build promises: header fields, the DLLs it
imports, its sections, its load configuration and its application manifest. Prints them as
JSON, or with --allowed-imports fails when the image imports from any other DLL."""

import argparse
import json
import struct
import sys

LOAD_CONFIG_DIRECTORY = 10

# IMAGE_LOAD_CONFIG_DIRECTORY32 fields this project relies on: name, offset, struct format.
LOAD_CONFIG_FIELDS = [
    ("size", 0, "<I"), ("time_date_stamp", 4, "<I"), ("csd_version", 52, "<H"),
    ("dependent_load_flags", 54, "<H"), ("edit_list", 56, "<I"), ("security_cookie", 60, "<I"),
    ("se_handler_table", 64, "<I"), ("se_handler_count", 68, "<I"),
]


def header_offsets(data):
    """File offsets of the optional header fields that a post-link step may rewrite."""
    pe = struct.unpack_from("<I", data, 0x3C)[0]
    opt = pe + 24
    return {"checksum": opt + 64, "data_directories": opt + 96}


def pe_checksum(data):
    """The image checksum as the loader and the linker compute it: 16-bit one's-complement
    sum of the file with the checksum field taken as zero, plus the file length."""
    skip = header_offsets(data)["checksum"]
    padded = bytes(data[:skip]) + b"\0\0\0\0" + bytes(data[skip + 4:])
    if len(padded) % 2:
        padded += b"\0"
    total = 0
    for (word,) in struct.iter_unpack("<H", padded):
        total += word
        total = (total & 0xFFFF) + (total >> 16)
    return (total + len(data)) & 0xFFFFFFFF


def read_pe(data):
    if data[:2] != b"MZ":
        raise ValueError("no MZ header")
    pe = struct.unpack_from("<I", data, 0x3C)[0]
    if data[pe:pe + 4] != b"PE\0\0":
        raise ValueError("no PE signature")
    machine, nsections, timestamp, _, _, opt_size, characteristics = struct.unpack_from(
        "<HHIIIHH", data, pe + 4)
    opt = pe + 24
    magic = struct.unpack_from("<H", data, opt)[0]
    if magic != 0x10B:
        raise ValueError("not PE32 (optional header magic %#x)" % magic)
    image_base = struct.unpack_from("<I", data, opt + 28)[0]
    (os_major, os_minor, image_major, image_minor, sub_major, sub_minor) = struct.unpack_from(
        "<HHHHHH", data, opt + 40)
    checksum, subsystem, dll_characteristics = struct.unpack_from("<IHH", data, opt + 64)
    ndirs = struct.unpack_from("<I", data, opt + 92)[0]
    dirs = [struct.unpack_from("<II", data, opt + 96 + 8 * i) for i in range(ndirs)]

    sections = []
    table = opt + opt_size
    for i in range(nsections):
        raw = struct.unpack_from("<8sIIIIIIHHI", data, table + 40 * i)
        sections.append({
            "name": raw[0].rstrip(b"\0").decode("latin-1"),
            "virtual_size": raw[1], "virtual_address": raw[2],
            "raw_size": raw[3], "raw_offset": raw[4], "characteristics": raw[9],
        })

    def section_of(rva):
        for s in sections:
            if s["virtual_address"] <= rva < s["virtual_address"] + max(s["virtual_size"], s["raw_size"]):
                return s
        raise ValueError("RVA %#x outside every section" % rva)

    def offset(rva):
        s = section_of(rva)
        return rva - s["virtual_address"] + s["raw_offset"]

    def cstring(at):
        return data[at:data.index(b"\0", at)].decode("latin-1")

    imports = []
    if ndirs > 1 and dirs[1][0]:
        at = offset(dirs[1][0])
        while True:
            lookup, _, _, name_rva, thunks = struct.unpack_from("<IIIII", data, at)
            if name_rva == 0:
                break
            functions = []
            thunk = offset(lookup or thunks)
            while True:
                entry = struct.unpack_from("<I", data, thunk)[0]
                if entry == 0:
                    break
                functions.append("#%d" % (entry & 0xFFFF) if entry & 0x80000000
                                 else cstring(offset(entry) + 2))
                thunk += 4
            imports.append({"dll": cstring(offset(name_rva)), "functions": functions})
            at += 20

    manifests = {}
    if ndirs > 2 and dirs[2][0]:
        root = offset(dirs[2][0])

        def entries(directory):
            named, ids = struct.unpack_from("<HH", data, directory + 12)
            for i in range(named + ids):
                yield struct.unpack_from("<II", data, directory + 16 + 8 * i)

        for type_id, type_entry in entries(root):
            if type_id != 24 or not type_entry & 0x80000000:
                continue
            for res_id, res_entry in entries(root + (type_entry & 0x7FFFFFFF)):
                for _, leaf in entries(root + (res_entry & 0x7FFFFFFF)):
                    rva, size = struct.unpack_from("<II", data, root + leaf)
                    manifests[str(res_id)] = data[offset(rva):offset(rva) + size].decode("utf-8")

    load_config = None
    if ndirs > LOAD_CONFIG_DIRECTORY and dirs[LOAD_CONFIG_DIRECTORY][0]:
        rva, directory_size = dirs[LOAD_CONFIG_DIRECTORY]
        at = offset(rva)
        load_config = {"rva": rva, "directory_size": directory_size,
                       "section": section_of(rva)["name"]}
        struct_size = struct.unpack_from("<I", data, at)[0]
        # Only the fields inside the structure's own size exist.
        for name, field, fmt in LOAD_CONFIG_FIELDS:
            if field + struct.calcsize(fmt) <= struct_size:
                load_config[name] = struct.unpack_from(fmt, data, at + field)[0]

    return {
        "machine": machine, "timestamp": timestamp, "characteristics": characteristics,
        "magic": magic, "image_base": image_base,
        "os_version": [os_major, os_minor], "subsystem_version": [sub_major, sub_minor],
        "subsystem": subsystem, "dll_characteristics": dll_characteristics,
        "checksum": checksum, "computed_checksum": pe_checksum(data), "load_config": load_config,
        "data_directories": [list(d) for d in dirs], "sections": sections,
        "imports": imports, "manifests": manifests,
    }


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("image")
    parser.add_argument("--allowed-imports", help="comma-separated DLL names (any case)")
    args = parser.parse_args()
    with open(args.image, "rb") as f:
        info = read_pe(f.read())
    if args.allowed_imports is None:
        json.dump(info, sys.stdout, indent=1)
        print()
        return 0
    allowed = {name.lower() for name in args.allowed_imports.split(",")}
    stray = [i["dll"] for i in info["imports"] if i["dll"].lower() not in allowed]
    if stray:
        print("%s imports from DLLs outside %s: %s" % (args.image, args.allowed_imports,
                                                        ", ".join(stray)), file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
