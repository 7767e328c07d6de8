// hid_lister: the lab's independent view of the HID interfaces the platform offers.
//
// One line per interface, in the order the set-up library enumerates them, tab-separated:
//   hid  VVVV  PPPP  SERIAL  PATH     attributes read (VID/PID as 4 lower-case hex digits)
//   unopened  -  -  -  PATH           the interface could not be opened at all
//   noattr    -  -  -  PATH           opened, but the attribute read failed
// The device is opened with no access rights, as general HID libraries do, so this lister
// sees interfaces that a program asking for read+write access may be refused.
// Exit status: 0, or 2 when the interface set cannot be obtained.

#include <windows.h>

extern "C" {
#include <hidsdi.h>
}
#include <setupapi.h>

#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

std::string Utf8(const wchar_t* text) {
  const int size = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
  if (size <= 1) return {};
  std::string out(static_cast<size_t>(size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text, -1, out.data(), size, nullptr, nullptr);
  out.resize(static_cast<size_t>(size - 1));
  return out;
}

// Serial strings are at most 126 UTF-16 units on USB; the buffer also holds the NUL.
std::string Serial(HANDLE device) {
  wchar_t buffer[128] = {};
  if (!HidD_GetSerialNumberString(device, buffer, sizeof buffer - sizeof buffer[0])) return "-";
  const std::string serial = Utf8(buffer);
  return serial.empty() ? "-" : serial;
}

std::string Describe(const wchar_t* path) {
  const HANDLE device =
      CreateFileW(path, 0, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
  if (device == INVALID_HANDLE_VALUE) return "unopened\t-\t-\t-";
  HIDD_ATTRIBUTES attributes = {};
  attributes.Size = sizeof attributes;
  std::string line;
  if (HidD_GetAttributes(device, &attributes)) {
    char ids[32];
    std::snprintf(ids, sizeof ids, "hid\t%04x\t%04x\t", attributes.VendorID, attributes.ProductID);
    line = ids + Serial(device);
  } else {
    line = "noattr\t-\t-\t-";
  }
  CloseHandle(device);
  return line;
}

}  // namespace

int main() {
  // Plain LF line ends, whatever the runtime's text mode would add.
  _setmode(_fileno(stdout), _O_BINARY);
  GUID hid_class;
  HidD_GetHidGuid(&hid_class);
  const HDEVINFO set =
      SetupDiGetClassDevsW(&hid_class, nullptr, nullptr, DIGCF_PRESENT | DIGCF_DEVICEINTERFACE);
  if (set == INVALID_HANDLE_VALUE) {
    std::fprintf(stderr, "hid_lister: no HID interface set (error %lu)\n", GetLastError());
    return 2;
  }
  SP_DEVICE_INTERFACE_DATA entry = {};
  entry.cbSize = sizeof entry;
  for (DWORD index = 0; SetupDiEnumDeviceInterfaces(set, nullptr, &hid_class, index, &entry);
       ++index) {
    DWORD size = 0;
    SetupDiGetDeviceInterfaceDetailW(set, &entry, nullptr, 0, &size, nullptr);
    if (size < sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W)) continue;
    // DWORD-sized elements keep the detail record aligned as the platform requires.
    std::vector<DWORD> buffer((size + sizeof(DWORD) - 1) / sizeof(DWORD));
    auto* detail = reinterpret_cast<SP_DEVICE_INTERFACE_DETAIL_DATA_W*>(buffer.data());
    detail->cbSize = sizeof *detail;
    if (!SetupDiGetDeviceInterfaceDetailW(set, &entry, detail, size, nullptr, nullptr)) continue;
    std::printf("%s\t%s\n", Describe(detail->DevicePath).c_str(), Utf8(detail->DevicePath).c_str());
  }
  SetupDiDestroyDeviceInfoList(set);
  return 0;
}
