#include "bench/memory_platform.h"

#include <cstring>

#include "discovery/hid_platform.h"

namespace memory_platform {
namespace {

const Table* gTable = nullptr;
std::uint32_t gDescribed = 0;  // the member whose detail was fetched last

}  // namespace

Table MakeTable(std::size_t interfaces, std::size_t units) {
  Table table;
  const std::size_t stride = units == 0 ? interfaces + 1 : interfaces / units;
  for (std::size_t i = 0; i < interfaces; ++i) {
    std::u16string number;
    for (std::size_t n = i, d = 0; d < 6; ++d, n /= 10)
      number.insert(number.begin(), u'0' + n % 10);
    table.paths.push_back(u"\\\\?\\hid#vid_1352&pid_0122#7&" + number +
                          u"&0&0000#{4d1e55b2-f16f-11cf-88cb-001111000030}");
    table.productIds.push_back(i % stride == stride / 2 ? 0x0120 : 0x0122);
  }
  return table;
}

void Install(const Table* table) { gTable = table; }

}  // namespace memory_platform

namespace hid_platform {

using memory_platform::gDescribed;
using memory_platform::gTable;

void GetHidClassGuid(ClassGuid* guid) { *guid = ClassGuid{}; }

InterfaceSet GetClassInterfaceSet(const ClassGuid&, std::uint32_t) {
  return const_cast<memory_platform::Table*>(gTable);
}

bool EnumerateInterface(InterfaceSet, const ClassGuid&, std::uint32_t memberIndex,
                        InterfaceRecord* record) {
  if (memberIndex >= gTable->paths.size()) return false;
  record->reserved = memberIndex;
  return true;
}

bool GetInterfaceDetail(InterfaceSet, InterfaceRecord* record, void* detail,
                        std::uint32_t detailSize, std::uint32_t* requiredSize) {
  const std::u16string& path = gTable->paths[record->reserved];
  const auto needed =
      static_cast<std::uint32_t>(kDetailPathOffset + (path.size() + 1) * sizeof(char16_t));
  if (detail == nullptr || detailSize < needed) {
    if (requiredSize != nullptr) *requiredSize = needed;
    return false;
  }
  std::memcpy(static_cast<char*>(detail) + kDetailPathOffset, path.c_str(),
              (path.size() + 1) * sizeof(char16_t));
  gDescribed = static_cast<std::uint32_t>(record->reserved);
  return true;
}

DeviceHandle OpenDevice(const WideChar*, std::uint32_t, std::uint32_t, std::uint32_t,
                        std::uint32_t) {
  return static_cast<DeviceHandle>(gDescribed);
}

bool GetHidAttributes(DeviceHandle device, HidAttributesRecord* attributes) {
  attributes->vendorId = 0x1352;
  attributes->productId = gTable->productIds[static_cast<std::size_t>(device)];
  return true;
}

bool CloseDevice(DeviceHandle) { return true; }
bool DestroyInterfaceSet(InterfaceSet) { return true; }

}  // namespace hid_platform
