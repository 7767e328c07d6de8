// The end of the process. A Linux exit status keeps only its low 8 bits, so the Windows
// build's statuses are mapped onto what survives without changing their sense.

#include <cstdio>
#include <cstdlib>

#include "report/console.h"
#include "report/report_main.h"

namespace {

// The highest status Linux keeps; it stands for this many units or more.
constexpr std::int32_t kHighestStatus = 255;

static_assert(kOutOfMemoryStatus < 0, "no count is negative");

}  // namespace

void EndProcess(std::int32_t status) {
  if (status < 0) {
    // Memory exhaustion: 0xC0000017 would read as 23, a plausible count. Ending by SIGABRT
    // is a status no count can take. The caller has released what it held.
    std::fflush(stdout);
    std::abort();
  }
  // 256 units would read as 0 and 257 as 1; 255 says "at least 255", and the count line
  // holds the exact number. exit() flushes standard output.
  std::exit(status > kHighestStatus ? kHighestStatus : status);
}
