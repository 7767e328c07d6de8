#pragma once

// A platform that answers the finder from a table in memory at the least possible cost, so
// that what a benchmark measures is the finder's own work.

#include <cstdint>
#include <string>
#include <vector>

namespace memory_platform {

struct Table {
  std::vector<std::u16string> paths;
  std::vector<std::uint16_t> productIds;  // all of vendor 0x1352; 0x0120 is a unit
};

// `interfaces` interfaces of which `units` (spread evenly) are USB-IO2 units.
Table MakeTable(std::size_t interfaces, std::size_t units);
void Install(const Table* table);

}  // namespace memory_platform
