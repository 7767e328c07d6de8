// The finder's own cost per interface, with the platform answering from memory, and the
// heap it leaves live (which must grow with the units found, not with the interfaces).

#include <benchmark/benchmark.h>

#include "bench/counting_malloc.h"
#include "bench/memory_platform.h"
#include "discovery/device_finder.h"

namespace {

void FindOnePercent(benchmark::State& state) {
  const auto interfaces = static_cast<std::size_t>(state.range(0));
  const auto units = static_cast<std::size_t>(state.range(1));
  const memory_platform::Table table = memory_platform::MakeTable(interfaces, units);
  memory_platform::Install(&table);

  counting_malloc::Live live;
  for (auto _ : state) {
    DevicePathList list;
    const counting_malloc::Live before = counting_malloc::Current();
    benchmark::DoNotOptimize(FindTargetDevices(list));
    const counting_malloc::Live after = counting_malloc::Current();
    live = {after.blocks - before.blocks, after.bytes - before.bytes};
  }
  state.counters["interfaces"] = static_cast<double>(interfaces);
  state.counters["units"] = static_cast<double>(units);
  state.counters["live_blocks"] = static_cast<double>(live.blocks);
  state.counters["live_bytes"] = static_cast<double>(live.bytes);
}

BENCHMARK(FindOnePercent)
    ->Args({1000, 10})
    ->Args({10000, 100})
    ->Args({100000, 1000})
    ->Args({100000, 10})  // as many units as the smallest table: the live heap must match it
    ->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
