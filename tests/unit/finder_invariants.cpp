#include "tests/unit/finder_invariants.h"

#include <algorithm>

#include "discovery/device_finder.h"
#include "discovery/device_path_list.h"
#include "discovery/target_identity.h"

namespace {

class Complaints {
 public:
  void Expect(bool kept, const std::string& promise) {
    if (!kept) lines_.push_back(promise);
  }
  std::vector<std::string> Lines() const { return lines_; }

 private:
  std::vector<std::string> lines_;
};

}  // namespace

FinderWalk WalkFinder(const fake_hid::Scenario& scenario, long failAt, bool onlyThatOne) {
  counting_heap::Reset(failAt, onlyThatOne);
  fake_hid::Install(scenario);
  FinderWalk walk{};
  {
    DevicePathList list;
    walk.result = FindTargetDevices(list);
    for (const DevicePathNode* node = list.head; node != nullptr; node = node->next) {
      walk.paths.emplace_back(node->path);
    }
    walk.liveWithList = counting_heap::Current().live;
  }
  walk.heap = counting_heap::Current();
  return walk;
}

std::vector<std::u16string> IdentifiedUnitPaths(const fake_hid::Recording& recording) {
  std::vector<std::u16string> paths;
  for (const auto& identity : recording.identities) {
    if (IsUsbIo2Identity(identity.vendorId, identity.productId)) paths.push_back(identity.path);
  }
  return paths;
}

std::vector<std::string> BrokenPromises(const FinderWalk& walk) {
  const fake_hid::Recording& r = fake_hid::Recorded();
  Complaints c;

  c.Expect(r.setFlags == std::vector<std::uint32_t>{0x12}, "one set asked for, flags 0x12");
  c.Expect(r.guidWasHid, "every call took the HID class GUID");
  c.Expect(r.setsDestroyed == r.setsCreated, "the set destroyed exactly once when created");
  c.Expect(r.openNow == 0 && r.openWhenDestroyed == 0, "no device handle left open");
  c.Expect(r.maxOpenAtOnce <= 1, "at most one device open at a time");
  c.Expect(r.closed.size() == static_cast<std::size_t>(r.handlesGiven), "each handle closed once");
  c.Expect(r.misuses == 0, "no call on a closed handle, a destroyed set or a foreign record");
  const auto all = [](const std::vector<std::uint32_t>& sizes, std::uint32_t size) {
    return std::all_of(sizes.begin(), sizes.end(), [&](std::uint32_t s) { return s == size; });
  };
  c.Expect(all(r.enumerateRecordSizes, 28), "interface record size 28");
  c.Expect(all(r.detailRecordSizes, 6), "detail record size 6");
  c.Expect(all(r.attributeRecordSizes, 12), "attribute record size 12");
  c.Expect(r.buffersNotAsReported == 0, "each detail buffer exactly the reported size");
  c.Expect(std::all_of(r.opens.begin(), r.opens.end(),
                       [](const fake_hid::OpenCall& o) {
                         return o.access == 0xC0000000u && o.shareMode == 3 && o.disposition == 3 &&
                                o.flagsAndAttributes == 0;
                       }),
           "devices opened for read and write, shared, existing, no flags");

  // The walk goes on to the end, and takes every answer it can use.
  const bool outOfMemory = walk.result == kFinderOutOfMemory;
  const auto& answers = r.enumerateAnswers;
  c.Expect(answers.empty() || std::count(answers.begin(), answers.end() - 1, false) == 0,
           "the walk stops at the first failed enumeration");
  c.Expect(outOfMemory || r.setsCreated == 0 || (!answers.empty() && !answers.back()),
           "the walk goes on until the enumeration fails");
  std::vector<std::uint32_t> usable;
  for (std::uint32_t size : r.reportedSizes) {
    if (size >= 6 && size <= kLongestDetailSize) usable.push_back(size);
  }
  const auto& buffers = r.detailBufferSizes;
  c.Expect(buffers == usable || (outOfMemory && buffers.size() + 1 == usable.size() &&
                                 std::equal(buffers.begin(), buffers.end(), usable.begin())),
           "a detail fetch for every size from 6 bytes to the longest path");
  std::vector<std::u16string> opened;
  for (const fake_hid::OpenCall& open : r.opens) opened.push_back(open.path);
  c.Expect(opened == r.filledPaths, "every path delivered opened, and no other");

  c.Expect(walk.heap.live == 0, "every buffer, node and path released");
  c.Expect(walk.heap.badReleases == 0, "nothing released twice or never allocated");
  c.Expect(walk.heap.largestRequest <= kLongestDetailSize, "no allocation beyond the longest path");
  c.Expect(walk.liveWithList == 2 * walk.paths.size(), "only the nodes and paths outlive the call");

  const std::vector<std::u16string> identified = IdentifiedUnitPaths(r);
  if (walk.result == kFinderOutOfMemory) {
    c.Expect(walk.heap.refused > 0, "out of memory only when an allocation was refused");
    // Only the unit in hand when memory ran out may be missing, and nothing after it.
    c.Expect(walk.paths.size() <= identified.size() && identified.size() - walk.paths.size() <= 1 &&
                 std::equal(walk.paths.begin(), walk.paths.end(), identified.begin()),
             "the list a prefix of the units identified, short of the last at most");
  } else {
    c.Expect(walk.heap.refused == 0, "a refused allocation always ends as out of memory");
    c.Expect(walk.result == static_cast<std::int32_t>(walk.paths.size()),
             "the count equal to the nodes in the list");
    c.Expect(walk.paths == identified, "the list exactly the units identified, in order");
  }
  return c.Lines();
}
