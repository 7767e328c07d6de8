// Platform answers that break their own contract: sizes too small, odd, huge or changing
// between the two detail calls, paths without an end, attribute calls that fill nothing.
// Each such interface is skipped or read soundly, and the walk goes on to the unit after it.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "discovery/device_finder.h"
#include "fakes/counting_heap.h"
#include "fakes/fake_hid_platform.h"
#include "tests/unit/case_name.h"
#include "tests/unit/finder_invariants.h"

namespace {

using fake_hid::FakeInterface;

// The true detail size of `path`: the size field and the path with its NUL.
std::uint32_t DetailSize(const std::u16string& path) {
  return static_cast<std::uint32_t>(4 + (path.size() + 1) * sizeof(char16_t));
}

FakeInterface Unit(std::u16string path) {
  return FakeInterface{0x1352, 0x0120, std::move(path), {}, {}, false};
}

FakeInterface Reporting(std::u16string path, std::uint32_t size) {
  FakeInterface unit = Unit(std::move(path));
  unit.reportedSize = size;
  return unit;
}

struct MalformedCase {
  const char* name;
  std::vector<FakeInterface> interfaces;  // walked with a well-formed unit after them
  std::vector<std::u16string> accepted;   // of `interfaces`
  std::size_t detailBuffers;              // allocated for `interfaces`
};

std::vector<MalformedCase> MalformedCases() {
  FakeInterface unterminated = Unit(u"loose");
  unterminated.unterminated = true;
  FakeInterface unterminatedAtLongest = Reporting(u"loose", kLongestDetailSize);
  unterminatedAtLongest.unterminated = true;
  FakeInterface grew = Unit(u"grew");
  grew.filledSize = DetailSize(u"grew") + 2;
  FakeInterface shrank = Reporting(u"shrank", DetailSize(u"shrank") + 64);
  shrank.filledSize = DetailSize(u"shrank");
  FakeInterface untouched = Unit(u"untouched");
  untouched.attributesUntouched = true;

  return {
      {"size query reporting 0 to 5",
       {Reporting(u"s0", 0), Reporting(u"s1", 1), Reporting(u"s2", 2), Reporting(u"s3", 3),
        Reporting(u"s4", 4), Reporting(u"s5", 5)},
       {},
       0},
      {"size of the fixed part only leaves an empty path", {Reporting(u"fixed", 6)}, {}, 1},
      {"odd size one byte over the path", {Reporting(u"ab", DetailSize(u"ab") + 1)}, {u"ab"}, 1},
      {"size short of the path cuts it", {Reporting(u"path", DetailSize(u"path") - 2)}, {}, 1},
      {"path without terminator", {unterminated}, {}, 1},
      {"path without terminator in the largest buffer", {unterminatedAtLongest}, {}, 1},
      {"sizes beyond the longest path",
       {Reporting(u"h1", kLongestDetailSize + 1), Reporting(u"h2", 0x80000000u),
        Reporting(u"h3", 0xFFFFFFFFu)},
       {},
       0},
      {"size of the longest path", {Reporting(u"longest", kLongestDetailSize)}, {u"longest"}, 1},
      {"second call needs more than the first reported", {grew}, {}, 1},
      {"second call needs less than the first reported", {shrank}, {u"shrank"}, 1},
      {"attribute record left untouched", {untouched}, {}, 1},
      {"untouched attribute record after a unit", {Unit(u"first"), untouched}, {u"first"}, 2},
  };
}

void PrintTo(const MalformedCase& c, std::ostream* out) { *out << c.name; }

class MalformedAnswers : public ::testing::TestWithParam<MalformedCase> {};

TEST_P(MalformedAnswers, SkippedOrReadSoundlyAndTheWalkGoesOn) {
  const MalformedCase& c = GetParam();
  fake_hid::Scenario scenario{c.interfaces};
  scenario.interfaces.push_back(Unit(u"\\\\?\\hid#vid_1352&pid_0121#after"));
  std::vector<std::u16string> expected = c.accepted;
  expected.emplace_back(u"\\\\?\\hid#vid_1352&pid_0121#after");

  const FinderWalk walk = WalkFinder(scenario);
  EXPECT_EQ(BrokenPromises(walk), std::vector<std::string>{});
  EXPECT_EQ(walk.result, static_cast<std::int32_t>(expected.size()));
  EXPECT_EQ(walk.paths, expected);
  // A size the finder rejects gets no buffer: one detail buffer per interface that passed,
  // plus the last unit's buffer, node and path.
  EXPECT_EQ(walk.heap.allocations, c.detailBuffers + 1 + 2 * expected.size());
}

INSTANTIATE_TEST_SUITE_P(Finder, MalformedAnswers, ::testing::ValuesIn(MalformedCases()),
                         CaseName());

TEST(MalformedAnswers, LargestSizeThatCannotBeAllocatedEndsAsOutOfMemory) {
  const fake_hid::Scenario scenario{
      {Unit(u"a"), Reporting(u"big", kLongestDetailSize), Unit(u"c")}};
  // Allocations 0 to 2 are the first unit's detail buffer, node and path.
  const FinderWalk walk = WalkFinder(scenario, 3);
  EXPECT_EQ(BrokenPromises(walk), std::vector<std::string>{});
  EXPECT_EQ(walk.result, kFinderOutOfMemory);
  EXPECT_EQ(walk.heap.firstRefusedBytes, kLongestDetailSize);
  EXPECT_EQ(walk.paths, std::vector<std::u16string>{u"a"});
}

}  // namespace
