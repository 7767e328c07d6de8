#pragma once

// A platform that answers the finder from a table of interfaces and records what it was
// asked. It checks the size fields the way the platform does, answers the size query with
// failure plus the needed size, and ends the enumeration with failure.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "discovery/hid_platform.h"

namespace fake_hid {

enum class Failure { kNone, kEnumerate, kDetail, kOpen, kAttributes };

struct FakeInterface {
  std::uint16_t vendorId = 0;
  std::uint16_t productId = 0;
  std::u16string path;
  Failure failure = Failure::kNone;
  std::optional<std::uint32_t> reportedSize;  // replaces the true size in the size query
  bool unterminated = false;                  // fills the buffer with no NUL
};

struct Scenario {
  std::vector<FakeInterface> interfaces;
  bool setUnobtainable = false;
};

struct OpenCall {
  std::u16string path;
  std::uint32_t access, shareMode, disposition, flagsAndAttributes;
};

struct Recording {
  std::vector<std::uint32_t> setFlags;
  bool guidWasHid = true;  // every call that took a GUID got the HID class GUID
  std::vector<std::uint32_t> enumerateRecordSizes;
  std::vector<std::uint32_t> detailRecordSizes;  // cbSize seen by each filling call
  std::vector<std::uint32_t> detailBufferSizes;  // buffer size of each filling call
  std::vector<std::uint32_t> reportedSizes;      // what each size query answered
  int buffersNotAsReported = 0;  // filling calls whose buffer differs from the size query
  std::vector<std::uint32_t> attributeRecordSizes;
  std::vector<OpenCall> opens;
  std::vector<hid_platform::DeviceHandle> closed;
  int handlesGiven = 0;
  int openNow = 0;
  int maxOpenAtOnce = 0;
  int setsCreated = 0;
  int setsDestroyed = 0;
  int openWhenDestroyed = 0;
  int misuses = 0;  // a call on a closed handle or a destroyed set, a foreign handle, ...
};

void Install(Scenario scenario);
const Recording& Recorded();

}  // namespace fake_hid
