#include "discovery/device_path_list.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "discovery/memory.h"
#include "fakes/counting_heap.h"

namespace {

DevicePathNode* MakeNode(const std::u16string& path) {
  DevicePathNode* node = CreateDevicePathNode();
  node->path = CopyWideString(path.c_str(), path.size());
  return node;
}

std::vector<std::u16string> Walk(const DevicePathList& list) {
  std::vector<std::u16string> paths;
  for (const DevicePathNode* node = list.head; node != nullptr; node = node->next) {
    paths.emplace_back(node->path);
  }
  return paths;
}

class DevicePathListTest : public ::testing::Test {
 protected:
  void SetUp() override { counting_heap::Reset(); }
};

TEST_F(DevicePathListTest, DestroyingAnEmptyListFreesNothing) {
  DevicePathList list;
  DestroyDevicePathList(list);
  DestroyDevicePathList(list);
  EXPECT_EQ(list.head, nullptr);
  EXPECT_EQ(list.tail, nullptr);
  EXPECT_EQ(counting_heap::Current().releases, 0u);
  EXPECT_EQ(counting_heap::Current().badReleases, 0u);
}

TEST_F(DevicePathListTest, NewNodeHasBothFieldsNull) {
  DevicePathNode* node = CreateDevicePathNode();
  ASSERT_NE(node, nullptr);
  EXPECT_EQ(node->next, nullptr);
  EXPECT_EQ(node->path, nullptr);
  DevicePathList list;
  AppendDevicePathNode(list, node);
}

TEST_F(DevicePathListTest, OneAppendMakesHeadAndTailTheSameNode) {
  DevicePathList list;
  DevicePathNode* node = MakeNode(u"A");
  AppendDevicePathNode(list, node);
  EXPECT_EQ(list.head, node);
  EXPECT_EQ(list.tail, node);
  EXPECT_EQ(node->next, nullptr);
}

TEST_F(DevicePathListTest, WalkYieldsAppendOrderAndEndsAtTail) {
  DevicePathList list;
  for (const char16_t* path : {u"A", u"B", u"C"}) AppendDevicePathNode(list, MakeNode(path));
  EXPECT_EQ(Walk(list), (std::vector<std::u16string>{u"A", u"B", u"C"}));
  EXPECT_EQ(list.tail->next, nullptr);
  EXPECT_EQ(std::u16string(list.tail->path), u"C");
}

TEST_F(DevicePathListTest, DestroyFreesEachPathAndNodeExactlyOnce) {
  std::vector<const void*> blocks;
  {
    DevicePathList list;
    for (const char16_t* path : {u"A", u"B", u"C"}) {
      DevicePathNode* node = MakeNode(path);
      blocks.push_back(node);
      blocks.push_back(node->path);
      AppendDevicePathNode(list, node);
    }
    DestroyDevicePathList(list);
    EXPECT_EQ(list.head, nullptr);
    EXPECT_EQ(list.tail, nullptr);
  }  // the owner's scope end must not free anything a second time
  const auto& stats = counting_heap::Current();
  EXPECT_EQ(stats.allocations, 6u);
  EXPECT_EQ(stats.releases, 6u);
  EXPECT_EQ(stats.live, 0u);
  EXPECT_EQ(stats.badReleases, 0u);
  for (const void* block : blocks) EXPECT_FALSE(counting_heap::IsLive(block));
}

TEST_F(DevicePathListTest, LeavingTheOwnersScopeReleasesEverything) {
  {
    DevicePathList list;
    AppendDevicePathNode(list, MakeNode(u"A"));
    AppendDevicePathNode(list, MakeNode(u"B"));
  }
  EXPECT_EQ(counting_heap::Current().live, 0u);
  EXPECT_EQ(counting_heap::Current().releases, 4u);
}

TEST_F(DevicePathListTest, CopyIsBoundedAndTerminated) {
  const std::u16string source = u"\\\\?\\hid#vid_1352&pid_0120";
  WideChar* copy = CopyWideString(source.c_str(), 7);
  ASSERT_NE(copy, nullptr);
  EXPECT_EQ(std::u16string(copy), source.substr(0, 7));
  ReleaseMemory(copy);
}

TEST_F(DevicePathListTest, AllocationFailuresReturnNull) {
  counting_heap::Reset(0);
  EXPECT_EQ(CreateDevicePathNode(), nullptr);
  EXPECT_EQ(CopyWideString(u"A", 1), nullptr);
  EXPECT_EQ(counting_heap::Current().refused, 2u);
}

}  // namespace
