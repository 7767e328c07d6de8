#pragma once

// One run of the main function over the fake platform and the recording console, as the
// process would run it: the end of the process it asks for is caught here.

#include <cstdint>
#include <string>
#include <vector>

#include "fakes/fake_hid_platform.h"

struct MainRun {
  std::int32_t status;
  bool endedByExit;  // the process was ended from inside rather than by returning
  std::u16string output;
};

// Installs `scenario` and a fresh console, then runs the main function with `args`.
MainRun RunMain(const fake_hid::Scenario& scenario,
                std::vector<std::u16string> args = {u"usbio2-list"});
