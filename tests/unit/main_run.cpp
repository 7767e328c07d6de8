#include "tests/unit/main_run.h"

#include "fakes/fake_console.h"
#include "report/report_main.h"

MainRun RunMain(const fake_hid::Scenario& scenario, std::vector<std::u16string> args) {
  fake_hid::Install(scenario);
  fake_console::Reset();
  std::vector<WideChar*> argv;
  for (auto& arg : args) argv.push_back(arg.data());
  argv.push_back(nullptr);
  MainRun run{0, false, {}};
  try {
    run.status = UsbIo2ListMain(static_cast<int>(args.size()), argv.data());
  } catch (const fake_console::ProcessEnded& ended) {
    run.status = ended.status;
    run.endedByExit = true;
  }
  run.output = fake_console::Output();
  return run;
}
