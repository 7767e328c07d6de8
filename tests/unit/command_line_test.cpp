#include "win32_runtime/command_line.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fakes/counting_heap.h"

namespace {

std::vector<std::u16string> Split(const char16_t* commandLine) {
  CommandLineArguments arguments = SplitCommandLine(commandLine);
  std::vector<std::u16string> values;
  for (int i = 0; i < arguments.count; ++i) values.emplace_back(arguments.values[i]);
  EXPECT_EQ(arguments.values[arguments.count], nullptr);
  ReleaseCommandLine(arguments);
  return values;
}

TEST(CommandLine, SplitsLikeTheWindowsRuntime) {
  struct Row {
    const char16_t* line;
    std::vector<std::u16string> arguments;
  };
  const Row rows[] = {
      {u"", {}},
      {u"usbio2-list.exe", {u"usbio2-list.exe"}},
      {u"\"C:\\Program Files\\usbio2-list.exe\" /?",
       {u"C:\\Program Files\\usbio2-list.exe", u"/?"}},
      {u"C:\\a\\b.exe  --help\t x ", {u"C:\\a\\b.exe", u"--help", u"x"}},
      {u"p \"a b\" c", {u"p", u"a b", u"c"}},
      {u"p a\\\\b \\\"q\\\" \"\"", {u"p", u"a\\\\b", u"\"q\"", u""}},
      {u"p a\\\\\"b c\" d", {u"p", u"a\\b c", u"d"}},
      {u"p \"say \"\"hi\"\"\"", {u"p", u"say \"hi\""}},
      {u"p 日本語 \"ユ ニ\"", {u"p", u"日本語", u"ユ ニ"}},
      {u"p \"unterminated", {u"p", u"unterminated"}},
  };
  counting_heap::Reset();
  for (const Row& row : rows) {
    EXPECT_EQ(Split(row.line), row.arguments);
  }
  EXPECT_EQ(counting_heap::Current().live, 0u);
}

TEST(CommandLine, ExhaustedMemoryGivesNoArgumentsButAUsableResult) {
  counting_heap::Reset(0);
  CommandLineArguments arguments = SplitCommandLine(u"p a b");
  EXPECT_EQ(arguments.count, 0);
  ASSERT_NE(arguments.values, nullptr);
  EXPECT_EQ(arguments.values[0], nullptr);
  ReleaseCommandLine(arguments);
  EXPECT_EQ(counting_heap::Current().badReleases, 0u);
}

}  // namespace
