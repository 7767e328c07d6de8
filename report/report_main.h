#pragma once

#include <cstdint>

#include "discovery/wide_char.h"

// Exit status when memory ran out before anything was printed: the platform's no-memory
// status (STATUS_NO_MEMORY), which no count can be mistaken for.
inline constexpr std::int32_t kOutOfMemoryStatus = static_cast<std::int32_t>(0xC0000017u);

// The program's main function: reports the connected USB-IO2 units and returns the exit
// status (the count); ends the process itself with status 1 when none is found. The
// arguments are not looked at.
std::int32_t UsbIo2ListMain(int argc, WideChar** argv);
