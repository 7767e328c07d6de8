// The Linux runtime's end of the process: statuses mapped onto the 8 bits Linux keeps
// without changing their sense, memory exhaustion as SIGABRT, and a vanished reader of
// standard output unable to take the status away.

#include <unistd.h>

#include <gtest/gtest.h>

#include <csignal>
#include <cstdint>
#include <string>

#include "posix_runtime/process_start.h"
#include "report/console.h"
#include "report/report_main.h"
#include "tests/linux/child_process.h"

namespace {

struct StatusCase {
  std::int32_t status;
  int exitCode;  // or -1 when the process must be killed by SIGABRT
};

class ProcessExit : public ::testing::TestWithParam<StatusCase> {};

TEST_P(ProcessExit, EndsWithAStatusOfTheSameSense) {
  const StatusCase& c = GetParam();
  const ChildRun run = RunInChild("C", [&] {
    WriteText(u"x\n", 2);  // still buffered when the process ends
    EndProcess(c.status);
  });
  if (c.exitCode < 0) {
    EXPECT_FALSE(run.exited);
    EXPECT_EQ(run.signal, SIGABRT);
  } else {
    EXPECT_TRUE(run.exited);
    EXPECT_EQ(run.exitCode, c.exitCode);
  }
  EXPECT_EQ(run.output, "x\n") << "flushed before the end, whatever the end";
}

INSTANTIATE_TEST_SUITE_P(
    Statuses, ProcessExit,
    ::testing::Values(StatusCase{0, 0}, StatusCase{1, 1}, StatusCase{2, 2}, StatusCase{23, 23},
                      StatusCase{254, 254}, StatusCase{255, 255},
                      // 256 would read as 0 and 279 as 23: at least 255 reads as 255.
                      StatusCase{256, 255}, StatusCase{257, 255}, StatusCase{279, 255},
                      StatusCase{INT32_MAX, 255}, StatusCase{kOutOfMemoryStatus, -1},
                      StatusCase{-1, -1}, StatusCase{INT32_MIN, -1}),
    [](const auto& info) {
      const std::int32_t status = info.param.status;
      return (status < 0 ? std::string("status_minus_") : std::string("status_")) +
             std::to_string(status < 0 ? 0u - static_cast<std::uint32_t>(status)
                                       : static_cast<std::uint32_t>(status));
    });

// Standard output is a pipe whose reader is gone before anything is written.
ChildRun RunIntoBrokenPipe(bool prepared) {
  int ends[2];
  if (pipe(ends) != 0) std::abort();
  close(ends[0]);
  const ChildRun run = RunInChildWithOutput(ends[1], [&] {
    if (prepared) PrepareProcess();
    WriteText(u"USB-IO2\n", 8);
    EndProcess(3);
  });
  close(ends[1]);
  return run;
}

TEST(ProcessStart, ABrokenPipeDoesNotTakeTheStatus) {
  const ChildRun prepared = RunIntoBrokenPipe(true);
  EXPECT_TRUE(prepared.exited);
  EXPECT_EQ(prepared.exitCode, 3);
  // Without the preparation the same run dies by SIGPIPE: the pipe is truly broken.
  const ChildRun bare = RunIntoBrokenPipe(false);
  EXPECT_FALSE(bare.exited);
  EXPECT_EQ(bare.signal, SIGPIPE);
}

}  // namespace
