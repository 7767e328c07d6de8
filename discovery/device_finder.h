#pragma once

#include <cstdint>

#include "discovery/device_path_list.h"

// FindTargetDevices' result when memory ran out: never a count. Whatever it appended before
// stays in the list for its owner to release.
inline constexpr std::int32_t kFinderOutOfMemory = -1;

// Appends the path of every present USB-IO2 HID interface to `list`, in enumeration order,
// and returns how many it appended. Platform failures skip the interface concerned.
std::int32_t FindTargetDevices(DevicePathList& list);
