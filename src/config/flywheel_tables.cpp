#include "config/flywheel_tables.h"

#include <cassert>
#include <utility>

namespace vantel {
namespace {

constexpr size_t kSyncEventWord = 5;      // singularity length ratio
constexpr size_t kSyncGapWord = 6;        // longest gap, 1/65536 of the cycle
constexpr size_t kSyncPeriodUsWord = 7;   // 7-8: longest gap time at 1 RPM, in µs
constexpr size_t kSyncSpeedWord = 9;      // 9-10: RPM conversion over one window
constexpr size_t kSyncWordsWritten = 11;  // the generator writes up to word 10

constexpr uint64_t kMinuteUs = 60000000;

struct Position {
  int weight;  // 0 for an empty position (a missing tooth)
  int tooth;
};

// What the SyncTable words of each type are made of (missing teeth depend on K).
struct SyncFactors {
  int lastTeethOffset;   // word 2 = 257T - offset
  uint32_t event;        // word 5
  uint32_t gapPeriods;   // word 6 = nearest(gapPeriods x 65536 / 2P)
  uint32_t longPeriods;  // words 7-8 = 60000000 x longPeriods / P
};

SyncFactors FactorsOf(const FlywheelGeometry& g) {
  const int k = g.flywheel.K;
  switch (g.type) {
    case FlywheelType::kRegular:
      return {258, 0, 2, 1};
    case FlywheelType::kMissingTeeth:
      return {258, static_cast<uint32_t>(0xF0000 / (10 - 10 * k)), static_cast<uint32_t>(2 - k),
              static_cast<uint32_t>(1 - k)};
    case FlywheelType::kExtraTooth:
      return {258, static_cast<uint32_t>(0xF0000 / (10 + 10 * k)), 2, 1};
    case FlywheelType::kRenaultRs:
      return {515, 0xC000, 3, 2};
  }
  return {258, 0, 2, 1};
}

size_t Before(size_t i, size_t count) { return i == 0 ? count - 1 : i - 1; }

std::vector<Position> ToothPositions(const FlywheelGeometry& g) {
  const int t = g.flywheel.T;
  const int r = g.flywheel.R;
  const int k = g.flywheel.K;
  std::vector<Position> positions;
  positions.reserve(static_cast<size_t>(2 * g.periods));
  int tooth = 0;
  switch (g.type) {
    case FlywheelType::kRegular:
      for (int p = 0; p < 2 * t; ++p) positions.push_back({1, p});
      break;
    case FlywheelType::kMissingTeeth:
      for (int occurrence = 0; occurrence < 2 * r; ++occurrence) {
        for (int p = 0; p < t / r - 1; ++p) positions.push_back({1, tooth++});
        const int last = tooth++;
        positions.push_back({1 - k, last});
        for (int p = 0; p < -k; ++p) positions.push_back({0, last});
      }
      break;
    case FlywheelType::kExtraTooth:
      for (int occurrence = 0; occurrence < 2 * r; ++occurrence) {
        for (int p = 0; p < t / r - 2; ++p) positions.push_back({1, tooth++});
        ++tooth;  // the extra tooth has no position of its own
        positions.push_back({1, tooth++});
      }
      break;
    case FlywheelType::kRenaultRs:
      for (int revolution = 0; revolution < 2; ++revolution) {
        const int base = revolution * t;
        for (int p = 0; p < t - 2; ++p) positions.push_back({1, base + p});
        positions.push_back({2, base + t - 2});
        positions.push_back({0, base + t - 2});
        positions.push_back({2, base + t - 1});
        positions.push_back({0, base + t - 1});
      }
      break;
  }
  return positions;
}

// For each end tooth u, the tooth t before a window u, u-1, ..., t+1 of exactly `units`
// units, or -1 when the gaps of the teeth before u jump over that length.
std::vector<int> ExactWindowStarts(const std::vector<int>& weights, int units) {
  const size_t teeth = weights.size();
  std::vector<int> starts(teeth, -1);
  for (size_t u = 0; u < teeth; ++u) {
    size_t t = u;
    int sum = 0;
    while (sum < units) {
      sum += weights[t];
      t = Before(t, teeth);
    }
    if (sum == units) starts[u] = static_cast<int>(t);
  }
  return starts;
}

template <typename Value>
uint16_t Low16(Value v) {
  return static_cast<uint16_t>(v & 0xFFFF);
}

void StartTable(WordTable& table, size_t entries) {
  table.clear();
  table.reserve(entries + 1);
  table.push_back(Low16(2 * (entries + 1)));
}

}  // namespace

bool DescribeFlywheel(uint16_t flywheelWord, uint16_t cylinders, FlywheelGeometry& g) {
  const Flywheel f = DecodeFlywheel(flywheelWord);
  g = {};
  g.flywheel = f;
  switch (f.K) {
    case kRegularTeeth:
      g.type = FlywheelType::kRegular;
      break;
    case kOneExtraTooth:
      g.type = FlywheelType::kExtraTooth;
      break;
    case kOneMissingTooth:
      g.type = FlywheelType::kMissingTeeth;
      break;
    case kTwoMissingTeeth:
      g.type = f.S == 2 ? FlywheelType::kRenaultRs : FlywheelType::kMissingTeeth;
      break;
    default:
      return false;
  }
  if (cylinders == 0 || f.T == 0) return false;
  if (g.type != FlywheelType::kRegular && f.T % f.R != 0) return false;
  if (g.type == FlywheelType::kExtraTooth && f.T / f.R < 3) return false;
  // The RS gaps sit on the last two teeth of a revolution, after at least one regular one.
  if (g.type == FlywheelType::kRenaultRs && (f.R != 1 || f.T < 3)) return false;

  g.periods = g.type == FlywheelType::kRenaultRs ? f.N : f.T - f.K * f.R;
  g.unitsPerPeriod = g.type == FlywheelType::kExtraTooth ? 2 : 1;
  g.unitsPerRevolution = g.periods * g.unitsPerPeriod;
  g.regularWeight = g.unitsPerPeriod;
  const int share = (2 * g.periods + cylinders - 1) / cylinders;
  g.windowPeriods = share < g.periods ? share : g.periods;
  g.windowUnits = g.windowPeriods * g.unitsPerPeriod;
  g.speedScale = static_cast<uint32_t>(
      NearestQuotient(uint64_t(g.periods) * 65536, uint64_t(g.windowPeriods)));
  return true;
}

std::vector<int> ToothWeights(const FlywheelGeometry& g) {
  const int t = g.flywheel.T;
  const int r = g.flywheel.R;
  std::vector<int> w(static_cast<size_t>(2 * t), g.regularWeight);
  auto set = [&](int tooth, int weight) {
    w[static_cast<size_t>(tooth)] = weight;
    w[static_cast<size_t>(tooth + t)] = weight;
  };
  switch (g.type) {
    case FlywheelType::kRegular:
      break;
    case FlywheelType::kMissingTeeth:
      for (int k = 1; k <= r; ++k) set(k * t / r - 1, 1 - g.flywheel.K);
      break;
    case FlywheelType::kExtraTooth:
      for (int k = 1; k <= r; ++k) {
        set(k * t / r - 3, 1);
        set(k * t / r - 2, 1);
      }
      break;
    case FlywheelType::kRenaultRs:
      set(t - 2, 2);
      set(t - 1, 2);
      break;
  }
  return w;
}

namespace {

// For each tooth, the window of L units that ends at it, or at the last tooth before it
// where one can: a long gap may overrun a window. nullopt when no tooth can end one.
std::optional<WordTable> WindowEntries(const std::vector<int>& weights, int windowUnits) {
  const size_t teeth = weights.size();
  const std::vector<int> starts = ExactWindowStarts(weights, windowUnits);
  WordTable windows(teeth);
  for (size_t u = 0; u < teeth; ++u) {
    size_t end = u;
    size_t tried = 0;
    while (starts[end] < 0 && ++tried < teeth) end = Before(end, teeth);
    if (starts[end] < 0) return std::nullopt;
    windows[u] = EncodeToothWindow(starts[end], static_cast<int>(end));
  }
  return windows;
}

// For each tooth, twice the index of the last tooth before it whose gap is the regular one;
// nullopt when no gap is.
std::optional<WordTable> RegularEntries(const std::vector<int>& weights, int regularWeight) {
  const size_t teeth = weights.size();
  WordTable regular(teeth);
  for (size_t i = 0; i < teeth; ++i) {
    size_t back = Before(i, teeth);
    size_t tried = 1;
    while (weights[back] != regularWeight && tried++ < teeth) back = Before(back, teeth);
    if (weights[back] != regularWeight) return std::nullopt;
    regular[i] = Low16(2 * back);
  }
  return regular;
}

WordTable ToothAngles(const std::vector<int>& weights, const FlywheelGeometry& g) {
  WordTable table;
  StartTable(table, weights.size());
  const uint64_t cycleUnits = 2 * uint64_t(g.unitsPerRevolution);
  uint64_t a = 0;
  for (const int weight : weights) {
    table.push_back(Low16(NearestQuotient(a * 65536, cycleUnits)));
    a += static_cast<uint64_t>(weight);
  }
  return table;
}

WordTable PositionTable(const std::vector<Position>& positions) {
  const size_t count = positions.size();
  WordTable table;
  StartTable(table, count);
  for (size_t j = 0; j < count; ++j) {
    // An empty position counts the steps back to the tooth that fills it; a tooth's own
    // position carries the weight of the gap before it.
    const bool empty = positions[j].weight == 0;
    size_t m = j;
    int gap = 0;
    for (size_t tried = 0; tried < count; ++tried) {
      m = Before(m, count);
      gap += empty ? 1 : positions[m].weight;
      if (positions[m].weight != 0) break;
    }
    table.push_back(EncodeToothPosition(gap, positions[m].tooth));
  }
  return table;
}

FlywheelSyncWords SyncWordsOf(const FlywheelGeometry& g) {
  const SyncFactors factors = FactorsOf(g);
  const auto t = static_cast<uint32_t>(g.flywheel.T);
  const auto p = static_cast<uint64_t>(g.periods);
  return {
      .lastTeeth = Low16(257 * t - static_cast<uint32_t>(factors.lastTeethOffset)),
      .event = Low16(factors.event),
      .gap = Low16(NearestQuotient(uint64_t{factors.gapPeriods} * 65536, 2 * p)),
      .periodUs = static_cast<uint32_t>(kMinuteUs * factors.longPeriods / p),
      .speed = static_cast<uint32_t>(kMinuteUs * 65536 / g.speedScale),
  };
}

}  // namespace

void FlywheelTables::WriteSyncWords(WordTable& syncTable) const {
  assert(syncTable.size() >= kSyncWordsWritten);
  syncTable[kSyncLastTeethWord] = sync.lastTeeth;
  syncTable[kSyncEventWord] = sync.event;
  syncTable[kSyncGapWord] = sync.gap;
  SetLong(syncTable, kSyncPeriodUsWord, sync.periodUs);
  SetLong(syncTable, kSyncSpeedWord, sync.speed);
}

std::optional<FlywheelTables> BuildFlywheelTables(std::span<const uint16_t> syncTable,
                                                  std::span<const uint16_t> engineTable) {
  return BuildFlywheelTables(Word(syncTable, kSyncFlywheelWord),
                             Word(engineTable, kEngineCylindersWord), syncTable.size());
}

std::optional<FlywheelTables> BuildFlywheelTables(uint16_t flywheelWord, uint16_t cylinders,
                                                  size_t syncTableWords) {
  FlywheelGeometry g;
  if (!DescribeFlywheel(flywheelWord, cylinders, g)) return std::nullopt;
  if (syncTableWords < kSyncWordsWritten) return std::nullopt;

  const std::vector<int> weights = ToothWeights(g);
  const size_t teeth = weights.size();
  // Every list is made before anything is kept: any of them may refuse the flywheel.
  const std::optional<WordTable> windows = WindowEntries(weights, g.windowUnits);
  if (!windows) return std::nullopt;
  const std::optional<WordTable> regular = RegularEntries(weights, g.regularWeight);
  if (!regular) return std::nullopt;

  FlywheelTables built;
  WordTable& toothWindow = built.tables[0];
  StartTable(toothWindow, teeth + 1);
  for (size_t i = 0; i <= teeth; ++i) toothWindow.push_back((*windows)[Before(i % teeth, teeth)]);
  built.tables[1] = ToothAngles(weights, g);
  built.tables[2] = PositionTable(ToothPositions(g));
  WordTable& regularTooth = built.tables[3];
  StartTable(regularTooth, teeth);
  regularTooth.insert(regularTooth.end(), regular->begin(), regular->end());
  built.sync = SyncWordsOf(g);
  return built;
}

}  // namespace vantel
