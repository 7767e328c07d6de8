// setupapi.dll for the end-to-end tests: the four device set-up calls the tool imports,
// answering from the case's device table the way the platform does, and logging what each
// call was asked.

#include <windows.h>
// Defining the functions here, not importing them.
#define _SETUPAPI_
#include <setupapi.h>

#include "tests/wine_fakes/call_log.h"
#include "tests/wine_fakes/device_table.h"
#include "tests/wine_fakes/handle_ledger.h"

namespace {

// The one set this fake hands out; its address is the HDEVINFO.
struct FakeSet {
  bool live;
  DeviceTable table;
};
FakeSet gSet;

// The platform's 32-bit x86 record sizes.
constexpr DWORD kInterfaceDataSize = 28;
constexpr DWORD kDetailFixedSize = 6;
static_assert(sizeof(SP_DEVICE_INTERFACE_DATA) == kInterfaceDataSize);
static_assert(sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W) == kDetailFixedSize);

void LogSet(LogLine& line, HDEVINFO set) {
  LogText(line, set != &gSet ? " set=foreign" : gSet.live ? " set=live" : " set=destroyed");
}

void LogPresence(LogLine& line, const char* name, const void* pointer) {
  LogText(line, name);
  LogText(line, pointer == nullptr ? "null" : "given");
}

void HoldDevices(DeviceTable& table) {
  for (DWORD i = 0; i < table.count; ++i) {
    FakeInterface& entry = table.interfaces[i];
    entry.heldHandle = INVALID_HANDLE_VALUE;
    DWORD access = 0;
    DWORD share = 0;
    switch (entry.holder) {
      case Holder::kNone:
        continue;
      case Holder::kShared:
        access = GENERIC_READ | GENERIC_WRITE;
        share = FILE_SHARE_READ | FILE_SHARE_WRITE;
        break;
      case Holder::kDenyWrite:
        access = GENERIC_READ;
        share = FILE_SHARE_READ;
        break;
      case Holder::kExclusive:
        access = GENERIC_READ | GENERIC_WRITE;
        break;
    }
    entry.heldHandle = CreateFileW(entry.path, access, share, nullptr, OPEN_EXISTING, 0, nullptr);
    if (entry.heldHandle == INVALID_HANDLE_VALUE) {
      LogLine line{};
      LogText(line, "holder could not open interface ");
      LogDecimal(line, i);
      WriteLogLine(line);
    }
  }
}

void ReleaseDevices(DeviceTable& table) {
  for (DWORD i = 0; i < table.count; ++i) {
    HANDLE& held = table.interfaces[i].heldHandle;
    if (held != INVALID_HANDLE_VALUE && held != nullptr) CloseHandle(held);
    held = INVALID_HANDLE_VALUE;
  }
}

// The interface an enumeration filled into `data`, or null for a record this fake never
// filled. The platform keeps its own reference in Reserved; so does the fake (index + 1).
FakeInterface* InterfaceOf(const SP_DEVICE_INTERFACE_DATA& data, DWORD* index) {
  if (data.Reserved == 0 || data.Reserved > gSet.table.count) return nullptr;
  *index = static_cast<DWORD>(data.Reserved - 1);
  return &gSet.table.interfaces[*index];
}

// A size query passes no buffer and size 0; a fetch passes a buffer with room for the
// fixed part and its size field set to the 32-bit record's 6.
bool DetailBufferValid(const SP_DEVICE_INTERFACE_DETAIL_DATA_W* detail, DWORD size) {
  if (detail == nullptr) return size == 0;
  return size >= kDetailFixedSize && detail->cbSize == kDetailFixedSize;
}

bool Fail(DWORD error) {
  SetLastError(error);
  return false;
}

}  // namespace

extern "C" {

HDEVINFO WINAPI SetupDiGetClassDevsW(const GUID* classGuid, PCWSTR enumerator, HWND parent,
                                     DWORD flags) {
  LogLine line{};
  LogText(line, "SetupDiGetClassDevsW guid=");
  if (classGuid == nullptr) {
    LogText(line, "null");
  } else {
    LogGuid(line, *classGuid);
  }
  LogPresence(line, " enumerator=", enumerator);
  LogPresence(line, " parent=", parent);
  LogText(line, " flags=");
  LogHexValue(line, flags);

  HDEVINFO result = INVALID_HANDLE_VALUE;
  if (gSet.live) {
    SetLastError(ERROR_INVALID_FUNCTION);  // one set per run is all the tool may ask for
  } else if (!LoadDeviceTable(gSet.table)) {
    SetLastError(ERROR_INVALID_DATA);
  } else if (gSet.table.setUnobtainable) {
    FreeDeviceTable(gSet.table);
    SetLastError(ERROR_INVALID_DATA);
  } else {
    gSet.live = true;
    HoldDevices(gSet.table);
    result = &gSet;
  }
  LogResult(line, result != INVALID_HANDLE_VALUE);
  WriteLogLine(line);
  return result;
}

BOOL WINAPI SetupDiEnumDeviceInterfaces(HDEVINFO set, PSP_DEVINFO_DATA device,
                                        const GUID* interfaceClassGuid, DWORD memberIndex,
                                        PSP_DEVICE_INTERFACE_DATA data) {
  LogLine line{};
  LogText(line, "SetupDiEnumDeviceInterfaces");
  LogSet(line, set);
  LogPresence(line, " device=", device);
  LogText(line, " guid=");
  if (interfaceClassGuid == nullptr) {
    LogText(line, "null");
  } else {
    LogGuid(line, *interfaceClassGuid);
  }
  LogText(line, " index=");
  LogDecimal(line, memberIndex);
  LogText(line, " cbSize=");
  LogDecimal(line, data == nullptr ? 0 : data->cbSize);
  // The device handle of the previous interface must be closed before this one is opened.
  LogText(line, " open=");
  LogDecimal(line, CountStillOpenAndForget());

  bool ok = false;
  if (set != &gSet || !gSet.live) {
    Fail(ERROR_INVALID_HANDLE);
  } else if (data == nullptr) {
    Fail(ERROR_INVALID_PARAMETER);
  } else if (data->cbSize != kInterfaceDataSize) {
    Fail(ERROR_INVALID_USER_BUFFER);
  } else if (memberIndex >= gSet.table.count) {
    Fail(ERROR_NO_MORE_ITEMS);
  } else if (gSet.table.interfaces[memberIndex].enumeration == EnumerationMode::kFail) {
    Fail(ERROR_INVALID_DATA);
  } else {
    data->InterfaceClassGuid = interfaceClassGuid != nullptr ? *interfaceClassGuid : GUID{};
    data->Flags = SPINT_ACTIVE;
    data->Reserved = memberIndex + 1;
    ok = true;
  }
  LogResult(line, ok);
  WriteLogLine(line);
  return ok;
}

BOOL WINAPI SetupDiGetDeviceInterfaceDetailW(HDEVINFO set, PSP_DEVICE_INTERFACE_DATA data,
                                             PSP_DEVICE_INTERFACE_DETAIL_DATA_W detail,
                                             DWORD detailSize, PDWORD requiredSize,
                                             PSP_DEVINFO_DATA device) {
  LogLine line{};
  LogText(line, "SetupDiGetDeviceInterfaceDetailW");
  LogSet(line, set);
  DWORD index = 0;
  FakeInterface* entry = nullptr;
  if (set == &gSet && gSet.live && data != nullptr) entry = InterfaceOf(*data, &index);
  LogText(line, " interface=");
  if (entry == nullptr) {
    LogText(line, "unknown");
  } else {
    LogDecimal(line, index);
  }
  LogText(line, " cbSize=");
  LogDecimal(line, data == nullptr ? 0 : data->cbSize);
  if (detail == nullptr) {
    LogText(line, " detail=null");
  } else {
    LogText(line, " detail.cbSize=");
    LogDecimal(line, detail->cbSize);
  }
  LogText(line, " size=");
  LogDecimal(line, detailSize);
  LogPresence(line, " required=", requiredSize);
  LogPresence(line, " device=", device);

  bool ok = false;
  const DWORD needed =
      entry == nullptr ? 0 : kDetailFixedSize + entry->pathLength * sizeof(wchar_t);
  if (set != &gSet || !gSet.live) {
    Fail(ERROR_INVALID_HANDLE);
  } else if (data == nullptr || data->cbSize != kInterfaceDataSize) {
    Fail(ERROR_INVALID_USER_BUFFER);
  } else if (entry == nullptr) {
    Fail(ERROR_INVALID_PARAMETER);
  } else if (!DetailBufferValid(detail, detailSize)) {
    Fail(ERROR_INVALID_USER_BUFFER);
  } else if (entry->detail == DetailMode::kNoSize) {
    Fail(ERROR_INVALID_DATA);
  } else {
    LogText(line, " needed=");
    LogDecimal(line, needed);
    if (requiredSize != nullptr) *requiredSize = needed;
    if (detailSize < needed) {
      Fail(ERROR_INSUFFICIENT_BUFFER);
    } else if (entry->detail == DetailMode::kFail) {
      // Gone between the enumeration and the fetch.
      Fail(ERROR_NO_SUCH_DEVICE_INTERFACE);
    } else {
      for (DWORD i = 0; i <= entry->pathLength; ++i) detail->DevicePath[i] = entry->path[i];
      ok = true;
    }
  }
  LogResult(line, ok);
  WriteLogLine(line);
  return ok;
}

BOOL WINAPI SetupDiDestroyDeviceInfoList(HDEVINFO set) {
  LogLine line{};
  LogText(line, "SetupDiDestroyDeviceInfoList");
  LogSet(line, set);
  // Every device handle the tool was given is closed by the time the set goes.
  LogText(line, " open=");
  LogDecimal(line, CountStillOpenAndForget());

  bool ok = false;
  if (set != &gSet || !gSet.live) {
    Fail(ERROR_INVALID_HANDLE);
  } else {
    ReleaseDevices(gSet.table);
    FreeDeviceTable(gSet.table);
    gSet.live = false;
    ok = true;
  }
  LogResult(line, ok);
  WriteLogLine(line);
  return ok;
}

BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID) { return TRUE; }

}  // extern "C"
