// The finder's platform operations over the real set-up library, HID class library and
// kernel. Each is one call; the records are passed through unchanged because their layout
// is the platform's own.

#include <windows.h>
// windows.h first: the set-up and HID headers depend on its types.
#include <setupapi.h>
// mingw's HID header declares C functions without saying so.
extern "C" {
#include <hidsdi.h>
}

#include <cstddef>

#include "discovery/hid_platform.h"

namespace hid_platform {

static_assert(sizeof(ClassGuid) == sizeof(GUID));
static_assert(sizeof(WideChar) == sizeof(WCHAR));
static_assert(sizeof(InterfaceRecord) == sizeof(SP_DEVICE_INTERFACE_DATA));
static_assert(sizeof(InterfaceRecord) == 28);
static_assert(offsetof(InterfaceRecord, interfaceClassGuid) ==
              offsetof(SP_DEVICE_INTERFACE_DATA, InterfaceClassGuid));
static_assert(offsetof(InterfaceRecord, flags) == offsetof(SP_DEVICE_INTERFACE_DATA, Flags));
static_assert(kDetailPathOffset == offsetof(SP_DEVICE_INTERFACE_DETAIL_DATA_W, DevicePath));
static_assert(sizeof(HidAttributesRecord) == sizeof(HIDD_ATTRIBUTES));
static_assert(offsetof(HidAttributesRecord, vendorId) == offsetof(HIDD_ATTRIBUTES, VendorID));
static_assert(offsetof(HidAttributesRecord, productId) == offsetof(HIDD_ATTRIBUTES, ProductID));
static_assert(sizeof(DeviceHandle) == sizeof(HANDLE));

void GetHidClassGuid(ClassGuid* guid) { HidD_GetHidGuid(reinterpret_cast<GUID*>(guid)); }

InterfaceSet GetClassInterfaceSet(const ClassGuid& guid, std::uint32_t flags) {
  const HDEVINFO set =
      SetupDiGetClassDevsW(reinterpret_cast<const GUID*>(&guid), nullptr, nullptr, flags);
  return set == INVALID_HANDLE_VALUE ? nullptr : set;
}

bool EnumerateInterface(InterfaceSet set, const ClassGuid& guid, std::uint32_t memberIndex,
                        InterfaceRecord* record) {
  return SetupDiEnumDeviceInterfaces(set, nullptr, reinterpret_cast<const GUID*>(&guid),
                                     memberIndex,
                                     reinterpret_cast<PSP_DEVICE_INTERFACE_DATA>(record)) != FALSE;
}

bool GetInterfaceDetail(InterfaceSet set, InterfaceRecord* record, void* detail,
                        std::uint32_t detailSize, std::uint32_t* requiredSize) {
  return SetupDiGetDeviceInterfaceDetailW(set, reinterpret_cast<PSP_DEVICE_INTERFACE_DATA>(record),
                                          static_cast<PSP_DEVICE_INTERFACE_DETAIL_DATA_W>(detail),
                                          detailSize, reinterpret_cast<PDWORD>(requiredSize),
                                          nullptr) != FALSE;
}

DeviceHandle OpenDevice(const WideChar* path, std::uint32_t access, std::uint32_t shareMode,
                        std::uint32_t disposition, std::uint32_t flagsAndAttributes) {
  const HANDLE device = CreateFileW(reinterpret_cast<LPCWSTR>(path), access, shareMode, nullptr,
                                    disposition, flagsAndAttributes, nullptr);
  return reinterpret_cast<DeviceHandle>(device);
}

bool GetHidAttributes(DeviceHandle device, HidAttributesRecord* attributes) {
  return HidD_GetAttributes(reinterpret_cast<HANDLE>(device),
                            reinterpret_cast<PHIDD_ATTRIBUTES>(attributes)) != FALSE;
}

bool CloseDevice(DeviceHandle device) {
  return CloseHandle(reinterpret_cast<HANDLE>(device)) != FALSE;
}

bool DestroyInterfaceSet(InterfaceSet set) { return SetupDiDestroyDeviceInfoList(set) != FALSE; }

}  // namespace hid_platform
