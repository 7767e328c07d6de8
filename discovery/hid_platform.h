#pragma once

// The platform operations the finder relies on, in the shape of the Windows device set-up,
// HID class and kernel calls. Each platform layer implements them once: the Win32 binding
// forwards to setupapi/hid/kernel32, the test fake answers from a table, other backends
// emulate them. The finder owns every constant passed here, so a fake can check them.

#include <cstdint>

#include "discovery/wide_char.h"

namespace hid_platform {

struct ClassGuid {
  std::uint32_t data1;
  std::uint16_t data2;
  std::uint16_t data3;
  std::uint8_t data4[8];
};

// Laid out as SP_DEVICE_INTERFACE_DATA (28 bytes on 32-bit x86).
struct InterfaceRecord {
  std::uint32_t cbSize;
  ClassGuid interfaceClassGuid;
  std::uint32_t flags;
  std::uintptr_t reserved;
};

// SP_DEVICE_INTERFACE_DETAIL_DATA_W is a 32-bit size followed by the path; the finder works
// on the raw buffer with these offsets rather than an array of length one.
inline constexpr std::uint32_t kDetailPathOffset = 4;
inline constexpr std::uint32_t kDetailFixedSize = kDetailPathOffset + sizeof(WideChar);

// Laid out as HIDD_ATTRIBUTES (12 bytes with its tail padding).
struct HidAttributesRecord {
  std::uint32_t size;
  std::uint16_t vendorId;
  std::uint16_t productId;
  std::uint16_t versionNumber;
};

// Opaque device information set; null when none could be obtained.
using InterfaceSet = void*;

// Kernel handle or descriptor; kInvalidDevice when the open failed.
using DeviceHandle = std::intptr_t;
inline constexpr DeviceHandle kInvalidDevice = -1;

void GetHidClassGuid(ClassGuid* guid);
InterfaceSet GetClassInterfaceSet(const ClassGuid& guid, std::uint32_t flags);
bool EnumerateInterface(InterfaceSet set, const ClassGuid& guid, std::uint32_t memberIndex,
                        InterfaceRecord* record);
bool GetInterfaceDetail(InterfaceSet set, InterfaceRecord* record, void* detail,
                        std::uint32_t detailSize, std::uint32_t* requiredSize);
DeviceHandle OpenDevice(const WideChar* path, std::uint32_t access, std::uint32_t shareMode,
                        std::uint32_t disposition, std::uint32_t flagsAndAttributes);
bool GetHidAttributes(DeviceHandle device, HidAttributesRecord* attributes);
bool CloseDevice(DeviceHandle device);
bool DestroyInterfaceSet(InterfaceSet set);

}  // namespace hid_platform
