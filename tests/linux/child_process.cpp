#include "tests/linux/child_process.h"

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

namespace {

ChildRun Run(int outputFd, const std::string* locale, const std::function<void()>& body) {
  // Whatever the test binary has buffered must not be written a second time by the child.
  std::fflush(stdout);
  const pid_t pid = fork();
  if (pid < 0) std::abort();
  if (pid == 0) {
    if (locale != nullptr) {
      if (locale->empty()) {
        unsetenv("LC_ALL");
      } else {
        setenv("LC_ALL", locale->c_str(), 1);
      }
    }
    dup2(outputFd, STDOUT_FILENO);
    body();
    _exit(99);
  }
  int status = 0;
  waitpid(pid, &status, 0);
  ChildRun run;
  run.exited = WIFEXITED(status);
  run.exitCode = run.exited ? WEXITSTATUS(status) : -1;
  run.signal = WIFSIGNALED(status) ? WTERMSIG(status) : 0;
  return run;
}

}  // namespace

ChildRun RunInChild(const std::string& locale, const std::function<void()>& body) {
  std::FILE* capture = std::tmpfile();
  if (capture == nullptr) std::abort();
  ChildRun run = Run(fileno(capture), &locale, body);
  std::rewind(capture);
  char buffer[4096];
  std::size_t count;
  while ((count = std::fread(buffer, 1, sizeof(buffer), capture)) > 0)
    run.output.append(buffer, count);
  std::fclose(capture);
  return run;
}

ChildRun RunInChildWithOutput(int outputFd, const std::function<void()>& body) {
  return Run(outputFd, nullptr, body);
}
