"""The simulated machine a case runs on: HID interfaces served by the test-only hid.dll and
setupapi.dll (tests/wine_fakes). A case folder in the Wine prefix holds the device table the
fakes read, one real file per device that the tool opens with the real CreateFileW, and the
log of platform calls the fakes write. This module writes the folder and says what the tool
must print, which calls the fakes must have logged, and what the exit status must be."""

import os
import shutil
import struct
from dataclasses import dataclass
from typing import Optional, Tuple

HID_GUID = "{4D1E55B2-F16F-11CF-88CB-001111000030}"
INTERFACE_SUFFIX = "#{4d1e55b2-f16f-11cf-88cb-001111000030}"
USB_IO2 = 0x1352, (0x0120, 0x0121)

# Error codes the fakes answer with, as the platform does.
ERROR_INVALID_FUNCTION = 1
ERROR_INVALID_DATA = 13
ERROR_INSUFFICIENT_BUFFER = 122
ERROR_NO_MORE_ITEMS = 259
ERROR_NO_SUCH_DEVICE_INTERFACE = 0xE0000225

NOT_FOUND = "USB-IO2が見つかりません\n"
COUNT_LINE = "USB-IO2の接続数 %i個\n"


@dataclass
class Interface:
    """One HID interface as the platform would enumerate it."""
    name: str                                  # device file name in the case folder
    identity: Optional[Tuple[int, int, int]]   # vendor, product, version; None: not HID
    present: bool = True                       # False: no device file, so the open fails
    enumeration: str = "ok"                    # ok | fail
    detail: str = "ok"                         # ok | fail | nosize
    holder: str = "-"                          # - | shared | denywrite | exclusive


def usb_path(vendor, product, instance, interface_number=None):
    """A device file name in the platform's form of a HID interface path."""
    collection = "" if interface_number is None else "&mi_%02d" % interface_number
    return "hid#vid_%04x&pid_%04x%s#%s%s" % (vendor, product, collection, instance,
                                             INTERFACE_SUFFIX)


class CaseFolder:
    """C:\\usbio2-cases\\<case> in the prefix, made afresh for each run."""

    def __init__(self, prefix, case):
        self.unix = os.path.join(prefix, "drive_c", "usbio2-cases", case)
        self.windows = "C:\\usbio2-cases\\" + case

    def device_path(self, interface):
        return "\\\\?\\" + self.windows + "\\" + interface.name

    def install(self, interfaces, set_unobtainable=False):
        shutil.rmtree(self.unix.encode(), ignore_errors=True)
        os.makedirs(self.unix.encode())
        lines = ["set unobtainable"] if set_unobtainable else []
        for interface in interfaces:
            lines.append("%s %s %s %s" % (interface.enumeration, interface.detail,
                                          interface.holder, self.device_path(interface)))
            if interface.present:
                content = b"" if interface.identity is None else struct.pack("<HHH",
                                                                             *interface.identity)
                with open(os.path.join(self.unix, interface.name).encode(), "wb") as f:
                    f.write(content)
        with open(os.path.join(self.unix, "devices.txt").encode(), "wb") as f:
            f.write(("\n".join(lines) + "\n").encode())

    def calls(self):
        try:
            with open(os.path.join(self.unix, "calls.log").encode(), "rb") as f:
                return f.read().decode().splitlines()
        except FileNotFoundError:
            return []


def opens(interface):
    """Whether an open for reading and writing, sharing both, gets through."""
    return interface.present and interface.holder in ("-", "shared")


def is_unit(interface):
    return (interface.identity is not None and interface.identity[0] == USB_IO2[0]
            and interface.identity[1] in USB_IO2[1])


def listed(interfaces):
    """The interfaces the tool must report, in order: every USB-IO2 interface it can walk
    to, fetch, open and identify; an enumeration failure ends the walk."""
    result = []
    for interface in interfaces:
        if interface.enumeration != "ok":
            break
        if interface.detail == "ok" and opens(interface) and is_unit(interface):
            result.append(interface)
    return result


def expected_calls(folder, interfaces, set_unobtainable=False):
    """The fakes' log of a correct run: the walk in order, with the platform's record sizes
    (28, 6, 12) and flags (0x12), each detail fetched into a buffer of exactly the reported
    size, no device handle left open at the next interface or when the set is destroyed,
    and the set destroyed once."""
    calls = ["HidD_GetHidGuid",
             "SetupDiGetClassDevsW guid=%s enumerator=null parent=null flags=0x12 -> %s"
             % (HID_GUID, "error %d" % ERROR_INVALID_DATA if set_unobtainable else "ok")]
    if set_unobtainable:
        return calls
    detail = "SetupDiGetDeviceInterfaceDetailW set=live interface=%d cbSize=28"
    for index in range(len(interfaces) + 1):
        interface = interfaces[index] if index < len(interfaces) else None
        result = ("error %d" % ERROR_NO_MORE_ITEMS if interface is None
                  else "ok" if interface.enumeration == "ok" else "error %d" % ERROR_INVALID_DATA)
        calls.append("SetupDiEnumDeviceInterfaces set=live device=null guid=%s index=%d "
                     "cbSize=28 open=0 -> %s" % (HID_GUID, index, result))
        if result != "ok":
            break
        query = detail % index + " detail=null size=0 required=given device=null"
        if interface.detail == "nosize":
            calls.append(query + " -> error %d" % ERROR_INVALID_DATA)
            continue
        needed = 6 + len(folder.device_path(interface).encode("utf-16-le"))
        calls.append(query + " needed=%d -> error %d" % (needed, ERROR_INSUFFICIENT_BUFFER))
        fetched = "ok" if interface.detail == "ok" else "error %d" % ERROR_NO_SUCH_DEVICE_INTERFACE
        calls.append(detail % index + " detail.cbSize=6 size=%d required=null device=null "
                     "needed=%d -> %s" % (needed, needed, fetched))
        if fetched != "ok" or not opens(interface):
            continue
        attributes = "HidD_GetAttributes handle=open Size=12 -> "
        if interface.identity is None:
            calls.append(attributes + "error %d" % ERROR_INVALID_FUNCTION)
        else:
            calls.append(attributes + "ok vid=0x%X pid=0x%X" % interface.identity[:2])
    calls.append("SetupDiDestroyDeviceInfoList set=live open=0 -> ok")
    return calls


def report_text(paths):
    """The report as text, newlines as the program writes them."""
    if not paths:
        return NOT_FOUND
    return COUNT_LINE.replace("%i", str(len(paths))) + "".join(p + "\n" for p in paths)


def expected_status(paths):
    return len(paths) if paths else 1
