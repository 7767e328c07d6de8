#!/usr/bin/env python3
"""Builds usbio2-list.exe twice more from clean copies of the source tree in two unrelated
folders and checks that both copies and the exe under test are identical byte for byte, with
no time stamp and no folder of any of the builds inside.

Usage: test_reproducible_build.py SOURCE_DIR EXE"""

import os
import shutil
import subprocess
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "..", "tools"))
import pe_reader  # noqa: E402

SOURCE = None
EXE = None


def copy_tree(source, destination):
    """Copies the files git knows of or would add (what a clean clone of this state holds)."""
    listed = subprocess.run(
        ["git", "-C", source, "ls-files", "-z", "--cached", "--others", "--exclude-standard"],
        check=True, capture_output=True).stdout.split(b"\0")
    for name in filter(None, (os.fsdecode(n) for n in listed)):
        origin = os.path.join(source, name)
        if not os.path.isfile(origin):
            continue  # deleted in the working tree
        target = os.path.join(destination, name)
        os.makedirs(os.path.dirname(target), exist_ok=True)
        shutil.copy2(origin, target)


def build(source):
    subprocess.run(["cmake", "--preset", "win32"], cwd=source, check=True,
                   stdout=subprocess.DEVNULL)
    subprocess.run(["cmake", "--build", "--preset", "win32", "--target", "usbio2-list"],
                   cwd=source, check=True, stdout=subprocess.DEVNULL)
    with open(os.path.join(source, "build", "win32", "bin", "usbio2-list.exe"), "rb") as f:
        return f.read()


class ReproducibleBuild(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        with open(EXE, "rb") as f:
            cls.shipped = f.read()
        cls.scratch = tempfile.mkdtemp(prefix="usbio2-repro-")
        # Different names and depths, so that any path that leaks in changes the bytes.
        cls.folders = [os.path.join(cls.scratch, "a"),
                       os.path.join(cls.scratch, "second", "checkout-of-usbio2-list")]
        cls.images = []
        for folder in cls.folders:
            copy_tree(SOURCE, folder)
            cls.images.append(build(folder))

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.scratch, ignore_errors=True)

    def test_two_clean_builds_are_bit_identical(self):
        self.assertEqual(self.images[0], self.images[1])

    def test_clean_build_equals_the_exe_under_test(self):
        self.assertEqual(self.images[0], self.shipped)

    def test_no_time_stamp(self):
        self.assertEqual(pe_reader.read_pe(self.shipped)["timestamp"], 0)

    def test_no_build_folder_inside(self):
        folders = self.folders + [os.path.abspath(SOURCE), os.path.dirname(os.path.abspath(EXE))]
        for image in self.images + [self.shipped]:
            for folder in folders:
                for encoding in ("utf-8", "utf-16-le"):
                    self.assertNotIn(folder.encode(encoding), image, folder)


if __name__ == "__main__":
    SOURCE, EXE = sys.argv.pop(1), sys.argv.pop(1)
    unittest.main(verbosity=2)
