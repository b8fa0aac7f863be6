#include "config/flywheel_tables.h"

#include <gtest/gtest.h>

#include <optional>
#include <span>

#include <algorithm>
#include <numeric>
#include <string>
#include <vector>

#include "support/config_builder.h"
#include "support/named_cases.h"

namespace vantel {
namespace {

using test::PrintTo;

using test::FlywheelWord;

WordTable SyncWith(uint16_t flywheelWord) {
  WordTable sync(kSyncTableWords, 0);
  sync[0] = 34;
  sync[1] = flywheelWord;
  sync[3] = 700;     // untouched by the generator
  sync[4] = 0xFFFF;  // untouched by the generator
  for (size_t i = 11; i < kSyncTableWords; ++i) sync[i] = static_cast<uint16_t>(0x1100 + i);
  return sync;
}

WordTable EngineWith(uint16_t cylinders) {
  WordTable engine(kEngineTableWords, 0);
  engine[0] = 68;
  engine[kEngineCylindersWord] = cylinders;
  return engine;
}

struct Built {
  WordTable sync;
  WordTable window, angle, position, regular;
  bool ok = false;
};

/// Builds the tables for `b.sync` and `engine` into `b`, as a caller keeps them: the tables
/// replaced, the generator's words written into `b.sync`. False, `b` untouched, on a refusal.
bool BuildInto(Built& b, std::span<const uint16_t> engine) {
  const std::optional<FlywheelTables> built = BuildFlywheelTables(b.sync, engine);
  if (!built) return false;
  built->WriteSyncWords(b.sync);
  b.window = built->tables[0];
  b.angle = built->tables[1];
  b.position = built->tables[2];
  b.regular = built->tables[3];
  return true;
}

Built Build(uint16_t flywheelWord, uint16_t cylinders) {
  Built b;
  b.sync = SyncWith(flywheelWord);
  b.ok = BuildInto(b, EngineWith(cylinders));
  return b;
}

std::vector<uint16_t> Entries(const WordTable& table) {
  if (table.empty()) return {};
  return {table.begin() + 1, table.end()};
}

std::vector<uint16_t> Head(const WordTable& table, size_t n) {
  std::vector<uint16_t> e = Entries(table);
  if (e.size() > n) e.resize(n);
  return e;
}

std::vector<uint16_t> Ramp(uint16_t first, uint16_t step, size_t count) {
  std::vector<uint16_t> v(count);
  for (size_t i = 0; i < count; ++i) v[i] = static_cast<uint16_t>(first + step * i);
  return v;
}

std::vector<uint16_t> Concat(std::vector<uint16_t> a, const std::vector<uint16_t>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

// --- The worked examples, word for word.

struct Example {
  const char* name;
  uint16_t word;
  uint16_t cylinders;
  size_t windowEntries, angleEntries, positionEntries, regularEntries;
  // Leading entries as documented (the whole table when as long as the entry count).
  std::vector<uint16_t> window, angle, position, regular;
  std::vector<std::pair<size_t, uint16_t>> syncWords;
};

class FlywheelExamplesTest : public testing::TestWithParam<Example> {};

TEST_P(FlywheelExamplesTest, BuildsTheDocumentedTables) {
  const Example& e = GetParam();
  const Built b = Build(e.word, e.cylinders);
  ASSERT_TRUE(b.ok);
  EXPECT_EQ(Entries(b.window).size(), e.windowEntries);
  EXPECT_EQ(Entries(b.angle).size(), e.angleEntries);
  EXPECT_EQ(Entries(b.position).size(), e.positionEntries);
  EXPECT_EQ(Entries(b.regular).size(), e.regularEntries);
  EXPECT_EQ(Head(b.window, e.window.size()), e.window);
  EXPECT_EQ(Head(b.angle, e.angle.size()), e.angle);
  EXPECT_EQ(Head(b.position, e.position.size()), e.position);
  EXPECT_EQ(Head(b.regular, e.regular.size()), e.regular);
  for (const auto& [index, value] : e.syncWords) {
    EXPECT_EQ(b.sync[index], value) << "SyncTable word " << index;
  }
}

const Example kExamples[] = {
    {"Regular4Teeth4Cylinders",
     0x0404,
     4,
     9,
     8,
     8,
     8,
     {2574, 3072, 3586, 4, 518, 1032, 1546, 2060, 2574},
     Ramp(0, 8192, 8),
     Concat({8199}, Ramp(8192, 1, 7)),
     {14, 0, 2, 4, 6, 8, 10, 12},
     {{2, 770}, {5, 0}, {6, 16384}, {7, 57792}, {8, 228}, {9, 50048}, {10, 457}}},
    {"OneMissingTooth5Of6With2Cylinders",
     FlywheelWord(5, 6),
     2,
     11,
     10,
     12,
     10,
     {2066, 2560, 3074, 3588, 4102, 4616, 10, 524, 1038, 1552, 2066},
     {0, 5461, 10923, 16384, 21845, 32768, 38229, 43691, 49152, 54613},
     {16393, 8192, 8193, 8194, 8195, 8196, 16388, 8197, 8198, 8199, 8200, 8201},
     {16, 0, 2, 4, 6, 6, 10, 12, 14, 16},
     {{2, 1027}, {5, 49152}, {6, 16384}, {7, 11520}, {8, 305}, {9, 34560}, {10, 915}}},
    {"SixtyMinusTwo4Cylinders",
     0x3C3A,
     4,
     117,
     116,
     120,
     116,
     {44774, 45056, 45570},
     {},
     {},
     {},
     {{2, 14648}, {5, 32768}, {6, 2185}, {7, 50880}, {8, 45}, {9, 50048}, {10, 457}}},
    {"TwelvePlusOne4Cylinders",
     FlywheelWord(13, 12),
     4,
     27,
     26,
     24,
     26,
     {},
     {},
     Concat(Concat({8217}, Ramp(8192, 1, 11)), {8204}),
     Concat(Concat({50}, Ramp(0, 2, 9)), {18, 18, 18}),
     {{5, 49152}, {6, 5461}, {9, 50048}, {10, 457}}},
    {"RenaultRs6Of8With2Cylinders",
     FlywheelWord(6, 8, 1, true),
     2,
     13,
     12,
     16,
     12,
     {},
     {0, 4096, 8192, 12288, 16384, 24576, 32768},
     {16395, 8192, 8193, 8194, 8195, 8196, 16388, 8197, 16389},
     {},
     {{2, 1027}, {6, 12288}}},
};

INSTANTIATE_TEST_SUITE_P(Documented, FlywheelExamplesTest, testing::ValuesIn(kExamples),
                         test::CaseName());

// --- Derived values

struct GeometryCase {
  const char* name;
  uint16_t word;
  uint16_t cylinders;
  FlywheelType type;
  int periods, windowPeriods, windowUnits;
  uint32_t speedScale;
};

TEST(FlywheelGeometryTest, WindowAndSpeedScale) {
  const GeometryCase cases[] = {
      {"regular 4, 4 cylinders", 0x0404, 4, FlywheelType::kRegular, 4, 2, 2, 131072},
      {"36-1, 2 cylinders", FlywheelWord(35, 36), 2, FlywheelType::kMissingTeeth, 36, 36, 36,
       65536},
      {"60-2, 1 cylinder is one revolution", 0x3C3A, 1, FlywheelType::kMissingTeeth, 60, 60, 60,
       65536},
      {"60-2, 12 cylinders", 0x3C3A, 12, FlywheelType::kMissingTeeth, 60, 10, 10, 393216},
      {"60-2-2 counts both gaps", FlywheelWord(56, 60, 2), 4, FlywheelType::kMissingTeeth, 60, 30,
       30, 131072},
      // ceil(72 / 5) = 15; 36 x 65536 / 15 leaves 6 of 15, below 7: rounds down.
      {"36-1, 5 cylinders", FlywheelWord(35, 36), 5, FlywheelType::kMissingTeeth, 36, 15, 15,
       157286},
      // ceil(24 / 5) = 5; 12 x 65536 / 5 leaves 2 of 5, which reaches 5 / 2: rounds up.
      {"12+1, 5 cylinders", FlywheelWord(13, 12), 5, FlywheelType::kExtraTooth, 12, 5, 10, 157287},
      {"12+1 counts half periods", FlywheelWord(13, 12), 4, FlywheelType::kExtraTooth, 12, 6, 12,
       131072},
      {"RS uses the nominal teeth", FlywheelWord(6, 8, 1, true), 2, FlywheelType::kRenaultRs, 8, 8,
       8, 65536},
      {"RS bit without two missing teeth", static_cast<uint16_t>(FlywheelWord(35, 36) | 0x8000), 2,
       FlywheelType::kMissingTeeth, 36, 36, 36, 65536},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    FlywheelGeometry g;
    ASSERT_TRUE(DescribeFlywheel(c.word, c.cylinders, g));
    EXPECT_EQ(g.type, c.type);
    EXPECT_EQ(g.periods, c.periods);
    EXPECT_EQ(g.windowPeriods, c.windowPeriods);
    EXPECT_EQ(g.windowUnits, c.windowUnits);
    EXPECT_EQ(g.speedScale, c.speedScale);
  }
}

struct WeightCase {
  const char* name;
  uint16_t word;
  std::vector<std::pair<int, int>> exceptions;  // tooth, weight; all others regular
  int regular;
};

TEST(FlywheelGeometryTest, ToothWeightsMarkEachSingularity) {
  const WeightCase cases[] = {
      {"one missing tooth", FlywheelWord(5, 6), {{4, 2}, {9, 2}}, 1},
      {"60-2", 0x3C3A, {{57, 3}, {115, 3}}, 1},
      {"60-2-2 at each occurrence",
       FlywheelWord(56, 60, 2),
       {{27, 3}, {55, 3}, {83, 3}, {111, 3}},
       1},
      {"12+1", FlywheelWord(13, 12), {{10, 1}, {11, 1}, {23, 1}, {24, 1}}, 2},
      {"RS", FlywheelWord(6, 8, 1, true), {{4, 2}, {5, 2}, {10, 2}, {11, 2}}, 1},
      {"regular", 0x0404, {}, 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    FlywheelGeometry g;
    ASSERT_TRUE(DescribeFlywheel(c.word, 4, g));
    std::vector<int> expected(static_cast<size_t>(2 * g.flywheel.T), c.regular);
    for (const auto& [tooth, weight] : c.exceptions) expected[static_cast<size_t>(tooth)] = weight;
    const std::vector<int> w = ToothWeights(g);
    EXPECT_EQ(w, expected);
    EXPECT_EQ(std::accumulate(w.begin(), w.end(), 0), 2 * g.unitsPerRevolution);
  }
}

TEST(FlywheelGeometryTest, NearestRoundsFromHalfTheDivisorDown) {
  const struct {
    uint64_t x, d, expected;
  } cases[] = {{4, 3, 2}, {5, 3, 2}, {3, 3, 1}, {7, 2, 4}, {6, 2, 3},
               {5, 4, 1}, {6, 4, 2}, {0, 5, 0}, {9, 1, 9}, {65536 * 36, 15, 157286}};
  for (const auto& c : cases) {
    EXPECT_EQ(NearestQuotient(c.x, c.d), c.expected) << c.x << " / " << c.d;
  }
}

// --- Refused words and broken preconditions

struct RefusedCase {
  const char* name;
  uint16_t word;
  uint16_t cylinders;
};

TEST(FlywheelRefusalTest, AFlywheelItCannotDescribeIsRefusedWhole) {
  const RefusedCase cases[] = {
      {"K = 2", FlywheelWord(6, 4), 4},
      {"K = -3", FlywheelWord(20, 23), 4},
      {"no cylinders", 0x3C3A, 0},
      {"no teeth", FlywheelWord(0, 0), 4},
      {"occurrences not dividing the teeth", FlywheelWord(9, 11, 2), 4},
      {"extra tooth with 2 teeth per occurrence", FlywheelWord(8, 4, 4), 4},
      {"RS with two occurrences", FlywheelWord(8, 12, 2, true), 4},
      {"RS with 2 teeth", FlywheelWord(2, 4, 1, true), 4},
      // Every gap is 3 units: a 5-unit window can never be matched exactly.
      {"no exact window", FlywheelWord(4, 12, 4), 5},
      // Every tooth ends an occurrence: no tooth has the regular weight.
      {"no regular tooth", FlywheelWord(4, 8, 4), 1},
      // Gaps of 1 and 3 alternate: from any tooth the sums go 4, 8 or 1, 4, 5, 8, never 6.
      {"8 teeth with four double gaps and 6 cylinders", FlywheelWord(8, 16, 4), 6},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_FALSE(BuildFlywheelTables(SyncWith(c.word), EngineWith(c.cylinders)).has_value());
  }
}

TEST(FlywheelRefusalTest, ShortSyncTableIsNeitherReadPastNorGrown) {
  const WordTable sync = {20, 0x3C3A, 0, 0, 0, 0, 0, 0, 0, 0};
  EXPECT_FALSE(BuildFlywheelTables(sync, EngineWith(4)).has_value());
  EXPECT_TRUE(BuildFlywheelTables(SyncWith(0x3C3A), EngineWith(4)).has_value());
}

// --- Sweeps

// Checks what every successful build must satisfy; returns false at the first fault.
void ExpectSound(const Built& b, uint16_t word, uint16_t cylinders) {
  SCOPED_TRACE(testing::Message() << "word 0x" << std::hex << word << std::dec << ", " << cylinders
                                  << " cylinders");
  FlywheelGeometry g;
  ASSERT_TRUE(DescribeFlywheel(word, cylinders, g));
  const std::vector<int> w = ToothWeights(g);
  const size_t teeth = w.size();
  const size_t positions = static_cast<size_t>(2 * g.periods);

  ASSERT_EQ(b.window.size(), teeth + 2);
  ASSERT_EQ(b.angle.size(), teeth + 1);
  ASSERT_EQ(b.position.size(), positions + 1);
  ASSERT_EQ(b.regular.size(), teeth + 1);
  for (const WordTable* t : {&b.window, &b.angle, &b.position, &b.regular}) {
    ASSERT_EQ((*t)[0], t->size() * 2);
  }

  ASSERT_EQ(b.angle[1], 0);
  for (size_t i = 2; i <= teeth; ++i) ASSERT_LT(b.angle[i - 1], b.angle[i]) << "tooth " << i - 1;

  for (size_t i = 0; i <= teeth; ++i) {
    const uint16_t e = b.window[1 + i];
    ASSERT_EQ(e & 0x101, 0) << "window " << i;
    const size_t start = e >> 9;
    const size_t end = (e & 0xFF) >> 1;
    ASSERT_LT(start, teeth);
    ASSERT_LT(end, teeth);
    int sum = 0;
    for (size_t t = end; t != start; t = (t + teeth - 1) % teeth) sum += w[t];
    ASSERT_EQ(sum, g.windowUnits) << "window " << i;
  }
  ASSERT_EQ(b.window[1], b.window[1 + teeth]);

  for (size_t i = 0; i < teeth; ++i) {
    const uint16_t e = b.regular[1 + i];
    ASSERT_EQ(e % 2, 0);
    const size_t g2 = e / 2;
    ASSERT_LT(g2, teeth);
    ASSERT_EQ(w[g2], g.regularWeight) << "regular tooth for " << i;
    // Nothing of the regular weight between it and tooth i.
    for (size_t t = (g2 + 1) % teeth; t != i; t = (t + 1) % teeth) {
      ASSERT_NE(w[t], g.regularWeight) << "nearer regular tooth " << t << " for " << i;
    }
  }

  for (size_t j = 0; j < positions; ++j) {
    const uint16_t e = b.position[1 + j];
    ASSERT_GE(e >> 13, 1);
    ASSERT_LT(e & 0x1FFF, teeth);
    // What a reader of the table relies on: the named tooth sits `gap` positions back.
    const ToothPositionEntry entry = DecodeToothPosition(e);
    const size_t at = (j + positions - static_cast<size_t>(entry.gap) % positions) % positions;
    ASSERT_EQ(b.angle[1 + static_cast<size_t>(entry.tooth)], NearestQuotient(at * 65536, positions))
        << "position " << j;
  }

  const WordTable untouched = SyncWith(word);
  for (size_t i : {0, 1, 3, 4, 11, 12, 13, 14, 15, 16}) ASSERT_EQ(b.sync[i], untouched[i]);
  const int lastTooth = g.type == FlywheelType::kRenaultRs ? g.flywheel.T - 2 : g.flywheel.T - 1;
  ASSERT_EQ(b.sync[2], ((lastTooth << 8) | (lastTooth - 1)) & 0xFFFF);
}

// Every flywheel word the Engine page can store: the type's occurrences and teeth lists.
std::vector<uint16_t> EnginePageWords() {
  std::vector<uint16_t> words;
  for (int teeth = 8; teeth <= 58; ++teeth) {
    for (int code = 0; code < 4; ++code) {
      const int refs = code + 1;
      if (teeth % refs != 0) continue;
      if (code == 0) words.push_back(EncodeFlywheel(teeth, code, kRegularTeeth, false));
      if (code == 0) words.push_back(EncodeFlywheel(teeth, code, kTwoMissingTeeth, true));
      words.push_back(EncodeFlywheel(teeth, code, kOneMissingTooth, false));
      words.push_back(EncodeFlywheel(teeth, code, kTwoMissingTeeth, false));
      if (teeth >= 3 * refs) words.push_back(EncodeFlywheel(teeth, code, kOneExtraTooth, false));
    }
  }
  return words;
}

// Brute force: does any tooth end a window of exactly the measurement length?
bool SomeWindowFits(uint16_t word, uint16_t cylinders) {
  FlywheelGeometry g;
  if (!DescribeFlywheel(word, cylinders, g)) return false;
  const std::vector<int> w = ToothWeights(g);
  for (size_t end = 0; end < w.size(); ++end) {
    int sum = 0;
    for (size_t t = end; sum < g.windowUnits; t = (t + w.size() - 1) % w.size()) sum += w[t];
    if (sum == g.windowUnits) return true;
  }
  return false;
}

TEST(FlywheelSweepTest, EveryEnginePageWordWithEveryCylinderCountIsSound) {
  const std::vector<uint16_t> words = EnginePageWords();
  ASSERT_GT(words.size(), 300u);
  Built b;
  std::vector<std::pair<uint16_t, uint16_t>> refused;
  for (uint16_t word : words) {
    for (uint16_t cylinders : kCylinderCounts) {
      // Reuse the tables: a build must replace them, not append.
      b.sync = SyncWith(word);
      b.ok = BuildInto(b, EngineWith(cylinders));
      if (!b.ok) {
        ASSERT_FALSE(SomeWindowFits(word, cylinders))
            << "refused word 0x" << std::hex << word << std::dec << ", " << cylinders;
        refused.emplace_back(word, cylinders);
        continue;
      }
      ExpectSound(b, word, cylinders);
      if (testing::Test::HasFatalFailure()) return;
    }
  }
  // The one offered wheel whose gaps cannot add up to one cylinder's share.
  EXPECT_EQ(refused, (std::vector<std::pair<uint16_t, uint16_t>>{{FlywheelWord(8, 16, 4), 6}}));
}

TEST(FlywheelSweepTest, EveryWordTerminatesAndIsSoundOrRefusedWhole) {
  Built b;
  WordTable engine = EngineWith(0);
  size_t built = 0;
  for (uint32_t word = 0; word <= 0xFFFF; ++word) {
    for (uint16_t cylinders : {uint16_t{0}, uint16_t{1}, uint16_t{2}, uint16_t{3}, uint16_t{4},
                               uint16_t{5}, uint16_t{6}, uint16_t{8}, uint16_t{10}, uint16_t{12}}) {
      engine[kEngineCylindersWord] = cylinders;
      b.sync = SyncWith(static_cast<uint16_t>(word));
      const WordTable before = b.sync;
      if (!BuildInto(b, engine)) {
        ASSERT_EQ(b.sync, before);
        continue;
      }
      ++built;
      ExpectSound(b, static_cast<uint16_t>(word), cylinders);
      if (testing::Test::HasFatalFailure()) return;
    }
  }
  EXPECT_GT(built, 10000u);
}

// A TDC typed on the Cylinders banks page at a tooth's exact angle is stored as the lowest
// word that shows it, while the generator rounds the tooth's angle to the nearest word: the
// TDC is the tooth's word, or one unit below it when the exact angle lies in the upper half
// of a unit, and the window chosen for it then ends a tooth early. Both roundings are kept
// (stored angles and tables rely on them); the wheel picture tells it.
TEST(FlywheelSweepTest, AnAngleTypedOnAToothIsTheToothsWordOrOneUnitBelow) {
  size_t typable = 0;
  std::vector<std::string> below;
  for (uint16_t word : EnginePageWords()) {
    FlywheelGeometry g;
    if (!DescribeFlywheel(word, 4, g)) continue;
    const Built b = Build(word, 4);
    ASSERT_TRUE(b.ok);
    const std::vector<int> w = ToothWeights(g);
    const uint64_t cycleUnits = 2 * static_cast<uint64_t>(g.unitsPerRevolution);
    uint64_t a = 0;
    for (size_t tooth = 0; tooth < w.size(); a += static_cast<uint64_t>(w[tooth++])) {
      // Only an angle the page shows back as typed: whole tenths of a degree.
      if (a * kCycleHundredths % (10 * cycleUnits) != 0) continue;
      ++typable;
      const uint16_t toothWord = b.angle[1 + tooth];
      const std::optional<uint16_t> typed =
          AngleWordFromHundredths(static_cast<uint32_t>(a * kCycleHundredths / cycleUnits));
      ASSERT_TRUE(typed.has_value());
      const bool upperHalf = 2 * (a * 65536 % cycleUnits) >= cycleUnits;
      ASSERT_EQ(*typed + (upperHalf ? 1 : 0), toothWord)
          << "wheel 0x" << std::hex << word << std::dec << ", tooth " << tooth;
      if (upperHalf && word == FlywheelWord(35, 36)) below.push_back(AngleText(*typed));
    }
  }
  EXPECT_GT(typable, 1000u);
  // On a 36-1 wheel every tooth whose angle is not a whole word: 390° among them.
  EXPECT_NE(std::find(below.begin(), below.end(), "390.00"), below.end());
}

}  // namespace
}  // namespace vantel
