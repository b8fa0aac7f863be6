// `vantel-host diff` as the host runs it: both files read, opened by the plug-in and compared.
// Two files of the largest example's size (a TDC and the ignition delay changed), and of
// 250,000 items (one in a hundred changed). Goals: under 50 ms and under 2 s.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>

#include "kalbrix.h"
#include "review.h"
#include "session.h"

namespace {

namespace fs = std::filesystem;
using vantel::host::Json;

Json Example() {
  std::ifstream in(fs::path(VANTEL_EXAMPLES_DIR) / "v8-two-rails.json", std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return vantel::host::ParseKalbrixText(text.str());
}

/// The example with filler items up to `items`; `changed` changes a TDC, the delay and one
/// filler item in a hundred.
std::string KalbrixText(size_t items, bool changed) {
  Json document = Example();
  Json& list = document["items"];
  for (Json& item : list)
    if (changed && item["name"] == "TAB_CNFENG_0") {
      item["words"][10] = item["words"][10].get<int>() + 256;
      item["words"][22] = 80;
    }
  for (size_t i = list.size(); i < items; ++i) {
    Json item = {{"name", "CAL_" + std::to_string(i)}, {"id", 0x100000 + i}};
    const size_t value = changed && i % 100 == 0 ? i + 1 : i;
    if (i % 2 == 0) item["words"] = {8, value % 65536, 7, 1};
    if (i % 2 == 1) item["int"] = static_cast<int>(value);
    list.push_back(std::move(item));
  }
  return vantel::host::DumpKalbrix(document);
}

struct Files {
  fs::path old, now;
  Files(size_t items) {
    const std::string stem = "diff-bench-" + std::to_string(getpid()) + "-" + std::to_string(items);
    old = fs::temp_directory_path() / (stem + "-old.json");
    now = fs::temp_directory_path() / (stem + "-new.json");
    std::ofstream(old, std::ios::binary) << KalbrixText(items, false);
    std::ofstream(now, std::ios::binary) << KalbrixText(items, true);
  }
  ~Files() {
    fs::remove(old);
    fs::remove(now);
  }
};

void Diff(benchmark::State& state) {
  const Files files(static_cast<size_t>(state.range(0)));
  std::unique_ptr<FILE, int (*)(FILE*)> quiet(std::fopen("/dev/null", "w"), &std::fclose);
  size_t changes = 0;
  for (auto _ : state) {
    vantel::host::HostSession session(1033, VANTEL_PLUGIN_PATH);
    auto sides =
        vantel::host::OpenBoth(session, files.old.string(), files.now.string(), quiet.get());
    if (!sides) {
      state.SkipWithError(sides.error().c_str());
      return;
    }
    const auto review =
        vantel::host::Compare((*sides)[0], (*sides)[1], vantel::host::HostLanguage::kEnglish);
    changes = review.changes.size();
    benchmark::DoNotOptimize(changes);
  }
  state.counters["changes"] = static_cast<double>(changes);
}

// The comparison alone, of two files opened once: what diff adds to the opens.
void Compare(benchmark::State& state) {
  const Files files(static_cast<size_t>(state.range(0)));
  std::unique_ptr<FILE, int (*)(FILE*)> quiet(std::fopen("/dev/null", "w"), &std::fclose);
  vantel::host::HostSession session(1033, VANTEL_PLUGIN_PATH);
  auto sides = vantel::host::OpenBoth(session, files.old.string(), files.now.string(), quiet.get());
  if (!sides) {
    state.SkipWithError(sides.error().c_str());
    return;
  }
  for (auto _ : state)
    benchmark::DoNotOptimize(
        vantel::host::Compare((*sides)[0], (*sides)[1], vantel::host::HostLanguage::kEnglish));
}

// The largest example has 60 items or so: at its size, filler adds none.
BENCHMARK(Diff)->Name("DiffLargestExample")->Arg(0)->Unit(benchmark::kMillisecond);
BENCHMARK(Diff)->Name("Diff250000Items")->Arg(250000)->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK(Compare)->Name("Compare250000Items")->Arg(250000)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
