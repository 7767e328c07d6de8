#pragma once

// A platform that answers the finder from a table of interfaces and records what it was
// asked. It checks the size fields the way the platform does, answers the size query with
// failure plus the needed size, and ends the enumeration with failure. A scenario can make
// any call of any operation fail, and script malformed answers per interface.

#include <array>
#include <cstddef>
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
  // The size the filling call finds it needs, when the path changed after the size query: a
  // smaller buffer fails as too small, a large enough one is filled.
  std::optional<std::uint32_t> filledSize = std::nullopt;
  bool attributesUntouched = false;  // the attribute call succeeds but fills nothing
};

// The platform operations, each with its own call count from 0. The detail call is two: the
// size query (no buffer) and the fill.
enum class Operation {
  kGetSet,
  kEnumerate,
  kSizeQuery,
  kFillDetail,
  kOpen,
  kAttributes,
  kClose,
  kDestroy
};
inline constexpr std::size_t kOperationCount = 8;

// Makes the call numbered `call` of `operation` fail with the platform's failure answer and
// its outputs untouched. A failed close or destroy still releases what it was given: all the
// caller can do is call it once.
struct CallFault {
  Operation operation;
  std::size_t call;
};

struct Scenario {
  std::vector<FakeInterface> interfaces;
  bool setUnobtainable = false;
  std::vector<CallFault> faults = {};
};

// The table index of the interface a call concerned, when it concerned none.
inline constexpr std::size_t kNoInterface = static_cast<std::size_t>(-1);

struct FaultHit {
  Operation operation;
  std::size_t interface;  // the table index the failed call concerned, or kNoInterface
};

// A successful attribute answer: the identity written for the interface at that path.
struct AnsweredIdentity {
  std::u16string path;
  std::uint16_t vendorId, productId;
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
  std::array<std::size_t, kOperationCount> calls{};  // per Operation, failed ones included
  std::vector<FaultHit> faultsHit;                   // in call order
  std::vector<bool> enumerateAnswers;                // what each enumeration call answered
  std::vector<std::u16string> filledPaths;   // each terminated path a fill delivered, in order
  std::vector<AnsweredIdentity> identities;  // in call order
};

void Install(Scenario scenario);
const Recording& Recorded();

}  // namespace fake_hid
