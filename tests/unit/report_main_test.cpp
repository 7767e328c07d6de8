#include "report/report_main.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fakes/counting_heap.h"
#include "fakes/fake_console.h"
#include "fakes/fake_hid_platform.h"
#include "report/console_text.h"
#include "tests/unit/main_run.h"

namespace {

using fake_hid::FakeInterface;

// A run of the main function that also selected the locale before writing anything.
MainRun RunMainChecked(const fake_hid::Scenario& scenario,
                       std::vector<std::u16string> args = {u"usbio2-list"}) {
  const MainRun run = RunMain(scenario, std::move(args));
  EXPECT_TRUE(fake_console::LocaleSelected());
  EXPECT_FALSE(fake_console::WroteBeforeLocale());
  return run;
}

fake_hid::Scenario Units(int count) {
  fake_hid::Scenario scenario;
  for (int i = 0; i < count; ++i) {
    scenario.interfaces.push_back(
        FakeInterface{0x046D, 0xC077, u"mouse" + std::u16string(1, u'a' + i), {}, {}, false});
    scenario.interfaces.push_back(FakeInterface{0x1352,
                                                static_cast<std::uint16_t>(0x0120 + i % 2),
                                                u"\\\\?\\hid#unit" + std::u16string(1, u'0' + i),
                                                {},
                                                {},
                                                false});
  }
  return scenario;
}

struct ReportCase {
  const char* name;
  fake_hid::Scenario scenario;
  std::u16string output;
  std::int32_t status;
};

TEST(Report, ExactTextAndStatus) {
  const ReportCase cases[] = {
      {"no unit", Units(0), u"USB-IO2が見つかりません\n", 1},
      {"set unobtainable", {{}, true}, u"USB-IO2が見つかりません\n", 1},
      {"one unit", Units(1), u"USB-IO2の接続数 1個\n\\\\?\\hid#unit0\n", 1},
      {"three units", Units(3),
       u"USB-IO2の接続数 3個\n\\\\?\\hid#unit0\n\\\\?\\hid#unit1\n\\\\?\\hid#unit2\n", 3},
  };
  for (const ReportCase& c : cases) {
    SCOPED_TRACE(c.name);
    counting_heap::Reset();
    const MainRun run = RunMainChecked(c.scenario);
    EXPECT_TRUE(run.output == c.output);
    EXPECT_EQ(run.status, c.status);
    EXPECT_EQ(counting_heap::Current().live, 0u) << "the list was not released";
  }
}

TEST(Report, NotFoundEndsTheProcessAtOnceWithOne) {
  counting_heap::Reset();
  const MainRun run = RunMainChecked(Units(0));
  EXPECT_TRUE(run.endedByExit);
  EXPECT_EQ(run.status, 1);
}

TEST(Report, ArgumentsChangeNothing) {
  const std::vector<std::vector<std::u16string>> argumentLists = {
      {}, {u"usbio2-list", u"/?"}, {u"usbio2-list", u"--help"}, {u"x", u"-v", u"", u"日本"}};
  for (int units : {0, 2}) {
    counting_heap::Reset();
    const MainRun plain = RunMainChecked(Units(units));
    for (const auto& args : argumentLists) {
      const MainRun run = RunMainChecked(Units(units), args);
      EXPECT_TRUE(run.output == plain.output);
      EXPECT_EQ(run.status, plain.status);
    }
  }
}

TEST(Report, MemoryExhaustionPrintsNothingAndReleasesTheList) {
  // Fail the path copy of the second unit: one node is already in the list by then.
  for (long failAt = 0; failAt < 7; ++failAt) {
    SCOPED_TRACE(failAt);
    counting_heap::Reset(failAt);
    const MainRun run = RunMainChecked(Units(2));
    if (counting_heap::Current().refused == 0) continue;
    EXPECT_TRUE(run.endedByExit);
    EXPECT_EQ(run.status, kOutOfMemoryStatus);
    EXPECT_TRUE(run.output.empty());
    EXPECT_EQ(counting_heap::Current().live, 0u);
    EXPECT_EQ(fake_hid::Recorded().openNow, 0);
    EXPECT_EQ(fake_hid::Recorded().setsDestroyed, 1);
  }
}

TEST(ConsoleText, FormatsTheCountInSignedDecimal) {
  struct Row {
    const char16_t* format;
    std::int32_t value;
    std::u16string text;
  };
  const Row rows[] = {
      {u"USB-IO2の接続数 %i個\n", 100, u"USB-IO2の接続数 100個\n"},
      {u"%i", 0, u"0"},
      {u"%i", -7, u"-7"},
      {u"[%i]", 2147483647, u"[2147483647]"},
      {u"[%i]", -2147483647 - 1, u"[-2147483648]"},
      {u"no directive %", 5, u"no directive %"},
      {u"%d%%i", 9, u"%d%9"},
  };
  for (const Row& row : rows) {
    fake_console::Reset();
    PrintFormatted(row.format, row.value);
    EXPECT_TRUE(fake_console::Output() == row.text) << row.value;
  }
}

}  // namespace
