// Reading a Kalbrix file as vantel-host does (the text, the document with its nesting and
// repeated-key checks, the items checked into the store), at 40,000 and 250,000 items: the
// time per item must not grow with the number of items.
//   kalbrix_read_bench [ITEMS...]   (default 40000 250000)
#include <stdlib.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "kalbrix.h"

namespace {

namespace fs = std::filesystem;
using vantel::host::Json;

/// An example with filler items added up to `items`, in the host's own layout.
std::string KalbrixText(size_t items) {
  std::ifstream in(fs::path(VANTEL_EXAMPLES_DIR) / "v8-two-rails.json", std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  Json document = vantel::host::ParseKalbrixText(text.str());
  Json& list = document["items"];
  for (size_t i = list.size(); i < items; ++i) {
    Json item = {{"name", "CAL_" + std::to_string(i)}, {"id", 0x100000 + i}};
    if (i % 3 == 0) item["words"] = {8, i % 65536, 7, 1};
    if (i % 3 == 1) item["int"] = static_cast<int>(i);
    if (i % 3 == 2) item["state"] = "0x88000000";
    list.push_back(std::move(item));
  }
  return vantel::host::DumpKalbrix(document);
}

double Seconds(const std::chrono::steady_clock::time_point& start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<size_t> counts;
  for (int i = 1; i < argc; ++i) counts.push_back(std::strtoul(argv[i], nullptr, 10));
  if (counts.empty()) counts = {40000, 250000};
  const fs::path file =
      fs::temp_directory_path() / ("kalbrix-read-bench-" + std::to_string(getpid()) + ".json");
  for (size_t items : counts) {
    const std::string text = KalbrixText(items);
    std::ofstream(file, std::ios::binary) << text;
    double best = 1e9;
    size_t read = 0;
    for (int round = 0; round < 3; ++round) {
      const auto start = std::chrono::steady_clock::now();
      read = vantel::host::LoadKalbrix(file.string()).items.size();
      best = std::min(best, Seconds(start));
    }
    std::printf("%7zu items, %5.1f MB: %6.3f s to read (best of 3), %5.2f us/item, %6.1f MB/s\n",
                read, text.size() / 1e6, best, 1e6 * best / static_cast<double>(read),
                text.size() / 1e6 / best);
  }
  fs::remove(file);
  return 0;
}
