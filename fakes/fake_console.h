#pragma once

// The report's runtime for host tests: records the text written (newlines as '\n') and turns
// the end of the process into an exception the test catches.

#include <cstdint>
#include <string>

namespace fake_console {

struct ProcessEnded {
  std::int32_t status;
};

void Reset();
const std::u16string& Output();
bool LocaleSelected();
bool WroteBeforeLocale();

}  // namespace fake_console
