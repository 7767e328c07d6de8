#pragma once

#include "discovery/wide_char.h"

struct CommandLineArguments {
  int count;
  WideChar** values;  // count entries and a closing null
};

// Splits a command line the way the Windows C runtime does (program name first; quotes
// group; backslashes escape only before a quote). Arguments live in one heap block; when
// memory is exhausted the result has no arguments but is still safe to use and release.
CommandLineArguments SplitCommandLine(const WideChar* commandLine);
void ReleaseCommandLine(CommandLineArguments& arguments);
