// Throughput of the command-table tokenizer and parser over generated tables of about
// 10 KB, 1 MB and 10 MB, against an in-process host that answers from hash maps. The cost
// per byte must not grow with the size of the table.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "cmdtable/command_group.h"
#include "cmdtable/command_parser.h"
#include "cmdtable/command_tokenizer.h"
#include "host/host_data.h"
#include "ui/machine_context.h"
#include "vantel/host_abi.h"

namespace vantel {
namespace {

// The host's answers, one open-addressing table keyed by request kind and item name, so that
// the host's own cost per request stays small and flat beside the parser's.
class MapHost {
 public:
  enum Kind : uint8_t { kUserValue, kItemId, kFunction, kSupervision };

  void Set(Kind kind, const std::string& name, int32_t value) {
    if ((used_ + 1) * 2 > slots_.size()) Grow();
    Slot& slot = Probe(kind, name);
    if (slot.name.empty()) ++used_;
    slot = {kind, name, value};
  }
  const int32_t* Find(Kind kind, std::string_view name) const {
    if (slots_.empty()) return nullptr;
    const Slot& slot = const_cast<MapHost*>(this)->Probe(kind, name);
    return slot.name.empty() ? nullptr : &slot.value;
  }

 private:
  struct Slot {
    Kind kind = kUserValue;
    std::string name;
    int32_t value = 0;
  };
  static uint64_t Hash(Kind kind, std::string_view name) {
    uint64_t h = 1469598103934665603ull ^ kind;
    for (unsigned char c : name) h = (h ^ c) * 1099511628211ull;
    return h;
  }
  Slot& Probe(Kind kind, std::string_view name) {
    const size_t mask = slots_.size() - 1;
    for (size_t i = Hash(kind, name) & mask;; i = (i + 1) & mask) {
      Slot& slot = slots_[i];
      if (slot.name.empty() || (slot.kind == kind && slot.name == name)) return slot;
    }
  }
  void Grow() {
    std::vector<Slot> old = std::move(slots_);
    slots_.assign(old.empty() ? 64 : old.size() * 2, Slot{});
    used_ = 0;
    for (Slot& slot : old)
      if (!slot.name.empty()) Set(slot.kind, slot.name, slot.value);
  }
  std::vector<Slot> slots_;
  size_t used_ = 0;
};

MapHost* host = nullptr;

int32_t Integer(HostBuffer* record, int32_t value) {
  record->len = -1;
  record->data = HostAlloc(sizeof value);
  std::memcpy(record->data, &value, sizeof value);
  return HOST_OK;
}

int32_t Lookup(HostBuffer* record, MapHost::Kind kind, const char* item) {
  const int32_t* value = host->Find(kind, item);
  return value ? Integer(record, *value) : HOST_TARGET_ERROR;
}

int32_t AnswerFromMaps(int32_t, int32_t code, const char* item, HostBuffer* record) {
  switch (code) {
    case REQ_USER_VALUE:
      return Lookup(record, MapHost::kUserValue, item);
    case REQ_ITEM_ID:
      return Lookup(record, MapHost::kItemId, item);
    case REQ_ITEM_PRESENT:
      return host->Find(MapHost::kItemId, item) ? Integer(record, 1) : HOST_TARGET_ERROR;
    case REQ_FNC_QUERY:
      return Integer(record, host->Find(MapHost::kFunction, item) ? 1 : 0);
    case REQ_SUP_QUERY:
      return Integer(record, host->Find(MapHost::kSupervision, item) ? 1 : 0);
    case REQ_MACHINE_NAME:
      record->len = 4;
      record->data = HostAlloc(4);
      std::memcpy(record->data, "M01", 4);
      return HOST_OK;
    default:
      return HOST_ACTION_ERROR;
  }
}

// An ECU knows a few thousand items: names repeat over this many groups, so the host's
// maps, and its cost per request, are the same for every size of table.
constexpr int kVocabulary = 2048;

// Groups of assignments (numbers, user values, items) and entries (known and unknown,
// some quoted) until the text reaches `bytes`.
std::string GenerateTable(size_t bytes, MapHost& maps) {
  std::string text;
  text.reserve(bytes + 256);
  char line[256];
  for (int n = 0; text.size() < bytes; ++n) {
    const int g = n % kVocabulary;
    const std::string user = "USR_" + std::to_string(g % 64);
    const std::string item = "ITEM_" + std::to_string(g);
    const std::string fnc = "F_" + std::to_string(g);
    const std::string sup = "S_" + std::to_string(g);
    const std::string dat = "D_" + std::to_string(g);
    maps.Set(MapHost::kUserValue, user, 1 << (g % 16));
    maps.Set(MapHost::kItemId, item, 0x10000 + g);
    maps.Set(MapHost::kItemId, dat, 0x20000 + g);
    maps.Set(MapHost::kFunction, fnc, 1);
    if (g % 3 != 0) maps.Set(MapHost::kSupervision, sup, 1);
    std::snprintf(line, sizeof line,
                  "CN0=0x%X|4 CN1=%s|%d CN2=%d CN4=%s CN6=%d\n"
                  "  FNC=%s SUP=%s DAT=%s FNC=\"F_UNKNOWN_%d\"  \"DAT\"=\"%s\"\n",
                  g & 0xFFF, user.c_str(), g % 9, g, item.c_str(), g % 4, fnc.c_str(), sup.c_str(),
                  dat.c_str(), n, dat.c_str());
    text += line;
  }
  return text;
}

struct Fixture {
  explicit Fixture(size_t bytes) : text(GenerateTable(bytes, maps)) {
    host = &maps;
    app.hostEntry = &AnswerFromMaps;
  }
  MapHost maps;
  std::string text;
  HostApp app;
};

void BM_ParseCommandTable(benchmark::State& state) {
  Fixture fixture(static_cast<size_t>(state.range(0)));
  MachineContext context(&fixture.app, 1);
  CommandGroupList list;
  for (auto _ : state) {
    if (!ParseCommandTableText(context, fixture.text, list)) state.SkipWithError("parse failed");
    benchmark::DoNotOptimize(list.data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * fixture.text.size()));
  state.counters["groups"] = static_cast<double>(list.size());
  state.counters["ns_per_byte"] = benchmark::Counter(
      static_cast<double>(fixture.text.size()) * static_cast<double>(state.iterations()),
      benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void BM_TokenizeCommandTable(benchmark::State& state) {
  Fixture fixture(static_cast<size_t>(state.range(0)));
  size_t tokens = 0;
  for (auto _ : state) {
    CommandTokenizer tokenizer(fixture.text);
    std::string token;
    tokens = 0;
    while (tokenizer.NextToken(token)) ++tokens;
    benchmark::DoNotOptimize(tokens);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * fixture.text.size()));
  state.counters["tokens"] = static_cast<double>(tokens);
  state.counters["ns_per_byte"] = benchmark::Counter(
      static_cast<double>(fixture.text.size()) * static_cast<double>(state.iterations()),
      benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

constexpr int64_t kSizes[] = {10 << 10, 1 << 20, 10 << 20};

BENCHMARK(BM_TokenizeCommandTable)
    ->Arg(kSizes[0])
    ->Arg(kSizes[1])
    ->Arg(kSizes[2])
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ParseCommandTable)
    ->Arg(kSizes[0])
    ->Arg(kSizes[1])
    ->Arg(kSizes[2])
    ->Unit(benchmark::kMillisecond)
    ->MinTime(2.0);

}  // namespace
}  // namespace vantel

BENCHMARK_MAIN();
