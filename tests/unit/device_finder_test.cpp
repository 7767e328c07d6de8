#include "discovery/device_finder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "discovery/target_identity.h"
#include "fakes/counting_heap.h"
#include "fakes/fake_hid_platform.h"
#include "tests/unit/case_name.h"
#include "tests/unit/finder_invariants.h"

namespace {

using fake_hid::Failure;
using fake_hid::FakeInterface;
using fake_hid::Scenario;

FakeInterface Unit(std::u16string path, std::uint16_t product = 0x0120,
                   Failure failure = Failure::kNone) {
  return FakeInterface{0x1352, product, std::move(path), failure, {}, false};
}

FakeInterface Other(std::u16string path, std::uint16_t vendor = 0x046D,
                    std::uint16_t product = 0xC31C) {
  return FakeInterface{vendor, product, std::move(path), Failure::kNone, {}, false};
}

// What must hold after every walk, whatever the table said: the promises every walk keeps,
// and the set destroyed exactly when it could be obtained.
void ExpectSound(const FinderWalk& walk, const Scenario& scenario) {
  EXPECT_EQ(BrokenPromises(walk), std::vector<std::string>{});
  EXPECT_EQ(fake_hid::Recorded().setsDestroyed, scenario.setUnobtainable ? 0 : 1);
}

struct FinderCase {
  const char* name;
  Scenario scenario;
  std::vector<std::u16string> expected;
  std::size_t expectedOpens;
};

std::vector<FinderCase> FinderCases() {
  return {
      {"none present", {}, {}, 0},
      {"set unobtainable", {{Unit(u"a")}, true}, {}, 0},
      {"foreign vendor and 0x0122 rejected",
       {{Other(u"kbd"), Other(u"p120", 0x1353, 0x0120), Other(u"p121", 0x0000, 0x0121),
         Other(u"p122", 0x1352, 0x0122), Other(u"p11f", 0x1352, 0x011F)}},
       {},
       5},
      {"indices 1 and 3 of five",
       {{Other(u"i0"), Unit(u"i1", 0x0120), Other(u"i2"), Unit(u"i3", 0x0121), Other(u"i4")}},
       {u"i1", u"i3"},
       5},
      {"a unit with two interfaces counts twice",
       {{Unit(u"u&mi_00", 0x0121), Unit(u"u&mi_01", 0x0121)}},
       {u"u&mi_00", u"u&mi_01"},
       2},
      {"detail, open and attribute failures are skipped",
       {{Unit(u"d", 0x0120, Failure::kDetail), Unit(u"o", 0x0120, Failure::kOpen),
         Unit(u"a", 0x0120, Failure::kAttributes), Unit(u"ok", 0x0121)}},
       {u"ok"},
       3},
      {"enumeration failure ends the walk",
       {{Unit(u"first"), Unit(u"stop", 0x0120, Failure::kEnumerate), Unit(u"later")}},
       {u"first"},
       1},
      {"size query reporting nothing usable is skipped",
       {{FakeInterface{0x1352, 0x0120, u"zero", Failure::kNone, 0u, false},
         FakeInterface{0x1352, 0x0120, u"five", Failure::kNone, 5u, false},
         FakeInterface{0x1352, 0x0120, u"", Failure::kNone, 6u, false}, Unit(u"ok")}},
       {u"ok"},
       2},
      {"unterminated path is skipped",
       {{FakeInterface{0x1352, 0x0120, u"loose", Failure::kNone, {}, true}, Unit(u"ok")}},
       {u"ok"},
       1},
      {"non-ASCII path copied exactly",
       {{Unit(u"\\\\?\\hid#ユニット#{4d1e55b2}")}},
       {u"\\\\?\\hid#ユニット#{4d1e55b2}"},
       1},
  };
}

void PrintTo(const FinderCase& c, std::ostream* out) { *out << c.name; }

class FinderTable : public ::testing::TestWithParam<FinderCase> {};

TEST_P(FinderTable, AppendsExactlyTheUnitsInEnumerationOrder) {
  const FinderCase& c = GetParam();
  const FinderWalk walk = WalkFinder(c.scenario);
  EXPECT_EQ(walk.result, static_cast<std::int32_t>(c.expected.size()));
  EXPECT_EQ(walk.paths, c.expected);
  EXPECT_EQ(fake_hid::Recorded().opens.size(), c.expectedOpens);
  // Only the nodes and their paths outlive the call.
  EXPECT_EQ(walk.liveWithList, 2 * c.expected.size());
  EXPECT_EQ(walk.heap.live, 0u);
  EXPECT_EQ(walk.heap.badReleases, 0u);
  ExpectSound(walk, c.scenario);
}

INSTANTIATE_TEST_SUITE_P(Finder, FinderTable, ::testing::ValuesIn(FinderCases()), CaseName());

TEST(FinderHandles, EveryOpenedHandleIsClosedBeforeTheNextOpen) {
  counting_heap::Reset();
  // A failed attribute read, a match and a mismatch, in turn.
  fake_hid::Install({{Unit(u"a", 0x0120, Failure::kAttributes), Unit(u"m"), Other(u"x")}});
  DevicePathList list;
  EXPECT_EQ(FindTargetDevices(list), 1);
  const auto& r = fake_hid::Recorded();
  ASSERT_EQ(r.opens.size(), 3u);
  ASSERT_EQ(r.closed.size(), 3u);
  EXPECT_EQ(r.maxOpenAtOnce, 1);
  EXPECT_EQ(r.openNow, 0);
}

TEST(FinderMemory, ExhaustionAtEveryAllocationReleasesAllAndSaysSo) {
  const Scenario scenario{{Unit(u"one"), Other(u"x"), Unit(u"two", 0x0121)}};
  // Allocations of a full walk: detail, detail+node+path, detail, detail+node+path.
  for (long failAt = 0; failAt < 8; ++failAt) {
    SCOPED_TRACE(failAt);
    const FinderWalk walk = WalkFinder(scenario, failAt);
    EXPECT_EQ(walk.result, walk.heap.refused == 0 ? 2 : kFinderOutOfMemory);
    // Whatever was appended before the failure is whole and in order.
    EXPECT_EQ(walk.liveWithList, 2 * walk.paths.size());
    const std::vector<std::u16string> all{u"one", u"two"};
    ASSERT_LE(walk.paths.size(), all.size());
    EXPECT_TRUE(std::equal(walk.paths.begin(), walk.paths.end(), all.begin()));
    EXPECT_EQ(walk.heap.live, 0u);
    EXPECT_EQ(walk.heap.badReleases, 0u);
    ExpectSound(walk, scenario);
  }
}

TEST(TargetIdentity, AcceptsOnlyTheTwoUnitProducts) {
  struct Row {
    std::uint16_t vendor, product;
    bool accepted;
  };
  const Row rows[] = {{0x1352, 0x0120, true},  {0x1352, 0x0121, true},  {0x1352, 0x0122, false},
                      {0x1352, 0x011F, false}, {0x1353, 0x0120, false}, {0x0000, 0x0121, false},
                      {0x2013, 0x5201, false}, {0x1352, 0x0000, false}};
  for (const Row& row : rows) {
    EXPECT_EQ(IsUsbIo2Identity(row.vendor, row.product), row.accepted)
        << std::hex << row.vendor << ":" << row.product;
  }
}

}  // namespace
