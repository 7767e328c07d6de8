#include "posix_runtime/process_start.h"

#include <csignal>

void PrepareProcess() {
  // With SIGPIPE ignored a write to a closed pipe fails (and is not looked at, as on
  // Windows) instead of killing the process, so the status is still the count.
  std::signal(SIGPIPE, SIG_IGN);
}
