// The built tool run as a real process on this machine's own sysfs and /dev. Which units are
// plugged in here is not for a test to assume, so the run is checked for form: a well-formed
// report whose count and status agree, and every path a hidraw node of this machine.

#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <regex>
#include <string>

#include "tests/linux/child_process.h"

namespace {

ChildRun RunTool(int outputFd = -1) {
  const auto body = [] {
    execl(USBIO2_TOOL, USBIO2_TOOL, "--ignored", "argument", static_cast<char*>(nullptr));
    _exit(98);
  };
  return outputFd < 0 ? RunInChild("C.UTF-8", body) : RunInChildWithOutput(outputFd, body);
}

TEST(Tool, ReportAndStatusAgree) {
  const ChildRun run = RunTool();
  ASSERT_TRUE(run.exited);
  if (run.output ==
      "USB-IO2\xe3\x81\x8c\xe8\xa6\x8b\xe3\x81\xa4\xe3\x81\x8b\xe3\x82\x8a\xe3\x81"
      "\xbe\xe3\x81\x9b\xe3\x82\x93\n") {
    EXPECT_EQ(run.exitCode, 1);
    return;
  }
  std::smatch match;
  const std::regex report(
      "USB-IO2\xe3\x81\xae\xe6\x8e\xa5\xe7\xb6\x9a\xe6\x95\xb0 ([1-9][0-9]*)\xe5\x80\x8b\n"
      "((?:/dev/hidraw[0-9]+\n)+)");
  ASSERT_TRUE(std::regex_match(run.output, match, report)) << run.output;
  const int count = std::stoi(match[1]);
  const std::string paths = match[2];
  EXPECT_EQ(static_cast<int>(std::count(paths.begin(), paths.end(), '\n')), count);
  EXPECT_EQ(run.exitCode, count > 255 ? 255 : count);
  for (std::size_t start = 0; start < paths.size();) {
    const std::size_t end = paths.find('\n', start);
    struct stat status;
    const std::string path = paths.substr(start, end - start);
    EXPECT_TRUE(stat(path.c_str(), &status) == 0 && S_ISCHR(status.st_mode)) << path;
    start = end + 1;
  }
}

TEST(Tool, StatusSurvivesABrokenPipe) {
  const ChildRun reference = RunTool();
  int ends[2];
  ASSERT_EQ(pipe(ends), 0);
  close(ends[0]);
  const ChildRun broken = RunTool(ends[1]);
  close(ends[1]);
  EXPECT_TRUE(broken.exited) << "killed by signal " << broken.signal;
  EXPECT_EQ(broken.exitCode, reference.exitCode);
}

}  // namespace
