// The Linux runtime's text output, run in a child process with standard output in a file:
// the bytes each locale's encoding gives, "?" for what it cannot encode, "\n" line ends, and
// everything flushed by the end of the process.

#include <gtest/gtest.h>

#include <string>

#include "report/console.h"
#include "tests/linux/child_process.h"

namespace {

// The two messages and a path line, as the report writes them.
const std::u16string kNotFound = u"USB-IO2が見つかりません\n";
const std::u16string kCount = u"USB-IO2の接続数 3個\n/dev/hidraw10\n";

struct ConversionCase {
  const char* name;
  const char* locale;
  std::u16string text;
  std::string bytes;
};

std::vector<ConversionCase> ConversionCases() {
  const std::string utf8NotFound =
      "USB-IO2\xe3\x81\x8c\xe8\xa6\x8b\xe3\x81\xa4\xe3\x81\x8b\xe3\x82\x8a\xe3\x81\xbe\xe3\x81"
      "\x9b\xe3\x82\x93\n";
  const std::string utf8Count =
      "USB-IO2\xe3\x81\xae\xe6\x8e\xa5\xe7\xb6\x9a\xe6\x95\xb0 3\xe5\x80\x8b\n/dev/hidraw10\n";
  return {
      {"utf8_not_found", "ja_JP.UTF-8", kNotFound, utf8NotFound},
      {"utf8_count", "ja_JP.UTF-8", kCount, utf8Count},
      {"c_utf8_count", "C.UTF-8", kCount, utf8Count},
      {"eucjp_not_found", "ja_JP.EUC-JP", kNotFound,
       "USB-IO2\xa4\xac\xb8\xab\xa4\xc4\xa4\xab\xa4\xea\xa4\xde\xa4\xbb\xa4\xf3\n"},
      {"eucjp_count", "ja_JP.EUC-JP", kCount,
       "USB-IO2\xa4\xce\xc0\xdc\xc2\xb3\xbf\xf4 3\xb8\xc4\n/dev/hidraw10\n"},
      // "C" encodes ASCII only: one "?" per Japanese character, nothing else lost.
      {"c_not_found", "C", kNotFound, "USB-IO2????????\n"},
      {"c_count", "C", kCount, "USB-IO2???? 3?\n/dev/hidraw10\n"},
      {"posix_count", "POSIX", kCount, "USB-IO2???? 3?\n/dev/hidraw10\n"},
      // A locale the system lacks leaves "C" in force.
      {"missing_locale", "xx_XX.UTF-8", kCount, "USB-IO2???? 3?\n/dev/hidraw10\n"},
      // Outside EUC-JP: the euro sign, and a character beyond the BMP as one "?" for its pair.
      {"eucjp_unencodable", "ja_JP.EUC-JP", u"a\u20acb\U0001F600c\n", "a?b?c\n"},
      {"utf8_beyond_bmp", "ja_JP.UTF-8", u"\u20ac\U0001F600\n", "\xe2\x82\xac\xf0\x9f\x98\x80\n"},
      // Half a surrogate pair encodes nothing, in any locale.
      {"lone_surrogates", "ja_JP.UTF-8",
       std::u16string(u"a") + char16_t{0xD83D} + u"b" + char16_t{0xDE00} + u"c" + char16_t{0xD83D},
       "a?b?c?"},
      {"no_carriage_return", "C", u"a\nb\n\n", "a\nb\n\n"},
  };
}

class PosixConsole : public ::testing::TestWithParam<ConversionCase> {};

TEST_P(PosixConsole, WritesTheLocalesBytes) {
  const ConversionCase& c = GetParam();
  const ChildRun run = RunInChild(c.locale, [&] {
    SelectUserLocale();
    // Written in two calls, as the report writes its count line around the number; each
    // call holds whole characters.
    std::size_t half = c.text.size() / 2;
    if (half > 0 && c.text[half - 1] >= 0xD800 && c.text[half - 1] <= 0xDBFF) ++half;
    WriteText(c.text.data(), half);
    WriteText(c.text.data() + half, c.text.size() - half);
    EndProcess(4);
  });
  EXPECT_TRUE(run.exited);
  EXPECT_EQ(run.exitCode, 4);
  EXPECT_EQ(run.output, c.bytes);
}

INSTANTIATE_TEST_SUITE_P(Locales, PosixConsole, ::testing::ValuesIn(ConversionCases()),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
