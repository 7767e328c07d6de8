#!/usr/bin/env python3
"""Reads the built usbio2-list.exe back and checks what it promises to be: a PE32 console
program for Intel 386 that needs no runtime file beside it, runs on 5.0 and later, asks
to run as the invoking user, and is hardened: relocatable, no executable data, no exception
handlers, and imports resolved from the system folder only."""

import os
import sys
import unittest
import xml.etree.ElementTree as ElementTree

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "..", "tools"))
import pe_reader  # noqa: E402

EXE = os.environ.get("USBIO2_EXE", "build/win32/bin/usbio2-list.exe")

IMPORTS = {
    "kernel32.dll": None,  # any kernel32 function: the runtime is ours
    "hid.dll": {"HidD_GetHidGuid", "HidD_GetAttributes"},
    "setupapi.dll": {"SetupDiGetClassDevsW", "SetupDiEnumDeviceInterfaces",
                     "SetupDiGetDeviceInterfaceDetailW", "SetupDiDestroyDeviceInfoList"},
}


class ExeProperties(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        with open(EXE, "rb") as f:
            cls.pe = pe_reader.read_pe(f.read())

    def test_pe32_for_intel_386(self):
        self.assertEqual(self.pe["magic"], 0x10B)
        self.assertEqual(self.pe["machine"], 0x14C)
        self.assertTrue(self.pe["characteristics"] & 0x0002, "not an executable image")
        self.assertTrue(self.pe["characteristics"] & 0x0100, "not marked 32-bit")
        self.assertFalse(self.pe["characteristics"] & 0x2000, "a DLL, not a program")

    def test_console_subsystem(self):
        self.assertEqual(self.pe["subsystem"], 3)

    def test_os_and_subsystem_version_5_0(self):
        self.assertEqual(self.pe["os_version"], [5, 0])
        self.assertEqual(self.pe["subsystem_version"], [5, 0])

    def test_imports_only_the_three_platform_libraries(self):
        imported = {i["dll"].lower(): set(i["functions"]) for i in self.pe["imports"]}
        self.assertEqual(set(imported), set(IMPORTS))
        for dll, functions in IMPORTS.items():
            if functions is not None:
                self.assertEqual(imported[dll], functions, dll)
        # The CRT-free runtime writes text with kernel32 alone.
        self.assertIn("WriteFile", imported["kernel32.dll"])
        self.assertIn("ExitProcess", imported["kernel32.dll"])

    def test_manifest_asks_for_as_invoker_without_ui_access(self):
        self.assertIn("1", self.pe["manifests"], "no RT_MANIFEST resource with id 1")
        root = ElementTree.fromstring(self.pe["manifests"]["1"])
        levels = [e for e in root.iter() if e.tag.endswith("requestedExecutionLevel")]
        self.assertEqual(len(levels), 1)
        self.assertEqual(levels[0].get("level"), "asInvoker")
        self.assertEqual(levels[0].get("uiAccess"), "false")

    def test_dll_characteristics_dynamic_base_nx_compat_no_seh(self):
        # DYNAMIC_BASE 0x40, NX_COMPAT 0x100, NO_SEH 0x400, and nothing else.
        self.assertEqual(self.pe["dll_characteristics"], 0x0540,
                         "%#06x" % self.pe["dll_characteristics"])

    def test_relocations_kept_for_dynamic_base(self):
        self.assertFalse(self.pe["characteristics"] & 0x0001, "relocations stripped")
        relocs = self.pe["data_directories"][5]
        self.assertGreater(relocs[1], 0, "no base relocation directory")

    def test_no_section_both_writable_and_executable(self):
        for section in self.pe["sections"]:
            flags = section["characteristics"]
            self.assertFalse(flags & 0x80000000 and flags & 0x20000000,
                             "%s is writable and executable" % section["name"])
        executable = [s["name"] for s in self.pe["sections"] if s["characteristics"] & 0x20000000]
        self.assertEqual(executable, [".text"])

    def test_load_config_takes_dependent_dlls_from_system32_only(self):
        config = self.pe["load_config"]
        self.assertIsNotNone(config, "no load configuration directory")
        self.assertEqual(config["section"], ".rdata")
        self.assertEqual(config["rva"] % 4, 0)
        # 64 bytes: what Windows XP requires of an x86 load configuration, and enough to hold
        # DependentLoadFlags (offset 54) for Windows 10 and later.
        self.assertEqual(config["directory_size"], 64)
        self.assertEqual(config["size"], 64)
        self.assertEqual(config["dependent_load_flags"], 0x0800)  # LOAD_LIBRARY_SEARCH_SYSTEM32
        self.assertEqual(config["security_cookie"], 0)
        self.assertEqual(config["time_date_stamp"], 0)

    def test_header_checksum_is_current(self):
        self.assertEqual(self.pe["checksum"], self.pe["computed_checksum"])


if __name__ == "__main__":
    if len(sys.argv) > 1:
        EXE = sys.argv.pop(1)
    unittest.main(verbosity=2)
