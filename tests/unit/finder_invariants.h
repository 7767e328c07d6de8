#pragma once

// One walk of the finder over the fake platform and the counting heap, and the promises it
// must keep whatever the platform answered and whichever allocation was refused. Shared by
// the fault tables and the fuzz target, so the check lists what it found wrong rather than
// asserting.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "fakes/counting_heap.h"
#include "fakes/fake_hid_platform.h"

// The largest detail buffer the finder may ask for: the size field and a path of the
// platform's longest, 32767 characters and the NUL.
inline constexpr std::uint32_t kLongestDetailSize = 4 + 32768 * 2;

struct FinderWalk {
  std::int32_t result;
  std::vector<std::u16string> paths;  // the list as the finder left it
  std::size_t liveWithList;           // heap blocks live while the list was still held
  counting_heap::Stats heap;          // after the list was released
};

// Installs `scenario`, makes the heap refuse allocation `failAt` (never when negative) and,
// unless `onlyThatOne`, every one after it, runs FindTargetDevices on an empty list, then
// releases the list.
FinderWalk WalkFinder(const fake_hid::Scenario& scenario, long failAt = -1,
                      bool onlyThatOne = false);

// The paths the platform answered a USB-IO2 identity for, in call order: what the list must
// hold when memory lasts.
std::vector<std::u16string> IdentifiedUnitPaths(const fake_hid::Recording& recording);

// Every broken promise of the walk just run, one line each; empty when it was sound. Needs
// no expected list: the platform's own record of what it answered is the reference.
std::vector<std::string> BrokenPromises(const FinderWalk& walk);
