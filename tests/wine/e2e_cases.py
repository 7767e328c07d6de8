#!/usr/bin/env python3
"""The shipped usbio2-list.exe run as a real process under Wine, one case at a time, on a
simulated machine (simulated_devices.py) or on Wine's own HID stack. Each case checks the
exact bytes of standard output, the exact exit status, an empty standard error and, on the
simulated machine, the exact log of platform calls. Console cases start the exe by typing
into a shell in a real terminal (tmux) and read the screen back.

  e2e_cases.py --list
  e2e_cases.py --exe usbio2-list.exe --fakes DIR CASE...   (USBIO2_WINEPREFIX: the prefix)
"""

import argparse
import difflib
import os
import re
import shlex
import struct
import subprocess
import sys
import tempfile
import time
from dataclasses import dataclass, field
from typing import List

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "..", "tools"))

import pe_reader  # noqa: E402
from simulated_devices import (CaseFolder, Interface, expected_calls, expected_status,  # noqa: E402
                               listed, report_text, usb_path)

JAPANESE = "ja_JP.UTF-8"
# Wine's en-US locale: ANSI code page 1252, console (OEM) code page 437.
WESTERN = "C.UTF-8"
ANSI_CODE_PAGE = {JAPANESE: "cp932", WESTERN: "cp1252"}


def unit(product, instance, interface_number=None, **options):
    return Interface(usb_path(0x1352, product, instance, interface_number),
                     (0x1352, product, 0x0100), **options)


def device(vendor, product, instance, **options):
    return Interface(usb_path(vendor, product, instance), (vendor, product, 0x0001), **options)


@dataclass
class Case:
    name: str
    status: int                    # stated here, and checked against the devices
    interfaces: List[Interface] = field(default_factory=list)
    set_unobtainable: bool = False
    platform: str = "fakes"        # fakes | wine (Wine's own hid.dll and setupapi.dll)
    args: List[str] = field(default_factory=list)
    output: str = "pipe"           # pipe | file (and a pipe, the same bytes) | console
    locale: str = JAPANESE


MIX = [
    device(0x046D, 0xC31C, "7&2d5a1b0&0&0000"),          # a keyboard
    unit(0x0120, "7&1a2b3c4d&0&0000", holder="shared"),  # in use by another program
    device(0x1352, 0x0122, "7&3c4d5e6f&0&0000"),
    device(0x1353, 0x0120, "7&4d5e6f70&0&0000"),
    unit(0x0121, "7&2b3c4d5e&0&0000", 0),                # one unit, two HID interfaces
    unit(0x0121, "7&2b3c4d5e&0&0001", 1),
]


def three_hundred_interfaces():
    """300 interfaces, every third one a USB-IO2 interface: 100 units among 200 others."""
    others = [(0x046D, 0xC31C), (0x1352, 0x0122), (0x1353, 0x0121), (0x045E, 0x0120)]
    interfaces = []
    for i in range(300):
        instance = "8&%08x&0&%04d" % (0x5A000000 + i, i)
        if i % 3 == 2:
            interfaces.append(unit((0x0120, 0x0121)[i // 3 % 2], instance))
        else:
            interfaces.append(device(*others[i % 4], instance))
    return interfaces


# Full-width and half-width kana and kanji (two bytes and one byte in CP932), long enough
# that the path is converted across more than one of the runtime's segments.
KANA = Interface("ユーエスビー入出力ユニット二号機のインターフェース#vid_1352&pid_0121#ｶﾅ&0&0000"
                 + "#{4d1e55b2-f16f-11cf-88cb-001111000030}", (0x1352, 0x0121, 0x0100))
# Letters in both 1252 and 437, at different code points: only re-encoded bytes show right.
ACCENTED = Interface("hid#vid_1352&pid_0120#périphérique&über&0&0000"
                     + "#{4d1e55b2-f16f-11cf-88cb-001111000030}", (0x1352, 0x0120, 0x0100))

CASES = [
    Case("no_interfaces", 1),
    Case("set_unobtainable", 1, set_unobtainable=True),
    Case("one_unit", 1, [unit(0x0120, "7&1a2b3c4d&0&0000")]),
    Case("mix_of_devices", 3, MIX),
    Case("failures_skipped", 3, [
        unit(0x0120, "9&10&0&0000"),
        unit(0x0120, "9&11&0&0000", detail="fail"),
        unit(0x0121, "9&12&0&0000", detail="nosize"),
        unit(0x0120, "9&13&0&0000", present=False),
        unit(0x0121, "9&14&0&0000", holder="denywrite"),  # readable, but not for writing
        unit(0x0120, "9&15&0&0000", holder="exclusive"),
        Interface(usb_path(0x1352, 0x0120, "9&16&0&0000"), None),  # not a HID device
        unit(0x0121, "9&17&0&0000"),
        unit(0x0120, "9&18&0&0000", holder="shared"),
    ]),
    Case("enumeration_failure_ends_walk", 2, [
        unit(0x0120, "9&20&0&0000"),
        unit(0x0121, "9&21&0&0000"),
        unit(0x0120, "9&22&0&0000", enumeration="fail"),
        unit(0x0121, "9&23&0&0000"),
    ]),
    Case("three_hundred_interfaces", 100, three_hundred_interfaces()),
    Case("kana_path", 2, [KANA, unit(0x0120, "7&1a2b3c4d&0&0000")]),
    Case("path_outside_code_page", 1, [ACCENTED]),
    Case("arguments_ignored", 3, MIX, args=["/?", "--help", "-v", "ユニット", ""]),
    Case("help_argument_no_units", 1, args=["/?"]),
    Case("redirected_to_file", 3, MIX, output="file"),
    Case("console_not_found", 1, platform="wine", output="console"),
    Case("console_units", 3, [unit(0x0120, "7&1a2b3c4d&0&0000"), KANA, ACCENTED],
         output="console"),
    Case("console_reencoded_for_console_code_page", 1, [ACCENTED], output="console",
         locale=WESTERN),
]


class Failure(Exception):
    pass


def check(what, actual, expected):
    if actual == expected:
        return
    if isinstance(expected, bytes) and expected:
        # Line by line, each line's bytes as Python writes them.
        expected = [repr(line) for line in expected.splitlines(keepends=True)]
        actual = [repr(line) for line in actual.splitlines(keepends=True)]
    if isinstance(expected, list):
        diff = "\n".join(difflib.unified_diff(expected, actual, "expected", "actual",
                                              lineterm="", n=2))
        raise Failure("%s differs:\n%s" % (what, diff))
    raise Failure("%s differs:\n  expected %r\n  actual   %r" % (what, expected, actual))


def wine_environment(case, folder):
    """wine-env.sh's settings, plus the case's locale, platform and case folder."""
    base = dict(os.environ, LC_ALL=case.locale)
    for name in ("USBIO2_FAKE_CASE", "USBIO2_FAKE_GIVEN_HANDLES"):
        base.pop(name, None)
    dump = subprocess.run(["sh", "-c", '. "$0" && env -0', os.path.join(HERE, "wine-env.sh")],
                          env=base, check=True, capture_output=True).stdout
    env = dict(item.split("=", 1) for item in dump.decode().split("\0") if "=" in item)
    if case.platform == "wine":
        env["WINEDLLOVERRIDES"] += ";hid,setupapi=b"
    else:
        env["USBIO2_FAKE_CASE"] = folder.windows
    return env


def run_piped(exe, case, env, stdout=subprocess.PIPE):
    done = subprocess.run(["wine", exe] + case.args, env=env, stdin=subprocess.DEVNULL,
                          stdout=stdout, stderr=subprocess.PIPE, timeout=120)
    return done.stdout, done.stderr, done.returncode


def check_streams(case, expected_text, runs):
    # A character the code page cannot hold is written as "?", never as a look-alike.
    expected = expected_text.replace("\n", "\r\n").encode(ANSI_CODE_PAGE[case.locale], "replace")
    for how, (stdout, stderr, status) in runs:
        check("standard output (%s)" % how, stdout, expected)
        check("standard error (%s)" % how, stderr, b"")
        check("exit status (%s)" % how, status, case.status)


def run_redirected(exe, case, env):
    runs = [("pipe", run_piped(exe, case, env))]
    if case.output == "file":
        with tempfile.TemporaryFile() as file:
            _, stderr, status = run_piped(exe, case, env, stdout=file)
            file.seek(0)
            runs.append(("file", (file.read(), stderr, status)))
    return runs


class Terminal:
    """A tmux server of its own, with one shell in a pane wide enough for every line."""

    def __init__(self, env, locale):
        self.tmux = ["tmux", "-u", "-L", "usbio2-e2e-%d" % os.getpid(), "-f", "/dev/null"]
        # The server reads the pane's UTF-8 in this locale, as a user's terminal would.
        self.env = dict(os.environ, LC_ALL=locale)
        settings = ["-e%s=%s" % (k, env[k]) for k in sorted(env)
                    if k.startswith(("WINE", "USBIO2_")) or k == "LC_ALL"]
        self.command(["new-session", "-d", "-x", "300", "-y", "50"] + settings + ["sh"])

    def command(self, args):
        return subprocess.run(self.tmux + args, env=self.env, check=True, capture_output=True,
                              timeout=30).stdout.decode()

    def wait_for(self, what, found):
        """The screen's lines once found(lines) holds."""
        deadline = time.monotonic() + 120  # only against a hang: nothing here is timed
        while True:
            lines = self.command(["capture-pane", "-p", "-J"]).splitlines()
            if found(lines):
                return lines
            if time.monotonic() > deadline:
                raise Failure("no %s on the screen:\n%s" % (what, "\n".join(lines)))
            time.sleep(0.1)

    def close(self):
        subprocess.run(self.tmux + ["kill-server"], env=self.env, capture_output=True)


def run_on_console(exe, case, env):
    """Types the command at the shell's prompt, waits for the shell to print the status,
    and returns the screen lines between the command and the status line, and the status."""
    typed = "wine %s; echo \"status=$?\"" % " ".join(shlex.quote(a) for a in [exe] + case.args)
    terminal = Terminal(env, case.locale)
    try:
        terminal.wait_for("prompt", lambda lines: lines and lines[0].strip())
        terminal.command(["send-keys", "-l", typed])
        terminal.command(["send-keys", "Enter"])
        lines = terminal.wait_for(
            "status line", lambda lines: any(re.fullmatch(r"status=\d+", x) for x in lines))
    finally:
        terminal.close()
    if not lines[0].endswith(typed):
        raise Failure("the typed command is not on the screen:\n" + "\n".join(lines))
    end = next(i for i, line in enumerate(lines) if re.fullmatch(r"status=\d+", line))
    return lines[1:end], int(lines[end].split("=")[1])


def check_screen(lines, expected, code_page):
    """Each character the locale's code page holds must show as itself, and each one it
    cannot hold as "?"."""
    check("screen", lines, [line.encode(code_page, "replace").decode(code_page)
                            for line in expected])


def start_server(env):
    """One Wine server for the cases, started with none of their pipes. A server that a
    case's own wine process starts boots the prefix first and inherits the case's standard
    output, holding the pipe open until it lingers out seconds after the exe has ended."""
    quiet = dict(stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    subprocess.run(["wineserver", "-p15"], env=env, **quiet)  # fails when one already runs
    subprocess.run(["wine", "wineboot"], env=env, check=True, timeout=120, **quiet)


def run_case(case, exe):
    prefix = os.environ["USBIO2_WINEPREFIX"]
    folder = CaseFolder(prefix, case.name)
    folder.install(case.interfaces, case.set_unobtainable)
    paths = [folder.device_path(i) for i in listed(case.interfaces)]
    check("the case's stated status against its devices", expected_status(paths), case.status)
    env = wine_environment(case, folder)
    start_server(env)
    text = report_text(paths)

    if case.output == "console":
        lines, status = run_on_console(exe, case, env)
        check_screen(lines, text.splitlines(), ANSI_CODE_PAGE[case.locale])
        check("exit status", status, case.status)
    else:
        check_streams(case, text, run_redirected(exe, case, env))

    if case.platform == "fakes":
        runs = 2 if case.output == "file" else 1
        check("platform calls", folder.calls(),
              expected_calls(folder, case.interfaces, case.set_unobtainable) * runs)
    return "%d unit(s), status %d" % (len(paths), case.status)


def read_exports(path):
    """The names a DLL exports, from its export directory."""
    with open(path, "rb") as f:
        data = f.read()
    info = pe_reader.read_pe(data)
    rva = info["data_directories"][0][0]

    def offset(address):
        for s in info["sections"]:
            if s["virtual_address"] <= address < s["virtual_address"] + s["virtual_size"]:
                return address - s["virtual_address"] + s["raw_offset"]
        raise ValueError("RVA %#x outside every section" % address)

    # IMAGE_EXPORT_DIRECTORY: NumberOfNames at 24, AddressOfNames at 32.
    count, names = struct.unpack_from("<I4xI", data, offset(rva) + 24)
    result = []
    for i in range(count):
        at = offset(struct.unpack_from("<I", data, offset(names) + 4 * i)[0])
        result.append(data[at:data.index(b"\0", at)].decode("ascii"))
    return info, result


def check_fake_exports(exe, fakes):
    """Each fake exports exactly what the exe imports from the DLL it stands in for, and
    needs nothing beyond the kernel itself."""
    with open(exe, "rb") as f:
        info = pe_reader.read_pe(f.read())
    imports = {i["dll"].lower(): sorted(i["functions"]) for i in info["imports"]}
    for dll in ("hid.dll", "setupapi.dll"):
        info, exports = read_exports(os.path.join(fakes, dll))
        check("exports of the fake " + dll, sorted(exports), imports[dll])
        check("imports of the fake " + dll, [i["dll"].upper() for i in info["imports"]],
              ["KERNEL32.DLL"])
    return "%d + %d functions" % (len(imports["hid.dll"]), len(imports["setupapi.dll"]))


def main():
    parser = argparse.ArgumentParser(description=__doc__,
                                     formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--list", action="store_true", help="print the case names")
    parser.add_argument("--exe")
    parser.add_argument("--fakes", help="the folder of the test-only hid.dll and setupapi.dll")
    parser.add_argument("cases", nargs="*")
    args = parser.parse_args()
    by_name = {case.name: case for case in CASES}
    if args.list:
        print(";".join(["fake_exports"] + list(by_name)))
        return 0
    failed = 0
    for name in args.cases:
        try:
            if name == "fake_exports":
                summary = check_fake_exports(args.exe, args.fakes)
            else:
                summary = run_case(by_name[name], args.exe)
            print("%s: ok (%s)" % (name, summary))
        except Failure as failure:
            print("%s: FAILED\n%s" % (name, failure))
            failed += 1
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
