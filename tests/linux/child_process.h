#pragma once

// Runs a piece of the runtime in a child process, as the real tool would run it: standard
// output goes to a file (or a given descriptor) and the child's end is observed from outside.

#include <functional>
#include <string>

struct ChildRun {
  bool exited = false;  // ended by exit() with `exitCode`
  int exitCode = -1;
  int signal = 0;      // or killed by this signal
  std::string output;  // the bytes written to standard output
};

// Runs `body` in a child with LC_ALL set to `locale` (unset when empty) and standard output
// captured. `body` is expected to end the process; a return ends it with status 99.
ChildRun RunInChild(const std::string& locale, const std::function<void()>& body);

// As RunInChild, with standard output on `outputFd` and nothing captured.
ChildRun RunInChildWithOutput(int outputFd, const std::function<void()>& body);
