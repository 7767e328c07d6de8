// The hidraw backend over a fake tree: the walk, the detail protocol, what it refuses to
// open, and the finder on top of it. What needs a real hidraw node (the identity ioctl, the
// bus check, permissions) is proven in the lab guest against real kernel devices.

#include <dirent.h>
#include <sys/stat.h>

#include <gtest/gtest.h>

#include <csignal>
#include <cstring>
#include <string>
#include <vector>

#include "discovery/device_finder.h"
#include "discovery/hid_platform.h"
#include "fakes/counting_heap.h"
#include "tests/linux/fake_hidraw_tree.h"

namespace {

using namespace hid_platform;
using fake_hidraw_tree::AddEntry;
using fake_hidraw_tree::Node;
using fake_hidraw_tree::Tree;

constexpr std::uint32_t kPresentDeviceInterfaces = 0x12;
constexpr std::uint32_t kReadWrite = 0xC0000000;
constexpr std::uint32_t kShareReadWrite = 3;
constexpr std::uint32_t kOpenExisting = 3;

InterfaceSet HidSet() {
  ClassGuid guid{};
  GetHidClassGuid(&guid);
  return GetClassInterfaceSet(guid, kPresentDeviceInterfaces);
}

// The paths of the set's members in member order, fetched the way the finder fetches them.
std::vector<std::string> WalkPaths() {
  ClassGuid guid{};
  GetHidClassGuid(&guid);
  const InterfaceSet set = GetClassInterfaceSet(guid, kPresentDeviceInterfaces);
  std::vector<std::string> paths;
  if (set == nullptr) return paths;
  InterfaceRecord record{};
  for (std::uint32_t index = 0; EnumerateInterface(set, guid, index, &record); ++index) {
    std::uint32_t size = 0;
    EXPECT_FALSE(GetInterfaceDetail(set, &record, nullptr, 0, &size));
    std::vector<unsigned char> detail(size);
    const std::uint32_t recordSize = kDetailFixedSize;
    std::memcpy(detail.data(), &recordSize, sizeof(recordSize));
    EXPECT_TRUE(GetInterfaceDetail(set, &record, detail.data(), size, nullptr));
    std::string path;
    for (std::size_t at = kDetailPathOffset; at + 1 < size; at += 2) {
      char16_t c;
      std::memcpy(&c, detail.data() + at, sizeof(c));
      if (c == u'\0') break;
      path.push_back(static_cast<char>(c));
    }
    paths.push_back(path);
  }
  EXPECT_TRUE(DestroyInterfaceSet(set));
  return paths;
}

std::size_t OpenDescriptors() {
  std::size_t count = 0;
  DIR* fds = opendir("/proc/self/fd");
  while (readdir(fds) != nullptr) ++count;
  closedir(fds);
  return count;
}

std::u16string Wide(const std::string& text) { return std::u16string(text.begin(), text.end()); }

TEST(HidrawWalk, ListsNodesInTheKernelsNumericOrder) {
  Tree tree;
  for (const char* name :
       {"hidraw10", "hidraw9", "hidraw2", "hidraw0", "hidraw100", "hidraw4294967295", "hidraw1"}) {
    AddEntry(tree, name, Node::kRegularFile);
  }
  std::vector<std::string> expected;
  for (const char* name :
       {"hidraw0", "hidraw1", "hidraw2", "hidraw9", "hidraw10", "hidraw100", "hidraw4294967295"}) {
    expected.push_back(fake_hidraw_tree::NodePath(tree, name));
  }
  EXPECT_EQ(WalkPaths(), expected);
}

// Names the kernel never gives a hidraw node: each alone leaves the set empty.
class HidrawForeignName : public ::testing::TestWithParam<const char*> {};

TEST_P(HidrawForeignName, IsNotAMember) {
  Tree tree;
  AddEntry(tree, GetParam(), Node::kRegularFile);
  EXPECT_EQ(WalkPaths(), std::vector<std::string>{});
}

INSTANTIATE_TEST_SUITE_P(Names, HidrawForeignName,
                         ::testing::Values("hidraw", "hidrawx", "hidraw01", "hidraw00", "hidraw1a",
                                           "hidraw-1", "hidraw+1", "hidraw 1", "hidraw4294967296",
                                           "hidraw99999999999", "Hidraw1", "event3", "xhidraw1"));

TEST(HidrawWalk, SetIsASnapshotOfThePresentNodes) {
  Tree tree;
  AddEntry(tree, "hidraw0", Node::kRegularFile);
  ClassGuid guid{};
  GetHidClassGuid(&guid);
  const InterfaceSet set = GetClassInterfaceSet(guid, kPresentDeviceInterfaces);
  ASSERT_NE(set, nullptr);
  AddEntry(tree, "hidraw1", Node::kRegularFile);  // plugged after the set was taken
  InterfaceRecord record{};
  EXPECT_TRUE(EnumerateInterface(set, guid, 0, &record));
  EXPECT_FALSE(EnumerateInterface(set, guid, 1, &record));
  EXPECT_TRUE(DestroyInterfaceSet(set));
}

TEST(HidrawWalk, NoSetForAnotherClassOtherFlagsOrNoHidrawDriver) {
  Tree tree;
  AddEntry(tree, "hidraw0", Node::kRegularFile);
  ClassGuid hid{};
  GetHidClassGuid(&hid);
  ClassGuid other = hid;
  other.data1 ^= 1;
  EXPECT_EQ(GetClassInterfaceSet(other, kPresentDeviceInterfaces), nullptr);
  EXPECT_EQ(GetClassInterfaceSet(hid, 0x02), nullptr);  // absent devices too: not listable
  EXPECT_EQ(GetClassInterfaceSet(hid, 0x16), nullptr);

  fake_hidraw_tree::RemoveClassDirectory(tree);
  EXPECT_EQ(HidSet(), nullptr);
  DevicePathList list;
  EXPECT_EQ(FindTargetDevices(list), 0);
}

TEST(HidrawDetail, SizeQueryThenExactFill) {
  Tree tree;
  AddEntry(tree, "hidraw7", Node::kRegularFile);
  const std::string path = fake_hidraw_tree::NodePath(tree, "hidraw7");
  ClassGuid guid{};
  GetHidClassGuid(&guid);
  const InterfaceSet set = GetClassInterfaceSet(guid, kPresentDeviceInterfaces);
  ASSERT_NE(set, nullptr);
  InterfaceRecord record{};
  ASSERT_TRUE(EnumerateInterface(set, guid, 0, &record));

  std::uint32_t size = 0;
  EXPECT_FALSE(GetInterfaceDetail(set, &record, nullptr, 0, &size));
  ASSERT_EQ(size, kDetailPathOffset + (path.size() + 1) * 2);

  std::vector<unsigned char> detail(size, 0xEE);
  std::uint32_t recordSize = kDetailFixedSize;
  std::memcpy(detail.data(), &recordSize, sizeof(recordSize));
  std::uint32_t again = 0;
  EXPECT_FALSE(GetInterfaceDetail(set, &record, detail.data(), size - 1, &again));
  EXPECT_EQ(again, size);

  recordSize = 8;  // a 64-bit caller's record size: not what this record is
  std::memcpy(detail.data(), &recordSize, sizeof(recordSize));
  EXPECT_FALSE(GetInterfaceDetail(set, &record, detail.data(), size, nullptr));

  recordSize = kDetailFixedSize;
  std::memcpy(detail.data(), &recordSize, sizeof(recordSize));
  ASSERT_TRUE(GetInterfaceDetail(set, &record, detail.data(), size, nullptr));
  std::u16string written((size - kDetailPathOffset) / 2, u'\0');
  std::memcpy(written.data(), detail.data() + kDetailPathOffset, size - kDetailPathOffset);
  EXPECT_EQ(written, Wide(path) + u'\0');

  InterfaceRecord stranger = record;
  stranger.reserved = 1;  // no such member
  EXPECT_FALSE(GetInterfaceDetail(set, &stranger, nullptr, 0, &size));
  EXPECT_TRUE(DestroyInterfaceSet(set));
  EXPECT_FALSE(DestroyInterfaceSet(nullptr));
}

struct OpenCase {
  const char* name;
  Node node;
};

class HidrawOpen : public ::testing::TestWithParam<OpenCase> {};

// Whatever stands at the node's path, only a character device is handed back, and nothing
// is left open; opening never blocks (a FIFO would block a plain open for reading).
TEST_P(HidrawOpen, OnlyACharacterDeviceOpens) {
  Tree tree;
  AddEntry(tree, "hidraw3", GetParam().node);
  const std::u16string path = Wide(fake_hidraw_tree::NodePath(tree, "hidraw3"));
  const std::size_t before = OpenDescriptors();
  const DeviceHandle device =
      OpenDevice(path.c_str(), kReadWrite, kShareReadWrite, kOpenExisting, 0);
  if (GetParam().node == Node::kOtherCharDev) {
    ASSERT_NE(device, kInvalidDevice);
    HidAttributesRecord attributes{12, 0x1352, 0x0120, 0};
    EXPECT_FALSE(GetHidAttributes(device, &attributes)) << "not a hidraw device";
    EXPECT_TRUE(CloseDevice(device));
  } else {
    EXPECT_EQ(device, kInvalidDevice);
  }
  EXPECT_EQ(OpenDescriptors(), before);
}

INSTANTIATE_TEST_SUITE_P(Nodes, HidrawOpen,
                         ::testing::Values(OpenCase{"missing", Node::kNone},
                                           OpenCase{"regular_file", Node::kRegularFile},
                                           OpenCase{"fifo", Node::kFifo},
                                           OpenCase{"directory", Node::kDirectory},
                                           OpenCase{"other_char_device", Node::kOtherCharDev}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(HidrawOpen, OnlyOpensWhatExistsWithAnAccessItCanGrant) {
  Tree tree;
  AddEntry(tree, "hidraw4", Node::kOtherCharDev);
  const std::u16string path = Wide(fake_hidraw_tree::NodePath(tree, "hidraw4"));
  EXPECT_EQ(OpenDevice(path.c_str(), 0, kShareReadWrite, kOpenExisting, 0), kInvalidDevice);
  EXPECT_EQ(OpenDevice(path.c_str(), 0x10000000, kShareReadWrite, kOpenExisting, 0),
            kInvalidDevice);  // GENERIC_ALL
  EXPECT_EQ(OpenDevice(path.c_str(), kReadWrite, kShareReadWrite, kOpenExisting, 0x80),
            kInvalidDevice);  // FILE_ATTRIBUTE_NORMAL and the like are not emulated

  const std::string missing = fake_hidraw_tree::NodePath(tree, "hidraw5");
  EXPECT_EQ(OpenDevice(Wide(missing).c_str(), kReadWrite, kShareReadWrite, 2, 0),
            kInvalidDevice);  // CREATE_ALWAYS: nothing is ever created
  struct stat status;
  EXPECT_NE(stat(missing.c_str(), &status), 0);

  const std::u16string foreign = Wide(tree.root + "/dev/") + u"hidraw\u00e9";
  EXPECT_EQ(OpenDevice(foreign.c_str(), kReadWrite, kShareReadWrite, kOpenExisting, 0),
            kInvalidDevice);
}

// The finder on this backend: every item of the tree is skipped, and all it acquired (the
// set, each detail buffer, each descriptor) is released.
TEST(HidrawFinder, SkipsWhatIsNoHidrawDeviceAndReleasesEverything) {
  Tree tree;
  AddEntry(tree, "hidraw0", Node::kOtherCharDev);
  AddEntry(tree, "hidraw1", Node::kRegularFile);
  AddEntry(tree, "hidraw2", Node::kNone);
  AddEntry(tree, "hidraw11", Node::kFifo);
  const std::size_t before = OpenDescriptors();
  counting_heap::Reset();
  {
    DevicePathList list;
    EXPECT_EQ(FindTargetDevices(list), 0);
    EXPECT_EQ(list.head, nullptr);
  }
  EXPECT_EQ(counting_heap::Current().live, 0u);
  EXPECT_EQ(counting_heap::Current().badReleases, 0u);
  // The set and its member array, then one detail buffer per member.
  EXPECT_EQ(counting_heap::Current().allocations, 2u + 4u);
  EXPECT_EQ(OpenDescriptors(), before);
}

// Exhaustion inside the backend cannot be passed back as anything but "no device", so the
// process ends abnormally, whichever of its allocations was refused.
TEST(HidrawMemory, ExhaustionEndsTheProcessBySigabrt) {
  Tree tree;
  for (int i = 0; i < 20; ++i) AddEntry(tree, "hidraw" + std::to_string(i), Node::kNone);
  // 0: the first member array; 1: its growth past 16 members; 2: the set record.
  for (long refused : {0L, 1L, 2L}) {
    EXPECT_EXIT(
        {
          counting_heap::Reset(refused);
          DevicePathList list;
          FindTargetDevices(list);
          std::exit(0);
        },
        ::testing::KilledBySignal(SIGABRT), "")
        << "allocation " << refused;
  }
  counting_heap::Reset(3);  // the first detail buffer: the finder's own exhaustion
  DevicePathList list;
  EXPECT_EQ(FindTargetDevices(list), kFinderOutOfMemory);
  DestroyDevicePathList(list);
  EXPECT_EQ(counting_heap::Current().live, 0u);
}

}  // namespace
