#include "fakes/fake_hid_platform.h"

#include <algorithm>
#include <cstring>
#include <map>

namespace fake_hid {
namespace {

constexpr hid_platform::ClassGuid kHidGuid = {
    0x4D1E55B2, 0xF16F, 0x11CF, {0x88, 0xCB, 0x00, 0x11, 0x11, 0x00, 0x00, 0x30}};
constexpr std::intptr_t kFirstHandle = 0x100;

struct State {
  Scenario scenario;
  Recording recording;
  int setToken = 0;  // the set is the address of this field
  bool setLive = false;
  std::map<hid_platform::DeviceHandle, std::size_t> openHandles;  // handle -> interface
  std::intptr_t nextHandle = kFirstHandle;
  std::optional<std::uint32_t> lastReported;
};

State& Current() {
  static State state;
  return state;
}

bool IsHidGuid(const hid_platform::ClassGuid& guid) {
  return std::memcmp(&guid, &kHidGuid, sizeof(guid)) == 0;
}

bool IsLiveSet(hid_platform::InterfaceSet set) {
  State& s = Current();
  if (set == &s.setToken && s.setLive) return true;
  ++s.recording.misuses;
  return false;
}

// Counts this call of `operation` and says whether the scenario makes it fail.
bool FailsNow(Operation operation, std::size_t interface) {
  State& s = Current();
  const std::size_t call = s.recording.calls[static_cast<std::size_t>(operation)]++;
  for (const CallFault& fault : s.scenario.faults) {
    if (fault.operation == operation && fault.call == call) {
      s.recording.faultsHit.push_back({operation, interface});
      return true;
    }
  }
  return false;
}

bool Enumerate(hid_platform::InterfaceSet set, const hid_platform::ClassGuid& guid,
               std::uint32_t memberIndex, hid_platform::InterfaceRecord* record) {
  State& s = Current();
  if (FailsNow(Operation::kEnumerate, memberIndex)) return false;
  if (!IsLiveSet(set)) return false;
  if (!IsHidGuid(guid)) s.recording.guidWasHid = false;
  if (record->cbSize != 28) return false;                         // invalid user buffer
  if (memberIndex >= s.scenario.interfaces.size()) return false;  // no more items
  if (s.scenario.interfaces[memberIndex].failure == Failure::kEnumerate) return false;
  record->interfaceClassGuid = guid;
  record->flags = 1;  // SPINT_ACTIVE
  record->reserved = memberIndex;
  return true;
}

std::uint32_t TrueDetailSize(const FakeInterface& item) {
  return static_cast<std::uint32_t>(hid_platform::kDetailPathOffset +
                                    (item.path.size() + 1) * sizeof(char16_t));
}

}  // namespace

void Install(Scenario scenario) {
  Current() = State{};
  Current().scenario = std::move(scenario);
}

const Recording& Recorded() { return Current().recording; }

}  // namespace fake_hid

namespace hid_platform {

using fake_hid::Current;
using fake_hid::FailsNow;
using fake_hid::Failure;
using fake_hid::kNoInterface;
using fake_hid::Operation;

void GetHidClassGuid(ClassGuid* guid) { *guid = fake_hid::kHidGuid; }

InterfaceSet GetClassInterfaceSet(const ClassGuid& guid, std::uint32_t flags) {
  auto& s = Current();
  s.recording.setFlags.push_back(flags);
  if (!fake_hid::IsHidGuid(guid)) s.recording.guidWasHid = false;
  if (FailsNow(Operation::kGetSet, kNoInterface) || s.scenario.setUnobtainable) return nullptr;
  s.setLive = true;
  ++s.recording.setsCreated;
  return &s.setToken;
}

bool EnumerateInterface(InterfaceSet set, const ClassGuid& guid, std::uint32_t memberIndex,
                        InterfaceRecord* record) {
  auto& s = Current();
  s.recording.enumerateRecordSizes.push_back(record->cbSize);
  const bool answered = fake_hid::Enumerate(set, guid, memberIndex, record);
  s.recording.enumerateAnswers.push_back(answered);
  return answered;
}

bool GetInterfaceDetail(InterfaceSet set, InterfaceRecord* record, void* detail,
                        std::uint32_t detailSize, std::uint32_t* requiredSize) {
  auto& s = Current();
  const bool fails = FailsNow(detail == nullptr ? Operation::kSizeQuery : Operation::kFillDetail,
                              record->reserved);
  if (!fake_hid::IsLiveSet(set)) return false;
  if (record->reserved >= s.scenario.interfaces.size()) {
    ++s.recording.misuses;
    return false;
  }
  const fake_hid::FakeInterface& item = s.scenario.interfaces[record->reserved];
  const std::uint32_t needed = item.reportedSize.value_or(fake_hid::TrueDetailSize(item));
  if (detail == nullptr) {
    if (fails) {  // an error other than a too small buffer: no size reported
      s.lastReported.reset();
      return false;
    }
    s.recording.reportedSizes.push_back(needed);
    s.lastReported = needed;
    if (requiredSize != nullptr) *requiredSize = needed;
    return false;  // insufficient buffer, by design
  }
  std::uint32_t cbSize;
  std::memcpy(&cbSize, detail, sizeof(cbSize));
  s.recording.detailRecordSizes.push_back(cbSize);
  s.recording.detailBufferSizes.push_back(detailSize);
  if (s.lastReported != detailSize) ++s.recording.buffersNotAsReported;
  if (cbSize != 6 || detailSize < kDetailFixedSize) return false;  // invalid user buffer
  if (fails || item.failure == Failure::kDetail) return false;
  const std::uint32_t neededNow = item.filledSize.value_or(needed);
  if (detailSize < neededNow) {
    if (requiredSize != nullptr) *requiredSize = neededNow;
    return false;
  }
  auto* path = static_cast<char*>(detail) + hid_platform::kDetailPathOffset;
  const std::size_t room = (detailSize - hid_platform::kDetailPathOffset) / sizeof(char16_t);
  if (item.unterminated) {
    for (std::size_t i = 0; i < room; ++i) {
      const char16_t c = item.path.empty() ? u'x' : item.path[i % item.path.size()];
      const char16_t never = c == u'\0' ? u'x' : c;  // a NUL inside the path would end it
      std::memcpy(path + i * sizeof(char16_t), &never, sizeof(never));
    }
    return true;
  }
  // A reported size smaller than the truth gets what fits, still terminated.
  const std::size_t length = std::min(item.path.size(), room - 1);
  std::memcpy(path, item.path.data(), length * sizeof(char16_t));
  const char16_t nul = u'\0';
  std::memcpy(path + length * sizeof(char16_t), &nul, sizeof(nul));
  s.recording.filledPaths.emplace_back(item.path.substr(0, length).c_str());
  return true;
}

DeviceHandle OpenDevice(const WideChar* path, std::uint32_t access, std::uint32_t shareMode,
                        std::uint32_t disposition, std::uint32_t flagsAndAttributes) {
  auto& s = Current();
  s.recording.opens.push_back({path, access, shareMode, disposition, flagsAndAttributes});
  const auto& items = s.scenario.interfaces;
  const auto found =
      std::find_if(items.begin(), items.end(),
                   [&](const fake_hid::FakeInterface& item) { return item.path == path; });
  const std::size_t index =
      found == items.end() ? kNoInterface : static_cast<std::size_t>(found - items.begin());
  if (FailsNow(Operation::kOpen, index)) return kInvalidDevice;
  if (*path == u'\0' || index == kNoInterface) return kInvalidDevice;  // no such file
  if (found->failure == Failure::kOpen) return kInvalidDevice;
  const DeviceHandle handle = s.nextHandle++;
  s.openHandles[handle] = index;
  ++s.recording.handlesGiven;
  ++s.recording.openNow;
  s.recording.maxOpenAtOnce = std::max(s.recording.maxOpenAtOnce, s.recording.openNow);
  return handle;
}

bool GetHidAttributes(DeviceHandle device, HidAttributesRecord* attributes) {
  auto& s = Current();
  s.recording.attributeRecordSizes.push_back(attributes->size);
  const auto found = s.openHandles.find(device);
  const bool fails =
      FailsNow(Operation::kAttributes, found == s.openHandles.end() ? kNoInterface : found->second);
  if (found == s.openHandles.end()) {
    ++s.recording.misuses;
    return false;
  }
  if (attributes->size != 12) return false;
  const auto& item = s.scenario.interfaces[found->second];
  if (fails || item.failure == Failure::kAttributes) return false;
  if (item.attributesUntouched) return true;
  attributes->vendorId = item.vendorId;
  attributes->productId = item.productId;
  attributes->versionNumber = 0x0100;
  s.recording.identities.push_back({item.path, item.vendorId, item.productId});
  return true;
}

bool CloseDevice(DeviceHandle device) {
  auto& s = Current();
  s.recording.closed.push_back(device);
  const auto found = s.openHandles.find(device);
  const bool fails =
      FailsNow(Operation::kClose, found == s.openHandles.end() ? kNoInterface : found->second);
  if (found == s.openHandles.end()) {
    ++s.recording.misuses;
    return false;
  }
  s.openHandles.erase(found);
  --s.recording.openNow;
  return !fails;
}

bool DestroyInterfaceSet(InterfaceSet set) {
  auto& s = Current();
  const bool fails = FailsNow(Operation::kDestroy, kNoInterface);
  if (!fake_hid::IsLiveSet(set)) return false;
  s.setLive = false;
  ++s.recording.setsDestroyed;
  s.recording.openWhenDestroyed = s.recording.openNow;
  return !fails;
}

}  // namespace hid_platform
