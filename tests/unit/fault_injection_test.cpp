// Every platform call and every allocation of a walk made to fail in turn, alone and in
// pairs: nothing may leak or stay open, and the list must hold exactly what the failure
// leaves.

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstddef>
#include <iterator>
#include <set>
#include <string>
#include <vector>

#include "discovery/device_finder.h"
#include "discovery/device_path_list.h"
#include "fakes/counting_heap.h"
#include "fakes/fake_hid_platform.h"
#include "report/report_main.h"
#include "tests/unit/finder_invariants.h"
#include "tests/unit/main_run.h"

namespace {

using fake_hid::CallFault;
using fake_hid::Operation;

constexpr const char* kOperationNames[fake_hid::kOperationCount] = {
    "get set", "enumerate", "size query", "fill detail", "open", "attributes", "close", "destroy"};

struct Row {
  std::uint16_t vendorId, productId;
  const char16_t* path;
  bool unit;
};

// Three units among three other devices, with paths of unlike lengths, one not ASCII.
const Row kTable[] = {
    {0x046D, 0xC31C, u"\\\\?\\hid#vid_046d&pid_c31c#7&2f&0&0000#{4d1e55b2}", false},
    {0x1352, 0x0120, u"\\\\?\\hid#vid_1352&pid_0120#7&1a2b3c4d&0&0000#{4d1e55b2}", true},
    {0x1352, 0x0122, u"\\\\?\\hid#vid_1352&pid_0122#x", false},
    {0x1352, 0x0121, u"\\\\?\\hid#ユニット#{4d1e55b2}", true},
    {0x1353, 0x0120, u"vendor one off", false},
    {0x1352, 0x0121, u"u", true},
};
constexpr std::size_t kRows = std::size(kTable);

fake_hid::Scenario Table(std::vector<CallFault> faults = {}) {
  fake_hid::Scenario scenario;
  for (const Row& row : kTable) {
    scenario.interfaces.push_back({row.vendorId, row.productId, row.path, {}, {}, false});
  }
  scenario.faults = std::move(faults);
  return scenario;
}

std::size_t Length(const char16_t* text) { return std::u16string(text).size(); }

// The list a single failed call must leave: an enumeration failure ends the walk at its
// index, a failed detail, open or attribute call skips that interface alone, no set means no
// list, and a failed close or destroy changes nothing.
std::vector<std::u16string> ExpectedAfter(const fake_hid::FaultHit* hit) {
  std::vector<std::u16string> paths;
  for (std::size_t i = 0; i < kRows; ++i) {
    if (!kTable[i].unit) continue;
    if (hit != nullptr) {
      switch (hit->operation) {
        case Operation::kGetSet:
          continue;
        case Operation::kEnumerate:
          if (i >= hit->interface) continue;
          break;
        case Operation::kSizeQuery:
        case Operation::kFillDetail:
        case Operation::kOpen:
        case Operation::kAttributes:
          if (i == hit->interface) continue;
          break;
        case Operation::kClose:
        case Operation::kDestroy:
          break;
      }
    }
    paths.emplace_back(kTable[i].path);
  }
  return paths;
}

enum class Kind { kDetail, kNode, kPath };

struct Allocation {
  Kind kind;
  std::size_t interface;
  std::size_t bytes;
};

// The allocations of a clean walk, in order: a detail buffer exactly the reported size for
// every interface, then a node and a copy of the path for every unit.
std::vector<Allocation> CleanWalkAllocations() {
  std::vector<Allocation> allocations;
  for (std::size_t i = 0; i < kRows; ++i) {
    const std::size_t pathBytes = (Length(kTable[i].path) + 1) * sizeof(char16_t);
    allocations.push_back({Kind::kDetail, i, 4 + pathBytes});
    if (!kTable[i].unit) continue;
    allocations.push_back({Kind::kNode, i, sizeof(DevicePathNode)});
    allocations.push_back({Kind::kPath, i, pathBytes});
  }
  return allocations;
}

std::array<std::size_t, fake_hid::kOperationCount> CleanWalkCalls() {
  const FinderWalk clean = WalkFinder(Table());
  EXPECT_EQ(clean.paths, ExpectedAfter(nullptr));
  EXPECT_EQ(BrokenPromises(clean), std::vector<std::string>{});
  return fake_hid::Recorded().calls;
}

const std::vector<std::string> kSound;

TEST(FaultInjection, EachCallOfEachOperationFailingInTurn) {
  const auto calls = CleanWalkCalls();
  for (std::size_t op = 0; op < fake_hid::kOperationCount; ++op) {
    const auto operation = static_cast<Operation>(op);
    std::set<std::size_t> interfacesHit;
    // One index past the last call too: a fault that never comes changes nothing.
    for (std::size_t call = 0; call <= calls[op]; ++call) {
      SCOPED_TRACE(std::string(kOperationNames[op]) + " call " + std::to_string(call));
      const FinderWalk walk = WalkFinder(Table({{operation, call}}));
      EXPECT_EQ(BrokenPromises(walk), kSound);
      const auto& hits = fake_hid::Recorded().faultsHit;
      ASSERT_EQ(hits.size(), call < calls[op] ? 1u : 0u);
      const auto expected = ExpectedAfter(hits.empty() ? nullptr : &hits[0]);
      EXPECT_EQ(walk.result, static_cast<std::int32_t>(expected.size()));
      EXPECT_EQ(walk.paths, expected);
      if (!hits.empty()) interfacesHit.insert(hits[0].interface);
    }
    // Every interface met the failure of every per-interface operation once.
    if (operation != Operation::kGetSet && operation != Operation::kDestroy) {
      const std::size_t reached = operation == Operation::kEnumerate ? kRows + 1 : kRows;
      EXPECT_EQ(interfacesHit.size(), reached) << kOperationNames[op];
    }
  }
}

TEST(FaultInjection, EachAllocationRefusedInTurn) {
  const std::vector<Allocation> allocations = CleanWalkAllocations();
  EXPECT_EQ(WalkFinder(Table()).heap.allocations, allocations.size());
  std::set<Kind> kindsRefused;
  // The heap refusing from then on, or only that once (the walk must still stop there).
  for (const bool onlyThatOne : {false, true}) {
    for (std::size_t at = 0; at <= allocations.size(); ++at) {
      SCOPED_TRACE("allocation " + std::to_string(at) + (onlyThatOne ? " only" : " on"));
      const FinderWalk walk = WalkFinder(Table(), static_cast<long>(at), onlyThatOne);
      EXPECT_EQ(BrokenPromises(walk), kSound);
      if (at == allocations.size()) {
        EXPECT_EQ(walk.result, 3);
        continue;
      }
      EXPECT_EQ(walk.result, kFinderOutOfMemory);
      EXPECT_EQ(walk.heap.refused, 1u) << "no allocation after the refused one";
      EXPECT_EQ(walk.heap.firstRefusedBytes, allocations[at].bytes);
      kindsRefused.insert(allocations[at].kind);
      // Whole units only: those whose path copy came before the refusal.
      std::vector<std::u16string> expected;
      for (std::size_t i = 0; i < at; ++i) {
        if (allocations[i].kind == Kind::kPath) {
          expected.emplace_back(kTable[allocations[i].interface].path);
        }
      }
      EXPECT_EQ(walk.paths, expected);
    }
  }
  EXPECT_EQ(kindsRefused, (std::set<Kind>{Kind::kDetail, Kind::kNode, Kind::kPath}));
}

TEST(FaultInjection, EachPlatformFailureWithEachAllocationRefused) {
  const auto calls = CleanWalkCalls();
  const std::size_t allocations = CleanWalkAllocations().size();
  for (std::size_t op = 0; op < fake_hid::kOperationCount; ++op) {
    for (std::size_t call = 0; call < calls[op]; ++call) {
      for (std::size_t at = 0; at <= allocations; ++at) {
        SCOPED_TRACE(std::string(kOperationNames[op]) + " call " + std::to_string(call) +
                     ", allocation " + std::to_string(at));
        const FinderWalk walk =
            WalkFinder(Table({{static_cast<Operation>(op), call}}), static_cast<long>(at), true);
        EXPECT_EQ(BrokenPromises(walk), kSound);
        const auto& hits = fake_hid::Recorded().faultsHit;
        const auto expected = ExpectedAfter(hits.empty() ? nullptr : &hits[0]);
        ASSERT_LE(walk.paths.size(), expected.size());
        EXPECT_TRUE(std::equal(walk.paths.begin(), walk.paths.end(), expected.begin()));
      }
    }
  }
}

TEST(FaultInjection, ReportAtEachAllocationRefusedPrintsNothingAndReleasesAll) {
  const std::size_t allocations = CleanWalkAllocations().size();
  std::u16string fullReport = u"USB-IO2の接続数 3個\n";
  for (const auto& path : ExpectedAfter(nullptr)) fullReport += path + u"\n";
  for (std::size_t at = 0; at <= allocations; ++at) {
    SCOPED_TRACE("allocation " + std::to_string(at));
    counting_heap::Reset(static_cast<long>(at));
    const MainRun run = RunMain(Table());
    const bool lastedOut = at == allocations;
    EXPECT_EQ(run.status, lastedOut ? 3 : kOutOfMemoryStatus);
    EXPECT_TRUE(run.output == (lastedOut ? fullReport : u""));
    EXPECT_EQ(counting_heap::Current().live, 0u);
    EXPECT_EQ(counting_heap::Current().badReleases, 0u);
    EXPECT_EQ(fake_hid::Recorded().openNow, 0);
    EXPECT_EQ(fake_hid::Recorded().setsDestroyed, 1);
  }
}

}  // namespace
