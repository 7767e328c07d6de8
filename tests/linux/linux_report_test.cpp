// The report's main function over the Linux layers together (the hidraw backend on a fake
// tree, the runtime's output and exit), run in a child process as the tool runs it.

#include <gtest/gtest.h>

#include <csignal>

#include "fakes/counting_heap.h"
#include "report/report_main.h"
#include "tests/linux/child_process.h"
#include "tests/linux/fake_hidraw_tree.h"

namespace {

using fake_hidraw_tree::AddEntry;
using fake_hidraw_tree::Node;

ChildRun RunMain(long refusedAllocation) {
  return RunInChild("C", [&] {
    counting_heap::Reset(refusedAllocation);
    WideChar* noArguments[] = {nullptr};
    UsbIo2ListMain(0, noArguments);
  });
}

TEST(LinuxReport, NothingAcceptedReadsAsNotFound) {
  fake_hidraw_tree::Tree tree;
  AddEntry(tree, "hidraw0", Node::kOtherCharDev);
  AddEntry(tree, "hidraw1", Node::kRegularFile);
  const ChildRun run = RunMain(-1);
  EXPECT_TRUE(run.exited);
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_EQ(run.output, "USB-IO2????????\n");
}

// Memory running out while the list is built: no report at all, and an end no count can be
// mistaken for, whether the backend or the finder met it.
TEST(LinuxReport, ExhaustionPrintsNothingAndEndsBySigabrt) {
  fake_hidraw_tree::Tree tree;
  AddEntry(tree, "hidraw0", Node::kOtherCharDev);
  AddEntry(tree, "hidraw1", Node::kOtherCharDev);
  // 0 and 1: the backend's member array and set; 2 and 3: the finder's detail buffers.
  for (long refused : {0L, 1L, 2L, 3L}) {
    const ChildRun run = RunMain(refused);
    EXPECT_FALSE(run.exited) << "allocation " << refused << " ended with " << run.exitCode;
    EXPECT_EQ(run.signal, SIGABRT) << "allocation " << refused;
    EXPECT_EQ(run.output, "") << "allocation " << refused;
  }
}

}  // namespace
