// Time to build the flywheel description tables, over every consistent flywheel word the
// Engine page can store and every cylinder count.
#include <benchmark/benchmark.h>

#include <utility>
#include <vector>

#include "config/flywheel_tables.h"

namespace vantel {
namespace {

std::vector<std::pair<uint16_t, uint16_t>> ConsistentPairs() {
  std::vector<std::pair<uint16_t, uint16_t>> pairs;
  for (int teeth = 8; teeth <= 58; ++teeth) {
    for (int code = 0; code < 4; ++code) {
      if (teeth % (code + 1) != 0) continue;
      for (int kind = kTwoMissingTeeth; kind <= kOneExtraTooth; ++kind) {
        for (bool rs : {false, true}) {
          if (rs && (kind != kTwoMissingTeeth || code != 0)) continue;
          if (kind == kRegularTeeth && code != 0) continue;
          if (kind == kOneExtraTooth && teeth < 3 * (code + 1)) continue;
          for (uint16_t cylinders : kCylinderCounts) {
            pairs.emplace_back(EncodeFlywheel(teeth, code, kind, rs), cylinders);
          }
        }
      }
    }
  }
  return pairs;
}

void BM_BuildEveryConsistentFlywheel(benchmark::State& state) {
  const auto pairs = ConsistentPairs();
  WordTable sync(kSyncTableWords, 0);
  sync[0] = 34;
  WordTable engine(kEngineTableWords, 0);
  engine[0] = 68;
  for (auto _ : state) {
    for (const auto& [word, cylinders] : pairs) {
      sync[kSyncFlywheelWord] = word;
      engine[kEngineCylindersWord] = cylinders;
      benchmark::DoNotOptimize(BuildFlywheelTables(sync, engine));
      benchmark::ClobberMemory();
    }
  }
  // Reported per build: items are builds.
  state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(pairs.size()));
  state.counters["time_per_build"] = benchmark::Counter(
      static_cast<double>(state.iterations() * static_cast<int64_t>(pairs.size())),
      benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
  state.counters["builds"] = static_cast<double>(pairs.size());
}
BENCHMARK(BM_BuildEveryConsistentFlywheel)->Unit(benchmark::kMillisecond);

// The largest wheel: 60-2 with one cylinder walks windows of a whole revolution.
void BM_Build60Minus2OneCylinder(benchmark::State& state) {
  WordTable sync(kSyncTableWords, 0);
  sync[0] = 34;
  sync[kSyncFlywheelWord] = 0x3C3A;
  WordTable engine(kEngineTableWords, 0);
  engine[kEngineCylindersWord] = static_cast<uint16_t>(state.range(0));
  for (auto _ : state) {
    benchmark::DoNotOptimize(BuildFlywheelTables(sync, engine));
  }
}
BENCHMARK(BM_Build60Minus2OneCylinder)->Arg(1)->Arg(4)->Arg(12)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace vantel

BENCHMARK_MAIN();
