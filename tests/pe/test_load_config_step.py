#!/usr/bin/env python3
"""Checks the post-link step that points the load-config directory at `_load_config_used`:
from an image with the directory empty (as GNU ld leaves it) it gives exactly the shipped
exe, it changes nothing on a second run, and it refuses a map or a structure it cannot
trust rather than write a wrong directory."""

import os
import struct
import sys
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "..", "tools"))
import pe_reader  # noqa: E402
import pe_set_load_config  # noqa: E402

EXE = os.environ.get("USBIO2_EXE", "build/win32/bin/usbio2-list.exe")
MAP = os.environ.get("USBIO2_MAP", "build/win32/win32_runtime/usbio2-list.map")


def with_directory(image, rva, size):
    """The image with the load-config directory set as given and its checksum left stale."""
    changed = bytearray(image)
    at = pe_reader.header_offsets(changed)["data_directories"] + 8 * pe_reader.LOAD_CONFIG_DIRECTORY
    struct.pack_into("<II", changed, at, rva, size)
    return bytes(changed)


class LoadConfigStep(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        with open(EXE, "rb") as f:
            cls.image = f.read()
        with open(MAP, encoding="utf-8", errors="replace") as f:
            cls.map_text = f.read()
        cls.pe = pe_reader.read_pe(cls.image)

    def test_fills_the_directory_ld_left_empty(self):
        as_linked = with_directory(self.image, 0, 0)
        self.assertIsNone(pe_reader.read_pe(as_linked)["load_config"])
        address = pe_set_load_config.structure_address(self.map_text)
        self.assertEqual(pe_set_load_config.set_load_config(as_linked, address), self.image)

    def test_second_run_changes_nothing(self):
        address = pe_set_load_config.structure_address(self.map_text)
        self.assertEqual(pe_set_load_config.set_load_config(self.image, address), self.image)

    def test_map_without_the_structure_is_refused(self):
        stripped = "\n".join(line for line in self.map_text.splitlines()
                             if "load_config_used" not in line)
        with self.assertRaises(ValueError):
            pe_set_load_config.structure_address(stripped)

    def test_structure_outside_read_only_data_is_refused(self):
        text = next(s for s in self.pe["sections"] if s["name"] == ".text")
        with self.assertRaises(ValueError):
            pe_set_load_config.set_load_config(
                self.image, self.pe["image_base"] + text["virtual_address"])

    def test_misaligned_structure_is_refused(self):
        address = pe_set_load_config.structure_address(self.map_text)
        with self.assertRaises(ValueError):
            pe_set_load_config.set_load_config(self.image, address + 2)


if __name__ == "__main__":
    if len(sys.argv) > 2:
        MAP = sys.argv.pop(2)
        EXE = sys.argv.pop(1)
    unittest.main(verbosity=2)
