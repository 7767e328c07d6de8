// hid.dll for the end-to-end tests: the two HID class calls the tool imports. The identity
// of a device is read through the handle the tool gives, from the simulated device file:
// vendor, product and version, each 16-bit little-endian. A file too short to hold them is
// not a HID device, and the attribute call fails as the platform's does for one.

#include <windows.h>
// mingw's HID header declares C functions without saying so.
extern "C" {
#include <hidsdi.h>
}

#include "tests/wine_fakes/call_log.h"
#include "tests/wine_fakes/handle_ledger.h"

namespace {

// The platform's record size on 32-bit x86, tail padding included.
constexpr ULONG kAttributesSize = 12;
static_assert(sizeof(HIDD_ATTRIBUTES) == kAttributesSize);

// {4D1E55B2-F16F-11CF-88CB-001111000030}, the HID device interface class.
constexpr GUID kHidInterfaceClass = {
    0x4D1E55B2, 0xF16F, 0x11CF, {0x88, 0xCB, 0x00, 0x11, 0x11, 0x00, 0x00, 0x30}};

// Reads the 6-byte identity from the start of the file, wherever its pointer stands.
bool ReadIdentity(HANDLE device, unsigned char identity[6]) {
  OVERLAPPED at{};
  DWORD read = 0;
  return ReadFile(device, identity, 6, &read, &at) && read == 6;
}

}  // namespace

extern "C" {

void NTAPI HidD_GetHidGuid(LPGUID hidGuid) {
  LogLine line{};
  LogText(line, "HidD_GetHidGuid");
  WriteLogLine(line);
  *hidGuid = kHidInterfaceClass;
}

BOOLEAN NTAPI HidD_GetAttributes(HANDLE device, PHIDD_ATTRIBUTES attributes) {
  LogLine line{};
  LogText(line, "HidD_GetAttributes");
  DWORD handleFlags = 0;
  const bool handleOpen = GetHandleInformation(device, &handleFlags) != FALSE;
  LogText(line, handleOpen ? " handle=open" : " handle=invalid");
  if (handleOpen && !RecordGivenHandle(device)) LogText(line, " ledger=full");
  LogText(line, " Size=");
  LogDecimal(line, attributes == nullptr ? 0 : attributes->Size);

  bool ok = false;
  unsigned char identity[6];
  if (!handleOpen) {
    SetLastError(ERROR_INVALID_HANDLE);
  } else if (attributes == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
  } else if (attributes->Size != kAttributesSize) {
    SetLastError(ERROR_INVALID_USER_BUFFER);
  } else if (!ReadIdentity(device, identity)) {
    SetLastError(ERROR_INVALID_FUNCTION);  // not a HID collection
  } else {
    attributes->VendorID = static_cast<USHORT>(identity[0] | identity[1] << 8);
    attributes->ProductID = static_cast<USHORT>(identity[2] | identity[3] << 8);
    attributes->VersionNumber = static_cast<USHORT>(identity[4] | identity[5] << 8);
    ok = true;
  }
  LogResult(line, ok);
  if (ok) {
    LogText(line, " vid=");
    LogHexValue(line, attributes->VendorID);
    LogText(line, " pid=");
    LogHexValue(line, attributes->ProductID);
  }
  WriteLogLine(line);
  return ok ? TRUE : FALSE;
}

BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID) { return TRUE; }

}  // extern "C"
