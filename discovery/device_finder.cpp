#include "discovery/device_finder.h"

#include <cstddef>
#include <cstdint>

#include "discovery/hid_platform.h"
#include "discovery/memory.h"
#include "discovery/target_identity.h"

namespace {

using namespace hid_platform;

// The record sizes of the 32-bit x86 platform, which the set-up and HID calls check.
constexpr std::uint32_t kInterfaceRecordSize = 28;
constexpr std::uint32_t kDetailRecordSize = kDetailFixedSize;  // 6, not a 64-bit build's 8
constexpr std::uint32_t kAttributesRecordSize = 12;

constexpr std::uint32_t kPresentDeviceInterfaces = 0x12;  // DIGCF_PRESENT | DIGCF_DEVICEINTERFACE
constexpr std::uint32_t kGenericReadWrite = 0xC0000000;
constexpr std::uint32_t kShareReadWrite = 3;
constexpr std::uint32_t kOpenExisting = 3;

// No device path can exceed the platform's longest object name (32767 characters); a size
// query beyond that is malformed and would only waste a huge allocation.
constexpr std::uint32_t kMaxDetailSize = kDetailPathOffset + 32768 * sizeof(WideChar);

enum class Visit { kSkipped, kAccepted, kOutOfMemory };

// Length of the NUL-terminated text within `capacity` characters, or `capacity` when the
// platform left it unterminated.
std::size_t BoundedLength(const WideChar* text, std::size_t capacity) {
  std::size_t length = 0;
  while (length < capacity && text[length] != u'\0') ++length;
  return length;
}

// Opens the interface just long enough to read its identity, and keeps a copy of its path
// when it belongs to a USB-IO2 unit.
Visit VisitDevice(const WideChar* path, std::size_t pathLength, DevicePathList& list) {
  const DeviceHandle device =
      OpenDevice(path, kGenericReadWrite, kShareReadWrite, kOpenExisting, 0);
  if (device == kInvalidDevice) return Visit::kSkipped;

  HidAttributesRecord attributes{};
  attributes.size = kAttributesRecordSize;
  if (!GetHidAttributes(device, &attributes) ||
      !IsUsbIo2Identity(attributes.vendorId, attributes.productId)) {
    CloseDevice(device);
    return Visit::kSkipped;
  }

  DevicePathNode* node = CreateDevicePathNode();
  if (node != nullptr) node->path = CopyWideString(path, pathLength);
  // The handle is closed before anything else happens, so at most one device is open at a time.
  CloseDevice(device);
  if (node == nullptr || node->path == nullptr) {
    ReleaseMemory(node);
    return Visit::kOutOfMemory;
  }
  AppendDevicePathNode(list, node);
  return Visit::kAccepted;
}

Visit VisitInterface(InterfaceSet set, InterfaceRecord& record, DevicePathList& list) {
  // A size query "fails" by design (the buffer is too small) and reports the size it needs,
  // so only the size is looked at. Too small a size would leave no room for the size field.
  std::uint32_t detailSize = 0;
  GetInterfaceDetail(set, &record, nullptr, 0, &detailSize);
  if (detailSize < kDetailFixedSize || detailSize > kMaxDetailSize) return Visit::kSkipped;

  void* detail = AllocateMemory(detailSize);
  if (detail == nullptr) return Visit::kOutOfMemory;
  *static_cast<std::uint32_t*>(detail) = kDetailRecordSize;

  Visit result = Visit::kSkipped;
  if (GetInterfaceDetail(set, &record, detail, detailSize, nullptr)) {
    const auto* path = reinterpret_cast<const WideChar*>(static_cast<const std::uint8_t*>(detail) +
                                                         kDetailPathOffset);
    const std::size_t capacity = (detailSize - kDetailPathOffset) / sizeof(WideChar);
    const std::size_t length = BoundedLength(path, capacity);
    // An unterminated path could be neither opened nor copied without reading past the buffer.
    if (length < capacity) result = VisitDevice(path, length, list);
  }
  ReleaseMemory(detail);
  return result;
}

}  // namespace

std::int32_t FindTargetDevices(DevicePathList& list) {
  std::int32_t count = 0;
  std::uint32_t memberIndex = 0;
  ClassGuid hidGuid{};
  GetHidClassGuid(&hidGuid);

  const InterfaceSet set = GetClassInterfaceSet(hidGuid, kPresentDeviceInterfaces);
  if (set == nullptr) return 0;

  bool outOfMemory = false;
  for (;; ++memberIndex) {
    InterfaceRecord record{};
    record.cbSize = kInterfaceRecordSize;
    // Failure is the normal end of the walk (no more items) as well as any other error.
    if (!EnumerateInterface(set, hidGuid, memberIndex, &record)) break;

    const Visit visit = VisitInterface(set, record, list);
    if (visit == Visit::kAccepted) ++count;
    if (visit == Visit::kOutOfMemory) {
      outOfMemory = true;
      break;
    }
  }

  DestroyInterfaceSet(set);
  return outOfMemory ? kFinderOutOfMemory : count;
}
