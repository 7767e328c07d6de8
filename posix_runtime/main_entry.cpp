// The process entry point of the Linux build.

#include "posix_runtime/process_start.h"
#include "report/console.h"
#include "report/report_main.h"

int main() {
  PrepareProcess();
  // The main function never looks at its arguments; they are handed on as an empty list
  // rather than decoded before the user's locale has been selected.
  WideChar* noArguments[] = {nullptr};
  EndProcess(UsbIo2ListMain(0, noArguments));
}
