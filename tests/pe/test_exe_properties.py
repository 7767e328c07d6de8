#!/usr/bin/env python3
"""Reads the built usbio2-list.exe back and checks what it promises to be: a PE32 console
program for Intel 386 that needs no runtime file beside it, runs on 5.0 and later, and asks
to run as the invoking user."""

import os
import sys
import unittest
import xml.etree.ElementTree as ElementTree

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "..", "tools"))
import pe_inspect  # noqa: E402

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
            cls.pe = pe_inspect.read_pe(f.read())

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


if __name__ == "__main__":
    if len(sys.argv) > 1:
        EXE = sys.argv.pop(1)
    unittest.main(verbosity=2)
