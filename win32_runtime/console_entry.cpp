// The process entry point: nothing of a C runtime runs before or after it.

#include <windows.h>

#include "report/console.h"
#include "report/report_main.h"
#include "win32_runtime/command_line.h"

// The loader calls the entry with a stack aligned to 4 bytes only; realign it for the code
// the compiler generates on the assumption of 16.
extern "C" [[noreturn]] __attribute__((force_align_arg_pointer)) void ConsoleEntry() {
  CommandLineArguments arguments =
      SplitCommandLine(reinterpret_cast<const WideChar*>(GetCommandLineW()));
  const std::int32_t status = UsbIo2ListMain(arguments.count, arguments.values);
  ReleaseCommandLine(arguments);
  EndProcess(status);
}
